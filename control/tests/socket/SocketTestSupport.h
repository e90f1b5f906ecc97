// What the socket wrapper's tests share: the peers' ports from run_socket_tests.py, the code of a
// thrown CWSocketException, and an echo round trip.
#ifndef DORVIK_TESTS_SOCKETTESTSUPPORT_H
#define DORVIK_TESTS_SOCKETTESTSUPPORT_H

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "WSocket.h"

// Port of the peer NAME, from DORVIK_SOCK_NAME.
inline USHORT PeerPort(const char* name)
{
    const char* v = std::getenv((std::string("DORVIK_SOCK_") + name).c_str());
    if (!v) {
        ADD_FAILURE() << "no port for " << name << ": run through run_socket_tests.py";
        return 0;
    }
    return static_cast<USHORT>(std::atoi(v));
}

// The code that f throws as a CWSocketException*, released as its catcher must; 0 if none.
template <typename F>
int ThrownCode(F f)
{
    try {
        f();
    } catch (CWSocketException* e) {
        int code = e->m_nError;
        e->Delete();
        return code;
    }
    return 0;
}

// Reads exactly n bytes, each wait at most two seconds; fewer when the peer closes or is silent.
inline std::string ReadSome(CWSocket& s, size_t n)
{
    std::string got;
    char buffer[4096];
    while (got.size() < n && s.WaitReadable(2000)) {
        int want = static_cast<int>(std::min(n - got.size(), sizeof(buffer)));
        int k = s.ReceiveBytes(buffer, want);
        if (k == 0)
            break;
        got.append(buffer, k);
    }
    return got;
}

// Sends the text to the echo at the far end and returns what came back.
inline std::string EchoRoundTrip(CWSocket& s, const std::string& text)
{
    s.SendBytes(text.data(), static_cast<int>(text.size()));
    return ReadSome(s, text.size());
}

#endif

// The proxy handshakes of CWSocket: SOCKS4, SOCKS5 (RFC 1928, with the RFC 1929 user name and
// password) and HTTP CONNECT. Replies are read exactly to their end and no further, so the first
// bytes that the destination sends through the tunnel stay in the socket for the caller.
#include "WSocket.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Base64Lines.h"

namespace {

const unsigned char kSocks4Granted = 90;
const unsigned char kSocks5NoAuthentication = 0;
const unsigned char kSocks5UserPassword = 2;
const int kSocksNameMax = 255;
// No proxy needs more for a status line and a few headers; anything longer is not an answer.
const int kProxyHeaderMax = 64 * 1024;
// A proxy that hangs up before its answer is complete.
const int kProxyClosed = WSAECONNRESET;

// Runs a handshake; any failure in it closes the socket and is thrown again with the same code.
template <typename Steps>
void Guarded(CWSocket& socket, Steps steps)
{
    try {
        steps();
    } catch (CWSocketException* e) {
        int code = e->m_nError;
        e->Delete();
        socket.CloseSocket();
        ThrowWSocketException(code != 0 ? code : WSAECONNABORTED);
    }
}

void AppendPort(CStr& message, USHORT port)
{
    USHORT network = htons(port);
    message.Append(reinterpret_cast<const char*>(&network), 2);
}

// Text that goes into a request line must not end the line or the request early.
bool HasLineBreak(const char* text)
{
    return text && std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

void CWSocket::ReadExactly(char* buffer, int size, DWORD milliseconds)
{
    int got = 0;
    while (got < size) {
        if (!WaitReadable(milliseconds))
            ThrowWSocketException(WSAETIMEDOUT);
        int n = ReceiveBytes(buffer + got, size - got, 0);
        if (n == 0)
            ThrowWSocketException(kProxyClosed);
        got += n;
    }
}

void CWSocket::ConnectThroughSocks4(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                                    DWORD milliseconds)
{
    ConnectHost(proxyHost, proxyPort);
    Guarded(*this, [&] {
        in_addr destination = ResolveHost(host);
        CStr request;
        request += static_cast<char>(4);  // version
        request += static_cast<char>(1);  // CONNECT
        AppendPort(request, port);
        request.Append(reinterpret_cast<const char*>(&destination.s_addr), 4);
        request += '\0';                  // empty user id
        SendBytes(request.c_str(), request.GetLength(), 0);

        char reply[8];
        ReadExactly(reply, sizeof(reply), milliseconds);
        if (reply[0] != 0 || static_cast<unsigned char>(reply[1]) != kSocks4Granted)
            ThrowWSocketException(ERROR_BAD_NET_RESP);
    });
}

void CWSocket::ConnectThroughSocks5(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                                    const char* user, const char* password, DWORD milliseconds, BOOL udp)
{
    ConnectHost(proxyHost, proxyPort);
    Guarded(*this, [&] {
        const bool withUser = user != nullptr;
        CStr greeting;
        greeting += static_cast<char>(5);
        if (withUser) {
            greeting += static_cast<char>(2);
            greeting += static_cast<char>(kSocks5NoAuthentication);
            greeting += static_cast<char>(kSocks5UserPassword);
        } else {
            greeting += static_cast<char>(1);
            greeting += static_cast<char>(kSocks5NoAuthentication);
        }
        SendBytes(greeting.c_str(), greeting.GetLength(), 0);

        char chosen[2];
        ReadExactly(chosen, sizeof(chosen), milliseconds);
        const unsigned char method = static_cast<unsigned char>(chosen[1]);
        if (method != kSocks5NoAuthentication && !(withUser && method == kSocks5UserPassword))
            ThrowWSocketException(WSAECONNREFUSED);

        if (method == kSocks5UserPassword) {
            const size_t userLength = std::strlen(user);
            const size_t passwordLength = password ? std::strlen(password) : 0;
            if (userLength > kSocksNameMax || passwordLength > kSocksNameMax)
                ThrowWSocketException(ERROR_INVALID_PARAMETER);
            CStr login;
            login += static_cast<char>(1);
            login += static_cast<char>(userLength);
            login.Append(user, static_cast<int>(userLength));
            login += static_cast<char>(passwordLength);
            login.Append(password ? password : "", static_cast<int>(passwordLength));
            SendBytes(login.c_str(), login.GetLength(), 0);
            char verdict[2];
            ReadExactly(verdict, sizeof(verdict), milliseconds);
            if (verdict[1] != 0)
                ThrowWSocketException(ERROR_ACCESS_DENIED);
        }

        const char command = udp ? 3 : 1;
        CStr request;
        request += static_cast<char>(5);
        request += command;
        request += static_cast<char>(0);
        unsigned long dotted = host ? inet_addr(host) : INADDR_NONE;
        if (dotted != INADDR_NONE) {
            request += static_cast<char>(1);
            request.Append(reinterpret_cast<const char*>(&dotted), 4);
        } else {
            const size_t nameLength = host ? std::strlen(host) : 0;
            if (nameLength == 0 || nameLength > kSocksNameMax)
                ThrowWSocketException(ERROR_INVALID_PARAMETER);
            request += static_cast<char>(3);
            request += static_cast<char>(nameLength);
            request.Append(host, static_cast<int>(nameLength));
        }
        AppendPort(request, port);
        SendBytes(request.c_str(), request.GetLength(), 0);

        ReadSocks5Reply(milliseconds);
    });
}

void CWSocket::ReadSocks5Reply(DWORD milliseconds)
{
    // version, reply code, reserved, address type; then the bound address and port.
    char reply[262];
    ReadExactly(reply, 4, milliseconds);
    int total = 0;
    switch (reply[3]) {
    case 1:
        total = 10;
        break;
    case 3:
        ReadExactly(reply + 4, 1, milliseconds);
        total = 7 + static_cast<unsigned char>(reply[4]);
        break;
    default:
        ThrowWSocketException(ERROR_INVALID_PARAMETER);
    }
    const int already = reply[3] == 3 ? 5 : 4;
    ReadExactly(reply + already, total - already, milliseconds);
    if (reply[1] != 0)
        ThrowWSocketException(ERROR_BAD_NET_RESP);
}

void CWSocket::ConnectThroughHttpProxy(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                                       CStr& reply, const char* user, const char* password, DWORD milliseconds,
                                       const char* userAgent)
{
    // Refused before the proxy is reached: a line break would let these end the request early
    // or add lines of their own, and a colon in the user name would move the split of the
    // credential.
    if (!host || !*host || HasLineBreak(host) || HasLineBreak(userAgent) ||
        (user && std::strchr(user, ':')))
        ThrowWSocketException(ERROR_INVALID_PARAMETER);

    ConnectHost(proxyHost, proxyPort);
    Guarded(*this, [&] {
        CStr request = CStr::Format("CONNECT %s:%d HTTP/1.0\r\n", host, static_cast<int>(port));
        if (user) {
            CStr credential = CStr::Format("%s:%s", user, password ? password : "");
            // One line: a broken-up credential would end the header at its line breaks.
            Base64Codec codec;
            const DWORD flags = Base64Codec::NoLineBreaks;
            int room = codec.EncodedLength(credential.GetLength(), flags);
            if (room < 0)
                ThrowWSocketException(ERROR_INVALID_PARAMETER);
            std::string text(static_cast<size_t>(room) + 1, '\0');
            int written = 0;
            codec.Encode(reinterpret_cast<const BYTE*>(credential.c_str()), credential.GetLength(), &text[0],
                         &written, flags);
            request.AppendFormat("Proxy-authorization: Basic %s\r\n", CStr(text.data(), written).c_str());
        }
        if (userAgent)
            request.AppendFormat("User-Agent: %s\r\n", userAgent);
        request += "\r\n";
        SendBytes(request.c_str(), request.GetLength(), 0);

        ReadProxyReplyHeader(milliseconds, reply);

        // The status is the number after the status line's first space: anything but 200 is a
        // refusal. A 200 is taken only in a well-formed "HTTP/x.y 200" line, and a line without
        // a status at all is no success either.
        int lineEnd = reply.Find("\r\n");
        CStr statusLine = reply.Left(lineEnd);
        int space = statusLine.Find(' ');
        if (space == CStr::npos)
            ThrowWSocketException(ERROR_BAD_NET_RESP);
        int digits = 0;
        long status = 0;
        for (int i = space + 1; i < statusLine.GetLength() && isdigit(statusLine.ByteAt(i)) && digits < 4; ++i, ++digits)
            status = status * 10 + (statusLine.At(i) - '0');
        if (status != 200)
            ThrowWSocketException(ERROR_CONNECTION_REFUSED);
        bool endsAfterDigits = space + 4 == statusLine.GetLength() || statusLine.At(space + 4) == ' ';
        if (!statusLine.StartsWith("HTTP/") || !endsAfterDigits)
            ThrowWSocketException(ERROR_BAD_NET_RESP);
    });
}

void CWSocket::ReadProxyReplyHeader(DWORD milliseconds, CStr& reply)
{
    // The bytes after the blank line belong to the tunnel, so the header is looked at before it
    // is taken: a peek shows what has arrived, and only the header's part of it is received.
    // A block per call rather than a byte, since every socket call costs the same.
    static const char kEnd[] = "\r\n\r\n";
    char block[4096];
    // The caller keeps what arrived even when the answer breaks off.
    reply.Empty();
    for (;;) {
        if (reply.GetLength() >= kProxyHeaderMax)
            ThrowWSocketException(ERROR_BAD_NET_RESP);
        if (!WaitReadable(milliseconds))
            ThrowWSocketException(WSAETIMEDOUT);
        int room = std::min<int>(sizeof(block), kProxyHeaderMax - reply.GetLength());
        int seen = ReceiveBytes(block, room, MSG_PEEK);
        if (seen == 0)
            ThrowWSocketException(kProxyClosed);
        // The end may straddle the previous block: look from three bytes before this one.
        int keep = std::min(reply.GetLength(), 3);
        CStr window = reply.Right(keep) + CStr(block, seen);
        int end = window.Find(kEnd);
        int take = end == CStr::npos ? seen : end + 4 - keep;
        ReadExactly(block, take, milliseconds);
        reply.Append(block, take);
        if (end != CStr::npos)
            return;
    }
}

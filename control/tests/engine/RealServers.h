// The real FTP servers the driver starts, as the tests reach them.
#ifndef DORVIK_TESTS_REALSERVERS_H
#define DORVIK_TESTS_REALSERVERS_H

#include <fstream>
#include <iterator>
#include <string>

#include "EngineTestSupport.h"

struct RealServer {
    const char* name;
    const char* portVariable;
    const char* user;
    const char* password;
    const char* rootVariable;  // the folder the tests work in, as Windows sees it
    const char* home;          // the same folder as the server names it
};

inline const RealServer* RealServers()
{
    static const RealServer servers[] = {
        {"pyftpdlib", "DORVIK_PYFTPD_PORT", "dorvik", "secret", "DORVIK_PYFTPD_ROOT", "/"},
        {"vsftpd", "DORVIK_VSFTPD_PORT", "anonymous", "guest", "DORVIK_VSFTPD_ROOT", "/pub"},
        {"proftpd", "DORVIK_PROFTPD_PORT", "dorvik", "secret", "DORVIK_PROFTPD_ROOT", "/"},
    };
    return servers;
}
const int kRealServerCount = 3;

inline std::string RealServerName(const ::testing::TestParamInfo<RealServer>& info)
{
    return info.param.name;
}

class RealServerTest : public EngineTest, public ::testing::WithParamInterface<RealServer> {
protected:
    std::string root;

    void SetUp() override
    {
        EngineTest::SetUp();
        if (EnvPort(GetParam().portVariable) == 0)
            GTEST_SKIP() << GetParam().name << " is not available";
        root = Env(GetParam().rootVariable);
        Server(GetParam().portVariable, GetParam().user, GetParam().password);
    }

    std::string Local(const std::string& name) const { return root + "\\" + name; }
    void MakeFile(const std::string& name, const std::string& content) const
    {
        std::ofstream(Local(name), std::ios::binary) << content;
    }
    std::string Content(const std::string& name) const
    {
        std::ifstream in(Local(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string Home(const std::string& name) const
    {
        std::string home = GetParam().home;
        return home == "/" ? "/" + name : home + "/" + name;
    }
};

#endif

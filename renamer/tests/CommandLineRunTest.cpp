// The real Velkaro.exe started with a command line, as a script or a shortcut would start it:
// it must copy, end by itself, and say in its exit status whether every file was copied.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "TempFolder.h"

namespace {

std::wstring ProgramNextToUs() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring p = self;
    return p.substr(0, p.rfind(L'\\')) + L"\\Velkaro.exe";
}

// Runs Velkaro.exe with the command-line text; returns its exit status, or -1 if it did not end.
long RunVelkaro(const std::wstring& text) {
    std::wstring line = L"\"" + ProgramNextToUs() + L"\" " + text;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -2;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(code);
}

class CommandLineRun : public ::testing::Test {
protected:
    TempFolder t;
    void SetUp() override {
        t.MakeDir(L"my src");
        t.Write(L"my src\\a.txt", "A");
        t.Write(L"my src\\b.doc", std::string(50000, 'b'));
        t.MakeDir(L"my src\\sub");
        t.Write(L"my src\\sub\\c.txt", "C");
    }
};

TEST_F(CommandLineRun, ShellCopyOfTheFolderEndsWithSuccess) {
    EXPECT_EQ(RunVelkaro(t / L"my src" + L"|" + (t / L"my dst") + L"|false|Copiando, aguarde..."), 0);
    EXPECT_EQ(t.Names(L"my dst"), std::set<std::wstring>({L"a.txt", L"b.doc"}));
    EXPECT_TRUE(t.Read(L"my dst\\b.doc") == std::string(50000, 'b'));
}

TEST_F(CommandLineRun, PlainCopyKeepsWhatIsThereAndSaysSo) {
    t.MakeDir(L"dst");
    t.Write(L"dst\\a.txt", "old");
    EXPECT_EQ(RunVelkaro(t / L"my src" + L"|" + (t / L"dst") + L"|TRUE|Copiando"), 1);
    EXPECT_EQ(t.Read(L"dst\\a.txt"), "old");
    EXPECT_TRUE(t.Read(L"dst\\b.doc") == std::string(50000, 'b'));
    EXPECT_EQ(t.Names(L"dst"), std::set<std::wstring>({L"a.txt", L"b.doc"}));
}

TEST_F(CommandLineRun, TooFewPiecesCopyNothingAndFail) {
    EXPECT_EQ(RunVelkaro(t / L"my src" + L"|" + (t / L"dst")), 1);
    EXPECT_EQ(GetFileAttributesW((t / L"dst").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

// The command-line copy mode run inside the test process on real folders: the record the shell
// gets, the choice between shell and plain copies, collisions, the message window, and the
// destinations that must take no file.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../app/CopiaWindows.h"
#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "../forms/Statement.h"
#include "TempFolder.h"

using velkaro::FormVelkaro;
namespace CopiaWindows = velkaro::CopiaWindows;

namespace {

uint32_t At32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uintptr_t PointerAt(const unsigned char* p) {
    uintptr_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The shell's own record: packed to 30 bytes in 32-bit code, naturally aligned in 64-bit code.
#ifndef _WIN64
static_assert(sizeof(SHFILEOPSTRUCTA) == 30, "the 32-bit shell record is packed");
#endif
#define FIELD(name) offsetof(SHFILEOPSTRUCTA, name)

// What one shell call was given, read back out of its record.
struct ShellCall {
    std::vector<unsigned char> record;
    std::string from, to, title;
    bool fromEndsInNuls = false, toEndsInNuls = false;
    std::wstring message;       // Form_MSG's label at the time
    bool messageShown = false;  // and whether it was up, owned by the hidden main window
};
std::vector<ShellCall> g_shellCalls;
int g_shellResult = 0;
bool g_shellAborts = false;
bool g_forwardToShell = false;
FormVelkaro* g_form = nullptr;

std::string TextAt(uintptr_t address, bool& endsInNuls) {
    const char* p = reinterpret_cast<const char*>(address);
    if (!p) return "<null>";
    const std::string s(p);
    endsInNuls = p[s.size() + 1] == '\0' && p[s.size() + 2] == '\0';
    return s;
}

int WINAPI RecordShell(void* op) {
    auto* r = static_cast<unsigned char*>(op);
    ShellCall c;
    c.record.assign(r, r + sizeof(SHFILEOPSTRUCTA));
    bool ignored = false;
    c.from = TextAt(PointerAt(r + FIELD(pFrom)), c.fromEndsInNuls);
    c.to = TextAt(PointerAt(r + FIELD(pTo)), c.toEndsInNuls);
    c.title = TextAt(PointerAt(r + FIELD(lpszProgressTitle)), ignored);
    if (g_form) {
        c.message = g_form->Form_MSG.MSG.Caption();
        HWND msg = g_form->Form_MSG.Hwnd();
        c.messageShown = msg && IsWindowVisible(msg) && GetWindow(msg, GW_OWNER) == g_form->Hwnd() &&
                         !IsWindowVisible(g_form->Hwnd());
    }
    g_shellCalls.push_back(c);
    if (g_shellAborts) r[FIELD(fAnyOperationsAborted)] = 1;
    if (g_forwardToShell) {
        static auto real = reinterpret_cast<int(WINAPI*)(void*)>(
            reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "SHFileOperationA")));
        return real(op);
    }
    return g_shellResult;
}

class CopyMode : public ::testing::Test {
protected:
    TempFolder t;
    std::unique_ptr<FormVelkaro> f;
    void SetUp() override {
        g_shellCalls.clear();
        g_shellResult = 0;
        g_shellAborts = false;
        g_forwardToShell = true;
        CopiaWindows::g_SHFileOperationA = RecordShell;
        SetCurrentDirectoryW(t.Path().c_str());
    }
    void TearDown() override {
        g_form = nullptr;
        f.reset();
        CopiaWindows::g_SHFileOperationA = nullptr;
        forms::ReiniciaDepoisDeEnd();
        SetCurrentDirectoryW(L"Z:\\tmp");
    }
    void Source() {
        t.MakeDir(L"src");
        t.Write(L"src\\a.txt", "A");
        t.Write(L"src\\b", "B");
        t.MakeDir(L"src\\sub");
        t.Write(L"src\\sub\\c.txt", "C");
    }
    // Runs the copy mode as the program would with this command line; returns its exit status.
    int Run(const std::wstring& line) {
        f.reset(new FormVelkaro);
        g_form = f.get();
        if (!f->Carrega()) return -1;
        f->Form_Load(line);
        EXPECT_FALSE(f->Loaded());
        EXPECT_FALSE(f->Form_MSG.Loaded());
        return f->CodigoDeSaida();
    }
};

TEST_F(CopyMode, ShellGetsItsOwnRecord) {
    g_forwardToShell = false;
    velkaro::OperacaoDeCopia op;
    op.hwnd = 0;
    op.wFunc = 2;
    op.pFrom = std::wstring(L"Z:\\s\\a.txt") + std::wstring(2, L'\0');
    op.pTo = std::wstring(L"Z:\\d\\a.txt") + std::wstring(2, L'\0');
    op.fFlags = 0x108;
    op.fAnyOperationsAborted = 0x11223344;
    op.hNameMappings = 0x55667788;
    op.lpszProgressTitle = L"Aguarde, realizando copia...";
    g_shellResult = 1026;
    EXPECT_EQ(CopiaWindows::CopiaComProgresso(op), 1026);
    ASSERT_EQ(g_shellCalls.size(), 1u);
    const ShellCall& c = g_shellCalls[0];
    EXPECT_EQ(PointerAt(&c.record[FIELD(hwnd)]), 0u);
    EXPECT_EQ(At32(&c.record[FIELD(wFunc)]), 2u);
    EXPECT_EQ(c.from, "Z:\\s\\a.txt");
    EXPECT_TRUE(c.fromEndsInNuls);
    EXPECT_EQ(c.to, "Z:\\d\\a.txt");
    EXPECT_TRUE(c.toEndsInNuls);
    EXPECT_EQ(c.record[FIELD(fFlags)], 0x08);
    EXPECT_EQ(c.record[FIELD(fFlags) + 1], 0x01);
    EXPECT_EQ(At32(&c.record[FIELD(fAnyOperationsAborted)]), 0x11223344u);
    EXPECT_EQ(PointerAt(&c.record[FIELD(hNameMappings)]), 0x55667788u);
    EXPECT_EQ(c.title, "Aguarde, realizando copia...");
    // The shell's writes stay in its record.
    EXPECT_EQ(op.fAnyOperationsAborted, 0x11223344u);
}

TEST_F(CopyMode, CancelledShellCopyIsAFailureAndUnspellableNamesAreRefused) {
    g_forwardToShell = false;
    velkaro::OperacaoDeCopia op;
    op.wFunc = 2;
    op.pFrom = L"Z:\\s\\a.txt";
    op.pTo = L"Z:\\d\\a.txt";
    g_shellAborts = true;  // the user pressed Cancel: the shell says 0 and raises its flag
    EXPECT_EQ(CopiaWindows::CopiaComProgresso(op), ERROR_CANCELLED);
    op.pTo = L"Z:\\d\\\u0141odz.txt";  // no form in the Western code page: the shell would read a "?"
    EXPECT_FALSE(CopiaWindows::TemFormaAnsi(op.pTo));
    EXPECT_TRUE(CopiaWindows::TemFormaAnsi(L"Z:\\d\\Cópia.txt"));
    EXPECT_THROW(CopiaWindows::CopiaComProgresso(op), forms::VbError);
    EXPECT_EQ(g_shellCalls.size(), 1u);
}

TEST_F(CopyMode, OptionChoosesShellOrPlainCopyOfTheFolderOnly) {
    Source();
    struct Case { const wchar_t* option; bool shell; } cases[] = {
        {L"FALSE", true}, {L"false", true}, {L"FaLsE", true},
        {L"FALSE ", false}, {L"TRUE", false}, {L"", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring dst = L"dst" + std::to_wstring(++n);
        g_shellCalls.clear();
        const std::wstring option = c.option;
        EXPECT_EQ(Run(t / L"src" + L"|" + (t / dst) + L"|" + option + L"|msg"), 0) << n;
        EXPECT_EQ(t.Names(dst), std::set<std::wstring>({L"a.txt", L"b"})) << n;
        EXPECT_EQ(t.Read(dst + L"\\a.txt"), "A") << n;
        EXPECT_EQ(t.Read(dst + L"\\b"), "B") << n;
        ASSERT_EQ(g_shellCalls.size(), c.shell ? 2u : 0u) << n;
        if (c.shell) {
            const std::string ansiSrc(t.Path().begin(), t.Path().end());
            std::vector<std::string> froms = {g_shellCalls[0].from, g_shellCalls[1].from};
            std::sort(froms.begin(), froms.end());
            EXPECT_EQ(froms, std::vector<std::string>({ansiSrc + "\\src\\a.txt", ansiSrc + "\\src\\b"}));
            EXPECT_EQ(g_shellCalls[0].title, "Aguarde, realizando copia...");
            EXPECT_EQ(At32(&g_shellCalls[0].record[0]), 0u);
        }
    }
}

TEST_F(CopyMode, ExistingFileIsNeverReplaced) {
    Source();
    t.MakeDir(L"dst");
    t.Write(L"dst\\a.txt", "old");
    // Shell path: the new copy gets the shell's second-copy name, the old file stays.
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"dst") + L"|FALSE"), 0);
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"dst") + L"|FALSE"), 0);
    EXPECT_EQ(t.Names(L"dst"), std::set<std::wstring>({L"a.txt", L"a - Cópia.txt", L"a - Cópia (2).txt", L"b",
                                                       L"b - Cópia"}));
    EXPECT_EQ(t.Read(L"dst\\a.txt"), "old");
    EXPECT_EQ(t.Read(L"dst\\a - Cópia (2).txt"), "A");
    // Plain path: the file already there stays as it is, and the run says it did not copy all.
    t.MakeDir(L"dst2");
    t.Write(L"dst2\\b", "old");
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"dst2") + L"|x"), 1);
    EXPECT_EQ(t.Read(L"dst2\\b"), "old");
    EXPECT_EQ(t.Read(L"dst2\\a.txt"), "A");
}

TEST_F(CopyMode, MessageWindowShowsTheFourthPieceWhileCopying) {
    Source();
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"d1") + L"|FALSE|Copiando arquivos, aguarde|ignorado|x"), 0);
    ASSERT_EQ(g_shellCalls.size(), 2u);
    EXPECT_EQ(g_shellCalls[0].message, L"Copiando arquivos, aguarde");
    EXPECT_TRUE(g_shellCalls[0].messageShown);
    g_shellCalls.clear();
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"d2") + L"|FALSE"), 0);
    ASSERT_EQ(g_shellCalls.size(), 2u);
    EXPECT_EQ(g_shellCalls[0].message, L"");
    EXPECT_TRUE(g_shellCalls[0].messageShown);
}

TEST_F(CopyMode, DestinationsThatAreNoFolderTakeNoFile) {
    Source();
    const std::wstring stray = L"velkaro-stray-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    t.Write(L"src\\" + stray, "S");
    t.Write(L"afile", "F");
    for (const wchar_t* option : {L"FALSE", L"plain"}) {
        g_shellCalls.clear();
        // An empty destination would join to "\name": the root of the current drive.
        EXPECT_EQ(Run(t / L"src" + L"||" + option), 1);
        EXPECT_EQ(GetFileAttributesW((L"\\" + stray).c_str()), INVALID_FILE_ATTRIBUTES);
        // A missing parent: not even the shell may make the folder chain.
        EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"no\\deeper") + L"|" + option), 1);
        EXPECT_EQ(GetFileAttributesW((t / L"no").c_str()), INVALID_FILE_ATTRIBUTES);
        // A file where the folder should be.
        EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"afile") + L"|" + option), 1);
        EXPECT_EQ(t.Read(L"afile"), "F");
        EXPECT_TRUE(g_shellCalls.empty());
    }
}

TEST_F(CopyMode, SourceFolderEdgeCases) {
    Source();
    t.MakeDir(L"empty");
    // A trailing separator doubles it in every path; the copy still works.
    EXPECT_EQ(Run(t / L"src\\" + L"|" + (t / L"d1") + L"|FALSE"), 0);
    EXPECT_EQ(t.Names(L"d1"), std::set<std::wstring>({L"a.txt", L"b"}));
    const std::string ansiSrc(t.Path().begin(), t.Path().end());
    EXPECT_EQ(g_shellCalls[0].from.find(ansiSrc + "\\src\\\\"), 0u);
    // An empty source folder: the destination is made, nothing else happens, and that is success.
    EXPECT_EQ(Run(t / L"empty" + L"|" + (t / L"d2") + L"|x|Nada"), 0);
    EXPECT_TRUE(t.Names(L"d2").empty());
    EXPECT_NE(GetFileAttributesW((t / L"d2").c_str()), INVALID_FILE_ATTRIBUTES);
    // A source that cannot be read: the destination is still made, and the run failed.
    EXPECT_EQ(Run(t / L"missing" + L"|" + (t / L"d3") + L"|x"), 1);
    EXPECT_NE(GetFileAttributesW((t / L"d3").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Run(L"|" + (t / L"d4") + L"|x"), 1);
    // Fewer than three pieces: nothing at all.
    EXPECT_EQ(Run(t / L"src" + L"|" + (t / L"d5")), 1);
    EXPECT_EQ(GetFileAttributesW((t / L"d5").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

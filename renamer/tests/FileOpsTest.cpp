#include <gtest/gtest.h>

#include <windows.h>

#include "../core/FileOps.h"
#include "TempFolder.h"

using namespace velkaro;

TEST(FileOps, CaseOnlyRenameReallyChangesTheName) {
    TempFolder t;
    t.Write(L"MyFile.TXT", "data");
    EXPECT_TRUE(RenomeiaNaPasta(t.Path(), L"MyFile.TXT", L"myfile.txt"));
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"myfile.txt"}));
    EXPECT_EQ(t.Read(L"myfile.txt"), "data");
}

TEST(FileOps, RenameNeverReplacesAnotherFile) {
    TempFolder t;
    t.Write(L"a.txt", "A");
    t.Write(L"b.txt", "B");
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"a.txt", L"b.txt"));
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"a.txt", L"B.TXT"));
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"a.txt", L"b.txt"}));
    EXPECT_EQ(t.Read(L"b.txt"), "B");
}

// The temporary names already taken, by a file and by a folder: the rename parks the file
// under the next free one and leaves what was there alone.
TEST(FileOps, CaseOnlyRenamePassesOverTakenTemporaryNames) {
    TempFolder t;
    t.Write(L"MyFile.TXT", "data");
    t.Write(L"MyFile.TXT.velkaro0", "zero");
    t.MakeDir(L"MyFile.TXT.velkaro1");
    t.Write(L"MyFile.TXT.velkaro1\\inside.txt", "one");
    EXPECT_TRUE(RenomeiaNaPasta(t.Path(), L"MyFile.TXT", L"myfile.txt"));
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"myfile.txt", L"MyFile.TXT.velkaro0", L"MyFile.TXT.velkaro1"}));
    EXPECT_EQ(t.Read(L"myfile.txt"), "data");
    EXPECT_EQ(t.Read(L"MyFile.TXT.velkaro0"), "zero");
    EXPECT_EQ(t.Read(L"MyFile.TXT.velkaro1\\inside.txt"), "one");
}

TEST(FileOps, CaseOnlyRenameOfAnOpenFileLosesNothing) {
    TempFolder t;
    t.Write(L"Keep.txt", "keep");
    // Whichever step the open handle makes fail, the file must never stay parked under
    // the temporary name.
    HANDLE h = CreateFileW((t / L"Keep.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const bool renamed = RenomeiaNaPasta(t.Path(), L"Keep.txt", L"keep.txt");
    CloseHandle(h);
    if (renamed) {
        EXPECT_EQ(t.Names(), std::set<std::wstring>({L"keep.txt"}));
    } else {
        EXPECT_EQ(t.Names(), std::set<std::wstring>({L"Keep.txt"}));
    }
    EXPECT_EQ(t.Read(L"Keep.txt"), "keep");
}

// The platform refuses both the second step and the way back: the file stays parked, under a
// name that begins with its own, and the caller learns where.
TEST(FileOps, CaseOnlyRenameStuckHalfWayTellsWhereTheFileIs) {
    TempFolder t;
    t.Write(L"MyFile.TXT", "data");
    int moves = 0;
    const MoveArquivo firstStepOnly = [&](const std::wstring& de, const std::wstring& para) {
        return ++moves == 1 && MoveDoSistema(de, para);
    };
    std::wstring preso = L"leftover";
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"MyFile.TXT", L"myfile.txt", &preso, firstStepOnly));
    EXPECT_EQ(moves, 3);
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"MyFile.TXT.velkaro0"}));
    EXPECT_EQ(preso, t / L"MyFile.TXT.velkaro0");
    EXPECT_EQ(t.Read(L"MyFile.TXT.velkaro0"), "data");

    // A rename that goes back cleanly reports nothing.
    t.Write(L"Other.TXT", "o");
    moves = 0;
    const MoveArquivo secondStepFails = [&](const std::wstring& de, const std::wstring& para) {
        return ++moves != 2 && MoveDoSistema(de, para);
    };
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"Other.TXT", L"other.txt", &preso, secondStepFails));
    EXPECT_TRUE(preso.empty());
    EXPECT_EQ(t.Read(L"Other.TXT"), "o");
}

TEST(FileOps, RenameOfMissingFileFails) {
    TempFolder t;
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"none.txt", L"NONE.TXT"));
    EXPECT_FALSE(RenomeiaNaPasta(t.Path(), L"none.txt", L"other.txt"));
    EXPECT_TRUE(t.Names().empty());
}

TEST(FileOps, CopyNeverOverwritesAndRefusesItsOwnSource) {
    TempFolder t;
    t.MakeDir(L"dst");
    t.Write(L"a.txt", "new");
    t.Write(L"dst\\a.txt", "old");
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"dst\\a.txt"));
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"dst\\A.TXT"));
    EXPECT_EQ(t.Read(L"dst\\a.txt"), "old");
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"a.txt"));
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"A.TXT"));
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t.Path() + L"\\dst\\..\\a.txt"));
    EXPECT_EQ(t.Read(L"a.txt"), "new");
    t.MakeDir(L"dst\\pasta.txt");  // a folder takes a name as well
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"dst\\pasta.txt"));
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"dst\\PASTA.TXT"));
    EXPECT_EQ(t.Names(L"dst\\pasta.txt"), std::set<std::wstring>());
    EXPECT_TRUE(CopiaSemSobrescrever(t / L"a.txt", t / L"dst\\b.txt"));
    EXPECT_EQ(t.Read(L"dst\\b.txt"), "new");
}

TEST(FileOps, CopyIntoMissingFolderFails) {
    TempFolder t;
    t.Write(L"a.txt");
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"a.txt", t / L"nowhere\\a.txt"));
    EXPECT_FALSE(CopiaSemSobrescrever(t / L"missing.txt", t / L"b.txt"));
}

TEST(FileOps, LargeCopyKeepsEveryByte) {
    TempFolder t;
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
    t.Write(L"big.bin", big);
    t.MakeDir(L"d");
    ASSERT_TRUE(CopiaSemSobrescrever(t / L"big.bin", t / L"d\\big.bin"));
    HANDLE h = CreateFileW((t / L"d\\big.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string back(big.size() + 1, '\0');
    DWORD got = 0;
    ReadFile(h, &back[0], static_cast<DWORD>(back.size()), &got, nullptr);
    CloseHandle(h);
    back.resize(got);
    EXPECT_TRUE(back == big);
}

TEST(FileOps, FreeNameForASecondCopy) {
    TempFolder t;
    EXPECT_EQ(NomeLivre(t.Path(), L"a.txt"), L"a.txt");
    t.Write(L"a.txt");
    EXPECT_EQ(NomeLivre(t.Path(), L"a.txt"), L"a - Cópia.txt");
    EXPECT_EQ(NomeLivre(t.Path(), L"A.TXT"), L"A - Cópia.TXT");  // the file system ignores case
    t.Write(L"a - Cópia.txt");
    EXPECT_EQ(NomeLivre(t.Path(), L"a.txt"), L"a - Cópia (2).txt");
    t.Write(L"arq.tar.gz");
    EXPECT_EQ(NomeLivre(t.Path(), L"arq.tar.gz"), L"arq.tar - Cópia.gz");
    t.Write(L"README");
    EXPECT_EQ(NomeLivre(t.Path(), L"README"), L"README - Cópia");
    t.Write(L".profile");
    EXPECT_EQ(NomeLivre(t.Path(), L".profile"), L".profile - Cópia");
    t.MakeDir(L"pasta.txt");  // a folder takes the name as well
    EXPECT_EQ(NomeLivre(t.Path(), L"pasta.txt"), L"pasta - Cópia.txt");
}

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "../core/FolderWalk.h"
#include "../core/PathParts.h"
#include "TempFolder.h"

using namespace velkaro;

namespace {

struct Walk {
    std::vector<std::wstring> entries;
    int yields = 0;
    GanchosDaVarredura hooks;
    int flag;
    explicit Walk(int f) : flag(f) {
        hooks.adiciona = [this](const std::wstring& p, const std::wstring& n) {
            entries.push_back(TextoDoItem(flag, p, n));
        };
        hooks.cede = [this] { ++yields; };
    }
    std::vector<std::wstring> Run(const std::wstring& folder, const std::wstring& filter) {
        Varredura(flag, filter, hooks).Percorre(folder);
        return entries;
    }
};

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
}

}  // namespace

TEST(FolderWalk, FlatModeListsBareNamesThroughTheFilter) {
    TempFolder t;
    t.Write(L"a.txt");
    t.Write(L"b.doc");
    t.Write(L"README");
    t.MakeDir(L"sub");
    t.Write(L"sub\\c.txt");
    Walk w(0);
    EXPECT_EQ(Sorted(w.Run(t.Path(), L"*.txt")), std::vector<std::wstring>({L"a.txt"}));
    Walk all(2);  // a greyed switch stays in the folder too
    EXPECT_EQ(Sorted(all.Run(t.Path(), L"*.*")), std::vector<std::wstring>({L"README", L"a.txt", L"b.doc"}));
    EXPECT_EQ(all.yields, 1);
}

TEST(FolderWalk, SubFolderModeIsDepthFirstWithFilesBeforeSubFolders) {
    TempFolder t;
    t.Write(L"top.txt");
    t.MakeDir(L"a");
    t.Write(L"a\\x.txt");
    t.MakeDir(L"a\\deep");
    t.Write(L"a\\deep\\y.txt");
    t.MakeDir(L"b");
    t.Write(L"b\\z.txt");
    Walk w(1);
    const auto got = w.Run(t.Path() + L"\\", L"*.txt");  // a trailing separator is tidied like the folder service does
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], t / L"top.txt");
    // Each sub-folder's whole tree comes before the next sub-folder.
    const auto pos = [&](const std::wstring& e) { return std::find(got.begin(), got.end(), e) - got.begin(); };
    const auto x = pos(t / L"a\\x.txt"), y = pos(t / L"a\\deep\\y.txt"), z = pos(t / L"b\\z.txt");
    ASSERT_LT(x, 4);
    ASSERT_LT(y, 4);
    ASSERT_LT(z, 4);
    EXPECT_EQ(y, x + 1);
    EXPECT_TRUE(z < x || z > y);
    EXPECT_EQ(w.yields, 4);
}

TEST(FolderWalk, MissingFolderListsNothing) {
    Walk w(1);
    EXPECT_TRUE(w.Run(L"Z:\\tmp\\velkaro-no-such-folder\\x", L"*.*").empty());
    EXPECT_TRUE(w.Run(L"", L"*.*").empty());
}

TEST(FolderWalk, StopEndsFileLoopAfterCurrentFileButEntersFirstSubFolder) {
    TempFolder t;
    for (int i = 0; i < 5; ++i) t.Write(L"f" + std::to_wstring(i) + L".txt");
    t.MakeDir(L"s1");
    t.Write(L"s1\\g1.txt");
    t.Write(L"s1\\g2.txt");
    t.MakeDir(L"s2");
    t.Write(L"s2\\h.txt");
    Walk w(1);
    bool stop = false;
    w.hooks.parar = [&] { return stop; };
    w.hooks.cede = [&] { stop = true; };  // the stop button is pressed during the first yield
    const auto got = w.Run(t.Path(), L"*.*");
    // All five top files, then one file of the first sub-folder, then nothing more.
    EXPECT_EQ(got.size(), 6u);
}

TEST(FolderWalk, ObsoleteWalkAddsNothingMore) {
    TempFolder t;
    t.Write(L"a.txt");
    t.Write(L"b.txt");
    t.MakeDir(L"s");
    t.Write(L"s\\c.txt");
    Walk w(1);
    bool obsolete = false;
    w.hooks.obsoleta = [&] { return obsolete; };
    w.hooks.adiciona = [&](const std::wstring& p, const std::wstring& n) {
        w.entries.push_back(TextoDoItem(1, p, n));
        obsolete = true;  // a new refresh started right after the first entry
    };
    EXPECT_EQ(w.Run(t.Path(), L"*.*").size(), 1u);
}

TEST(FolderWalk, LinkedFoldersAreNotEnteredAndLoopsEnd) {
    TempFolder t;
    t.MakeDir(L"real");
    t.Write(L"real\\r.txt");
    // A link back to the top and one to a sibling: neither may be walked through.
    const bool loop = CreateSymbolicLinkW((t / L"real\\loop").c_str(), t.Path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const bool side = CreateSymbolicLinkW((t / L"side").c_str(), (t / L"real").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (!loop && !side) GTEST_SKIP() << "this system makes no symbolic links";
    Walk w(1);
    const auto got = w.Run(t.Path(), L"*.*");
    EXPECT_EQ(got, std::vector<std::wstring>({t / L"real\\r.txt"}));
}

TEST(FolderWalk, DepthIsBounded) {
    TempFolder t;
    std::wstring rel;
    // Deeper than the bound, but short names so the path stays valid.
    for (int i = 0; i < Varredura::kProfundidadeMaxima + 3; ++i) {
        rel += (rel.empty() ? L"" : L"\\") + std::wstring(L"d");
        t.MakeDir(rel);
        t.Write(rel + L"\\f.txt");
    }
    Walk w(1);
    EXPECT_EQ(w.Run(t.Path(), L"*.*").size(), static_cast<size_t>(Varredura::kProfundidadeMaxima));
}

// The window's big-folder paths (the list filled in batches, select all in one message, the
// selection read in one call) on folders large enough to cross their batch edges: the list
// holds every file in the walk's order, and the rename leaves every name as the rule says.
#include <functional>

#include "WindowFixture.h"

namespace {

// The files of one folder in the order the folder service gives them.
std::vector<std::wstring> InWalkOrder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

std::wstring Numbered(const wchar_t* prefix, int i, const wchar_t* ext) {
    wchar_t buf[64];
    swprintf(buf, 64, L"%ls%04d%ls", prefix, i, ext);
    return buf;
}

int SelectedCount(forms::ListBox& l) { return static_cast<int>(SendMessageW(l.Hwnd(), LB_GETSELCOUNT, 0, 0)); }

class ManyFiles : public Window {
protected:
    void DeletePiece(const wchar_t* piece) {
        SetWindowTextW(f->Procura.Hwnd(), piece);
        f->Inserir.SetListIndex(0);  // Excluir
        Click(f->Ok);
    }
};

TEST_F(ManyFiles, FlatFolderListedSelectedAndRenamedWhole) {
    const int n = 1500;
    for (int i = 0; i < n; ++i) t.Write(Numbered(L"foto_", i, L".jpg"), std::to_string(i));
    for (int i = 0; i < 20; ++i) t.Write(Numbered(L"nota", i, L".txt"));
    Open();
    EXPECT_EQ(Entries(), InWalkOrder(t.Path()));

    Click(f->Tudo);
    EXPECT_EQ(f->TotalSelecionados, n + 20);
    EXPECT_EQ(SelectedCount(f->SubPastas), n + 20);
    EXPECT_EQ(f->SubPastas.ListIndex(), n + 19);  // the focus ends on the last entry
    EXPECT_TRUE(IsWindowEnabled(f->Ok.Hwnd()));

    // The user takes every third entry out again: the click counts what is left.
    for (int i = 0; i < n + 20; i += 3) SendMessageW(f->SubPastas.Hwnd(), LB_SETSEL, FALSE, i);
    Command(f->SubPastas, LBN_SELCHANGE);
    const int kept = n + 20 - (n + 20 + 2) / 3;
    EXPECT_EQ(f->TotalSelecionados, kept);
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : " + std::to_wstring(kept));

    const std::vector<std::wstring> before = Entries();
    DeletePiece(L"foto_");
    std::set<std::wstring> want;
    for (size_t i = 0; i < before.size(); ++i) {
        const std::wstring& name = before[i];
        const bool renamed = i % 3 != 0 && name.compare(0, 5, L"foto_") == 0;
        want.insert(renamed ? name.substr(5) : name);
    }
    EXPECT_EQ(t.Names(), want);
    // Contents travel with their names.
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] != L"foto_0777.jpg") continue;
        EXPECT_EQ(t.Read(i % 3 != 0 ? L"0777.jpg" : L"foto_0777.jpg"), "777");
    }
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : " + std::to_wstring(kept) +
                                         L"     Total de arquivos Processados: " + std::to_wstring(kept));
    // The re-list shows the new names, nothing selected.
    EXPECT_EQ(Entries(), InWalkOrder(t.Path()));
    EXPECT_EQ(SelectedCount(f->SubPastas), 0);
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));
}

TEST_F(ManyFiles, TreeListedFolderByFolderAndRenamedInPlace) {
    // Several folders, so the list is filled in several batches with a yield between them.
    const std::vector<std::wstring> folders = {L"a", L"a\\b", L"c"};
    for (const auto& d : folders) t.MakeDir(d);
    for (int i = 0; i < 300; ++i) t.Write(Numbered(L"x_", i, L".dat"));
    for (const auto& d : folders)
        for (int i = 0; i < 200; ++i) t.Write(d + L"\\" + Numbered(L"x_", i, L".dat"));
    Open();
    f->Exibe_SubPastas.SetValue(1);
    // Depth first: a folder's files, then each sub-folder's tree.
    std::vector<std::wstring> expected;
    const std::function<void(const std::wstring&)> walk = [&](const std::wstring& folder) {
        for (const auto& name : InWalkOrder(folder)) expected.push_back(folder + L"\\" + name);
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
        std::vector<std::wstring> subs;
        do {
            const std::wstring name = fd.cFileName;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") subs.push_back(name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        for (const auto& s : subs) walk(folder + L"\\" + s);
    };
    walk(t.Path());
    EXPECT_EQ(Entries(), expected);

    Click(f->Tudo);
    EXPECT_EQ(SelectedCount(f->SubPastas), 900);
    DeletePiece(L"x_");
    std::set<std::wstring> renamed;
    for (int i = 0; i < 200; ++i) renamed.insert(Numbered(L"", i, L".dat"));
    for (const auto& d : folders) EXPECT_EQ(t.Names(d).size(), d == L"a" ? 201u : 200u) << testing::PrintToString(d);
    std::set<std::wstring> top = renamed;
    for (int i = 200; i < 300; ++i) top.insert(Numbered(L"", i, L".dat"));
    top.insert(L"a");
    top.insert(L"c");
    EXPECT_EQ(t.Names(), top);
    EXPECT_EQ(t.Names(L"c"), renamed);
    EXPECT_EQ(t.Names(L"a\\b"), renamed);
    EXPECT_EQ(f->SubPastas.ListCount(), 900);
}

}  // namespace

// The main window run headless: created hidden, driven through its controls' window messages
// and handlers, with the message box answered by the test; results checked on disk.
#include "WindowFixture.h"

using velkaro::FormVelkaro;

namespace {

TEST_F(Window, OpensWithItsDesignState) {
    Open(/*startUp=*/false);
    EXPECT_EQ(f->Propaganda2.Caption().size(), 273u);
    EXPECT_TRUE(f->Timer1.Enabled());
    f->Timer1_Timer();
    RECT client;
    GetClientRect(f->Hwnd(), &client);
    EXPECT_EQ(client.right, 680);
    EXPECT_EQ(client.bottom, 591);
    EXPECT_EQ(GetWindowLongW(f->Hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(WindowText(f->Hwnd()), L"Velkaro");

    const RECT lista = Place(f->SubPastas.Hwnd());  // 2820, 1425, 7200 x 3660 twips
    EXPECT_EQ(lista.left, 188);
    EXPECT_EQ(lista.top, 95);
    EXPECT_EQ(lista.right - lista.left, 480);
    EXPECT_EQ(lista.bottom - lista.top, 244);
    const RECT ok = Place(f->Ok.Hwnd());  // 8685, 5955, 1350 x 525
    EXPECT_EQ(ok.left, 579);
    EXPECT_EQ(ok.top, 397);
    EXPECT_EQ(ok.right - ok.left, 90);
    EXPECT_EQ(ok.bottom - ok.top, 35);

    EXPECT_EQ(WindowText(f->Ok.Hwnd()), L"&Processar Alterações");
    EXPECT_EQ(WindowText(f->Tudo.Hwnd()), L"Selecionar Tudo");
    EXPECT_EQ(WindowText(f->Interromper.Hwnd()), L"Interromper Busca");
    EXPECT_EQ(WindowText(f->Filtro.Hwnd()), L"*.*");
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(f->Interromper.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(f->Drive1.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(f->Dir1.Hwnd()));
    EXPECT_TRUE(Checked(f->Alterar));
    EXPECT_FALSE(Checked(f->Criar));
    EXPECT_TRUE(Checked(f->Antes));
    EXPECT_EQ(f->Transformar.Text(), L"Não Alterar");
    EXPECT_EQ(f->Transformar.ListCount(), 6);
    // The start-up step chose "Inserir".
    EXPECT_EQ(f->Inserir.ListIndex(), 1);
    EXPECT_TRUE(f->Propaganda2.Visible());
    EXPECT_FALSE(f->Propaganda0.Visible());
    EXPECT_FALSE(f->Invisiveis.Visible());
    EXPECT_EQ(f->Invisiveis.Caption(), L"Objetos Invisíveis");
    EXPECT_FALSE(f->Timer1.Enabled());
    EXPECT_EQ(f->Timer1.Interval(), 100u);
}

TEST_F(Window, RenameAndCopyBoxesActAsARadioPair) {
    Open();
    Click(f->Alterar);  // clicking the checked box keeps it checked
    EXPECT_TRUE(Checked(f->Alterar));
    EXPECT_FALSE(Checked(f->Criar));
    Click(f->Criar);
    EXPECT_FALSE(Checked(f->Alterar));
    EXPECT_TRUE(Checked(f->Criar));
    EXPECT_TRUE(IsWindowEnabled(f->Drive1.Hwnd()));
    EXPECT_TRUE(IsWindowEnabled(f->Dir1.Hwnd()));
    Click(f->Criar);
    EXPECT_TRUE(Checked(f->Criar));
    Click(f->Alterar);
    EXPECT_TRUE(Checked(f->Alterar));
    EXPECT_FALSE(Checked(f->Criar));
    EXPECT_FALSE(IsWindowEnabled(f->Drive1.Hwnd()));
    EXPECT_FALSE(f->Ocupado);
}

TEST_F(Window, OperationChoiceSetsItsBoxes) {
    Open();
    f->Antes.SetValue(0);
    SetWindowTextW(f->Acrescenta.Hwnd(), L"texto");
    f->Inserir.SetListIndex(0);  // Excluir
    EXPECT_EQ(f->Acrescenta.Text(), L"");
    EXPECT_FALSE(IsWindowEnabled(f->Acrescenta.Hwnd()));
    EXPECT_EQ(f->Acrescenta.BackColor(), 0x808080u);
    EXPECT_TRUE(Checked(f->Antes));
    EXPECT_FALSE(IsWindowEnabled(f->Antes.Hwnd()));
    EXPECT_EQ(f->O_Texto.Caption(), L"O Texto:");
    f->Inserir.SetListIndex(2);  // Alterar
    EXPECT_EQ(f->O_Texto.Caption(), L"Para:");
    EXPECT_TRUE(IsWindowEnabled(f->Acrescenta.Hwnd()));
    EXPECT_EQ(f->Acrescenta.Text(), L"");
    SendMessageW(f->Inserir.Hwnd(), CB_SETCURSEL, 1, 0);  // the user picks "Inserir"
    Command(f->Inserir, CBN_SELCHANGE);
    EXPECT_EQ(f->O_Texto.Caption(), L"O Texto:");
    EXPECT_TRUE(IsWindowEnabled(f->Antes.Hwnd()));
    EXPECT_TRUE(Checked(f->Antes));
    EXPECT_EQ(f->Acrescenta.BackColor(), 0xFFFFFFu);
}

TEST_F(Window, ListsThroughFilterAndSubFolderSwitch) {
    t.Write(L"a.txt");
    t.Write(L"b.doc");
    t.Write(L"README");
    t.MakeDir(L"sub");
    t.Write(L"sub\\c.txt");
    Open();
    EXPECT_EQ(Sorted(Entries()), std::vector<std::wstring>({L"README", L"a.txt", L"b.doc"}));
    SetFilter(L"*.TXT");
    EXPECT_EQ(Entries(), std::vector<std::wstring>({L"a.txt"}));
    Click(f->Exibe_SubPastas);
    EXPECT_EQ(Sorted(Entries()), std::vector<std::wstring>({t / L"a.txt", t / L"sub\\c.txt"}));
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(f->Interromper.Hwnd()));
    // Highlighting a sub-folder in the folder list lists that folder.
    Click(f->Exibe_SubPastas);
    SetFilter(L"*.*");
    const int row = static_cast<int>(SendMessageW(f->DirListBox.Hwnd(), LB_GETCURSEL, 0, 0));
    SendMessageW(f->DirListBox.Hwnd(), LB_SETCURSEL, row + 1, 0);
    Command(f->DirListBox, LBN_SELCHANGE);
    EXPECT_EQ(Entries(), std::vector<std::wstring>({L"c.txt"}));
    // A folder that went away lists nothing and says nothing.
    t.MakeDir(L"gone");
    OpenFolder(t / L"gone");
    RemoveDirectoryW((t / L"gone").c_str());
    f->DirListBox_Click();
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Window, SelectionCountShowsAndEnablesOk) {
    t.Write(L"a.txt");
    t.Write(L"b.txt");
    t.Write(L"c.txt");
    Open();
    SelectInList({0, 2});
    EXPECT_EQ(f->TotalSelecionados, 2);
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 2");
    EXPECT_TRUE(IsWindowEnabled(f->Ok.Hwnd()));
    EXPECT_EQ(f->FileList.Caption(), Entries()[2]);
    f->SubPastas.Clear();
    Click(f->Tudo);  // on an empty list
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 0");
    EXPECT_TRUE(IsWindowEnabled(f->Ok.Hwnd()));
}

TEST_F(Window, RenamesSelectedFilesInPlace) {
    t.Write(L"Foto_001.JPG", "1");
    t.Write(L"Foto_002.JPG", "2");
    t.Write(L"outro.txt", "3");
    Open();
    SetWindowTextW(f->Procura.Hwnd(), L"foto_");
    f->Inserir.SetListIndex(2);
    SetWindowTextW(f->Acrescenta.Hwnd(), L"Ferias_");
    SetWindowTextW(f->Transformar.Hwnd(), L"Tudo Minusculo Extensão Maiusculo");
    Click(f->Tudo);
    Click(f->Ok);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Confirma o Processamento dos Arquivos?");
    EXPECT_EQ(boxes[0].title, L"Velkaro");
    EXPECT_EQ(boxes[0].style, 4u);
    EXPECT_EQ(boxes[0].owner, f->Hwnd());  // owned by the form, whichever window is active
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"ferias_001.JPG", L"ferias_002.JPG", L"outro.txt"}));
    EXPECT_EQ(t.Read(L"ferias_002.JPG"), "2");
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 3     Total de arquivos Processados: 3");
    EXPECT_EQ(Sorted(Entries()), std::vector<std::wstring>({L"ferias_001.JPG", L"ferias_002.JPG", L"outro.txt"}));
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));
}

// The window's own boxes make the rule: the case-sensitive search and the insert after the
// found text, each set the way the user sets it.
TEST_F(Window, CaseSensitiveSearchAndInsertAfterComeFromTheBoxes) {
    struct Row {
        const wchar_t* folder;
        int maiuscula, antes;
        std::set<std::wstring> names;
    } rows[] = {
        {L"sensitive", 1, 1, {L"foto1.jpg", L"X-Foto2.jpg"}},  // with case counting only Foto2 holds "Foto"
        {L"insensitive", 0, 1, {L"X-foto1.jpg", L"X-Foto2.jpg"}},
        {L"after", 1, 0, {L"foto1.jpg", L"FotoX-2.jpg"}},
    };
    for (const Row& r : rows) {
        t.MakeDir(r.folder);
        t.Write(std::wstring(r.folder) + L"\\foto1.jpg");
        t.Write(std::wstring(r.folder) + L"\\Foto2.jpg");
    }
    Open();
    SetWindowTextW(f->Procura.Hwnd(), L"Foto");
    f->Inserir.SetListIndex(1);
    SetWindowTextW(f->Acrescenta.Hwnd(), L"X-");
    for (const Row& r : rows) {
        OpenFolder(t / r.folder);
        f->Maiuscula.SetValue(r.maiuscula);
        f->Antes.SetValue(r.antes);
        Click(f->Tudo);
        Click(f->Ok);
        EXPECT_EQ(t.Names(r.folder), r.names) << testing::PrintToString(std::wstring(r.folder));
    }
}

TEST_F(Window, AnswerNoChangesNothing) {
    t.Write(L"abc.txt");
    Open();
    f->Inserir.SetListIndex(0);
    Click(f->Tudo);
    answers = {IDNO};
    Click(f->Ok);
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"abc.txt"}));
    EXPECT_TRUE(f->SubPastas.Selected(0));
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 1");
}

TEST_F(Window, CaseOnlyRenameIsCarriedOut) {
    t.Write(L"MyFile.TXT", "m");
    Open();
    f->Inserir.SetListIndex(0);
    SetWindowTextW(f->Transformar.Hwnd(), L"Tudo em Minusculo");
    Click(f->Tudo);
    Click(f->Ok);
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"myfile.txt"}));
    EXPECT_EQ(t.Read(L"myfile.txt"), "m");
}

TEST_F(Window, HostileNewNamesAreSkippedButCounted) {
    t.MakeDir(L"in");
    t.Write(L"in\\a.txt", "a");
    t.Write(L"in\\b.txt", "b");
    t.Write(L"in\\c.txt", "c");
    Open();
    OpenFolder(t / L"in");
    SetWindowTextW(f->Procura.Hwnd(), L"a.txt");
    f->Inserir.SetListIndex(2);
    const wchar_t* hostile[] = {L"..\\escaped.txt", L"NUL", L"x:y", L".."};
    for (const wchar_t* h : hostile) {
        SetWindowTextW(f->Acrescenta.Hwnd(), h);
        SelectInList({0, 1, 2});
        Click(f->Ok);
        EXPECT_EQ(t.Names(L"in"), std::set<std::wstring>({L"a.txt", L"b.txt", L"c.txt"}))
            << testing::PrintToString(std::wstring(h));
        EXPECT_EQ(t.Names(), std::set<std::wstring>({L"in"})) << testing::PrintToString(std::wstring(h));
        EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 3     Total de arquivos Processados: 3");
    }
}

TEST_F(Window, CopiesIntoDestinationWithoutOverwriting) {
    t.MakeDir(L"src");
    t.MakeDir(L"src\\one");
    t.MakeDir(L"src\\two");
    t.MakeDir(L"dst");
    t.Write(L"src\\one\\same.txt", "first");
    t.Write(L"src\\two\\same.txt", "second");
    t.Write(L"src\\kept.txt", "new");
    t.Write(L"dst\\kept.txt", "old");
    Open();
    OpenFolder(t / L"src");
    Click(f->Exibe_SubPastas);
    Click(f->Criar);
    f->Dir1.SetPath(t / L"dst");
    f->Inserir.SetListIndex(0);  // empty search + delete: every name as it is
    Click(f->Tudo);
    Click(f->Ok);
    EXPECT_EQ(t.Names(L"dst"), std::set<std::wstring>({L"kept.txt", L"same.txt"}));
    EXPECT_EQ(t.Read(L"dst\\kept.txt"), "old");
    const std::string same = t.Read(L"dst\\same.txt");
    EXPECT_TRUE(same == "first" || same == "second") << same;
    EXPECT_EQ(t.Read(L"src\\one\\same.txt"), "first");
    EXPECT_EQ(t.Read(L"src\\two\\same.txt"), "second");

    // Copying onto the source itself is refused and the file stays whole.
    Click(f->Exibe_SubPastas);
    f->Dir1.SetPath(t / L"src");
    Click(f->Tudo);
    Click(f->Ok);
    EXPECT_EQ(t.Read(L"src\\kept.txt"), "new");
    EXPECT_EQ(t.Names(L"src"), std::set<std::wstring>({L"kept.txt", L"one", L"two"}));
}

TEST_F(Window, RefreshDuringWalkLeavesOnlyTheNewWalksEntries) {
    t.Write(L"top.txt");
    for (int i = 0; i < 3; ++i) {
        t.MakeDir(L"s" + std::to_wstring(i));
        t.Write(L"s" + std::to_wstring(i) + L"\\deep.txt");
    }
    Open();
    f->Exibe_SubPastas.SetValue(1);  // lists the tree; now walk again and untick it mid-walk
    Click(f->Exibe_SubPastas, /*post=*/true);
    f->AtualizaLista();
    EXPECT_EQ(f->Exibe_SubPastas.Value(), 0);
    EXPECT_EQ(Entries(), std::vector<std::wstring>({L"top.txt"}));
    EXPECT_FALSE(IsWindowEnabled(f->Interromper.Hwnd()));
}

TEST_F(Window, StopButtonEndsTheWalk) {
    for (int i = 0; i < 3; ++i) t.Write(L"f" + std::to_wstring(i) + L".txt");
    t.MakeDir(L"s1");
    t.Write(L"s1\\a.txt");
    t.Write(L"s1\\b.txt");
    t.MakeDir(L"s2");
    t.Write(L"s2\\c.txt");
    Open();
    f->Exibe_SubPastas.SetValue(1);
    Click(f->Interromper, /*post=*/true);  // pressed while the walk yields
    f->AtualizaLista();
    EXPECT_EQ(Entries().size(), 4u);  // the top files and the first file of the first sub-folder
    EXPECT_FALSE(IsWindowEnabled(f->Interromper.Hwnd()));
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));
}

TEST_F(Window, ClosingDuringWalkEndsCleanly) {
    t.Write(L"a.txt");
    t.MakeDir(L"s");
    t.Write(L"s\\b.txt");
    Open();
    f->Exibe_SubPastas.SetValue(1);
    const RECT r = f->Fechar.Retangulo();
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(f->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(f->Hwnd(), WM_LBUTTONUP, 0, at);
    f->AtualizaLista();
    EXPECT_FALSE(f->Loaded());
    EXPECT_TRUE(forms::Ending());
    EXPECT_FALSE(f->ftp1.Exists());
    // The walk stopped at the close: nothing of the sub-folder came in after it.
    EXPECT_EQ(f->SubPastas.ListCount(), 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(Window, DriveNotReadyAsksUntilCancelThenGoesBack) {
    const auto machineDrives = forms::DriveList::FonteDeDrives;
    forms::DriveList::FonteDeDrives = [] { return std::vector<std::wstring>{L"c:", L"q:", L"z:"}; };
    Open();
    forms::DriveList::FonteDeDrives = machineDrives;
    const std::wstring before = f->DirListBox.Path();
    answers = {IDOK, IDCANCEL};
    SendMessageW(f->DriveListBox.Hwnd(), CB_SETCURSEL, 1, 0);
    Command(f->DriveListBox, CBN_SELCHANGE);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Error: 68: Dispositivo não disponível");
    EXPECT_EQ(boxes[0].title, L"No Data");
    EXPECT_EQ(boxes[0].style, 49u);
    EXPECT_EQ(f->DriveListBox.Drive(), L"z:");
    EXPECT_EQ(SendMessageW(f->DriveListBox.Hwnd(), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(f->DirListBox.Path(), before);
    EXPECT_EQ(forms::Err::Number(), 0);
}

TEST_F(Window, RunsWithoutTheControl) {
    Open();
    EXPECT_FALSE(f->ftp1.Exists());  // not registered in this prefix
    f->Fechar_Click();                // its Abort fails quietly; the window still goes
    EXPECT_FALSE(f->Loaded());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Window, CollidingNewNamesKeepTheSecondFileAsItIs) {
    t.Write(L"a_b.txt", "first");
    t.Write(L"ab_.txt", "second");
    Open();
    SetWindowTextW(f->Procura.Hwnd(), L"_");
    f->Inserir.SetListIndex(0);
    Click(f->Tudo);
    Click(f->Ok);
    const auto names = t.Names();
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(names.count(L"ab.txt"), 1u);
    EXPECT_TRUE(names.count(L"a_b.txt") + names.count(L"ab_.txt") == 1u);
    const std::string renamed = t.Read(L"ab.txt");
    EXPECT_TRUE(renamed == "first" || renamed == "second");
}

TEST_F(Window, CommandLineModeHidesAndUnloads) {
    SetCurrentDirectoryW(t.Path().c_str());
    for (const wchar_t* line : {L"x", L"a|b", L"a|b|c|mensagem"}) {
        f.reset(new FormVelkaro);
        ASSERT_TRUE(f->Carrega());
        f->Form_Load(line);
        EXPECT_FALSE(f->Loaded()) << testing::PrintToString(std::wstring(line));
        EXPECT_FALSE(f->Timer1.Enabled());
        EXPECT_EQ(f->CodigoDeSaida(), 1);  // nothing was copied
    }
}

TEST_F(Window, CountsPastSixteenBits) {
    Open();
    f->SubPastas.Clear();
    const int n = 40000;
    for (int i = 0; i < n; ++i) f->SubPastas.AddItem(L"f" + std::to_wstring(i));
    Click(f->Tudo);
    EXPECT_EQ(f->TotalSelecionados, n);
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 40000");
    EXPECT_TRUE(f->SubPastas.Selected(n - 1));
    Command(f->SubPastas, LBN_SELCHANGE);
    EXPECT_EQ(f->TotalSelecionados, n);
}

TEST_F(Window, NoSelectionStillAsksAndTouchesNothing) {
    t.Write(L"abc.txt");
    Open();
    f->Inserir.SetListIndex(0);
    SetWindowTextW(f->Transformar.Hwnd(), L"Tudo em Maiusculo");
    Command(f->SubPastas, LBN_SELCHANGE);  // a click that leaves nothing selected
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 0");
    Click(f->Ok);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(t.Names(), std::set<std::wstring>({L"abc.txt"}));
    EXPECT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 0");
    EXPECT_FALSE(IsWindowEnabled(f->Ok.Hwnd()));  // the list was walked anew
}

// Under Wine a face that is not installed is drawn with another one, and a wider face cuts a
// text: a label wraps what does not fit onto a line below that its height cannot show, a
// button draws it over its frame. Each fixed text is measured in the font its control draws
// with, against the room inside the control: on one line where that room holds one line,
// word-wrapped as the control wraps it where the design gives it several.
class Texts : public Window {
protected:
    void ExpectFits(const std::wstring& control, HWND dcOf, HFONT font, const std::wstring& text, RECT room,
                    UINT format) {
        const int width = room.right - room.left, height = room.bottom - room.top;
        std::wstring shown = text;  // without the access key's marker, which is not drawn
        if (!(format & DT_NOPREFIX)) shown.erase(std::remove(shown.begin(), shown.end(), L'&'), shown.end());
        HDC dc = GetDC(dcOf);
        HGDIOBJ old = SelectObject(dc, font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, face);
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        SIZE extent;
        GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
        RECT wrapped = {0, 0, width, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped, format | DT_WORDBREAK | DT_CALCRECT);
        SelectObject(dc, old);
        ReleaseDC(dcOf, dc);
        const std::string about = Utf8(control + L": \"" + text + L"\" in " + face) + ", " +
                                  std::to_string(extent.cx) + " px wide, room " + std::to_string(width) + " x " +
                                  std::to_string(height) + " px";
        if (height < 2 * tm.tmHeight) {
            EXPECT_LE(extent.cx, width) << about;
        } else {
            EXPECT_LE(wrapped.right, width) << about << ", a word is wider than the room";
            EXPECT_LE(wrapped.bottom, height) << about << ", " << wrapped.bottom << " px high once wrapped";
        }
    }
    void ExpectFits(forms::Label& l, bool bordered) {
        RECT room = l.Retangulo();
        if (bordered) InflateRect(&room, -2, -2);  // the sunken edge it draws inside its place
        ExpectFits(l.Nome(), f->Hwnd(), f->Fonte(l.Font()), l.Caption(), room, DT_NOPREFIX | DT_EDITCONTROL);
    }
    void ExpectFits(forms::Button& b) {
        RECT room;
        GetClientRect(b.Hwnd(), &room);
        InflateRect(&room, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));  // its raised frame
        ExpectFits(b.Nome(), b.Hwnd(), Font(b), WindowText(b.Hwnd()), room, DT_CENTER);
    }
    // A text box's text, or a combo box's own field, on its one line.
    void ExpectFitsTheField(forms::Control& c, HWND edit) {
        RECT room;
        SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
        ExpectFits(c.Nome(), edit, Font(c), WindowText(edit), room, DT_NOPREFIX | DT_SINGLELINE);
    }
    void ExpectFitsTheField(forms::ComboBox& c) {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetComboBoxInfo(c.Hwnd(), &info));
        ExpectFitsTheField(c, info.hwndItem);
    }
    // Every entry of a combo box's open list, which leaves room for its scroll bar.
    void ExpectFitsTheList(forms::ComboBox& c) {
        const int width = static_cast<int>(SendMessageW(c.Hwnd(), CB_GETDROPPEDWIDTH, 0, 0)) -
                          GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXBORDER);
        const RECT room = {0, 0, width, 1};
        for (int i = 0; i < c.ListCount(); ++i)
            ExpectFits(c.Nome() + L" list", c.Hwnd(), Font(c), c.List(i), room, DT_NOPREFIX | DT_SINGLELINE);
    }
    static HFONT Font(forms::Control& c) { return reinterpret_cast<HFONT>(SendMessageW(c.Hwnd(), WM_GETFONT, 0, 0)); }
    static std::string Utf8(const std::wstring& w) {
        std::string s(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], static_cast<int>(s.size()), nullptr, nullptr);
        s.pop_back();
        return s;
    }
};

TEST_F(Texts, EveryFixedTextOfTheWindowFits) {
    Open(/*startUp=*/false);  // the design state, with the window's own advert
    const struct {
        forms::Label& label;
        bool bordered;
    } labels[] = {
        {f->Txt_Form1, false}, {f->Txt_Form2, false}, {f->Txt_Fechar1, false}, {f->Txt_Fechar2, false},
        {f->Label1, false},    {f->Label4, false},    {f->Txt_SubPastas, false}, {f->Label6, false},
        {f->Label2, false},    {f->Label9, false},    {f->Label10, false},     {f->Label5, false},
        {f->Label7, false},    {f->Label8, false},    {f->Label3, false},      {f->Label12, false},
        {f->Label11, false},   {f->O_Texto, false},   {f->Propaganda2, true},  {f->Propaganda3, false},
    };
    for (const auto& l : labels) ExpectFits(l.label, l.bordered);
    for (forms::Button* b : {&f->Tudo, &f->Interromper, &f->Ok}) ExpectFits(*b);
    ExpectFitsTheField(f->Filtro, f->Filtro.Hwnd());
    ExpectFitsTheField(f->Transformar);
    ExpectFitsTheList(f->Transformar);
    ExpectFitsTheList(f->Inserir);
    // Each operation shows its name in the field, and "Alterar" gives O_Texto its other caption.
    for (int i = 0; i < f->Inserir.ListCount(); ++i) {
        f->Inserir.SetListIndex(i);
        ExpectFitsTheField(f->Inserir);
        ExpectFits(f->O_Texto, false);
    }
    // The hidden frame's caption is never drawn.
}

// The caption a long rename counts in: both counts of five digits, made by the run itself.
TEST_F(Texts, ProgressCaptionWithFiveDigitCountsFits) {
    Open();
    f->SubPastas.Clear();
    const int n = 20000;
    for (int i = 0; i < n; ++i) f->SubPastas.AddItem(L"f" + std::to_wstring(i));
    Click(f->Tudo);
    SetWindowTextW(f->Procura.Hwnd(), L"em nome algum");  // every entry counted, no file touched
    Click(f->Ok);
    ASSERT_EQ(f->Processo.Caption(), L"Total de arquivos a Processar : 20000     Total de arquivos Processados: 20000");
    ExpectFits(f->Processo, true);
}

TEST(CommandLine, TextAfterTheProgramName) {
    struct { const wchar_t* full; const wchar_t* text; } cases[] = {
        {L"\"C:\\Program Files\\Velkaro.exe\" C:\\a|D:\\b|FALSE|Copiando", L"C:\\a|D:\\b|FALSE|Copiando"},
        {L"Velkaro.exe  a b |c", L"a b |c"},
        {L"Velkaro.exe", L""},
        {L"\"Velkaro.exe\"", L""},
        {L"Velkaro.exe \"quoted\" text", L"\"quoted\" text"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormVelkaro::TextoDaLinhaDeComando(c.full), c.text);
}

}  // namespace

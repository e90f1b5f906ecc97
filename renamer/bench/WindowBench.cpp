// Prints the main window's figures on one big folder, driven the way a user's clicks reach it
// (each click is the notification the control sends its window): highlight the folder in the
// folder list, press "Selecionar Tudo", then rename every file by deleting a piece of its name.
// Each figure runs until the window has also repainted what changed.
// Usage: velkaro_window_bench <parent folder> <folder name> <piece to delete> <files expected>
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "Seconds.h"

namespace {

void Notify(velkaro::FormVelkaro& form, forms::Control& c, int code) {
    SendMessageW(form.Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c.Hwnd()), code), reinterpret_cast<LPARAM>(c.Hwnd()));
}

// What the user waits for: the handler, then the repaint it caused.
void Repaint(velkaro::FormVelkaro& form) {
    RedrawWindow(form.Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    forms::DoEvents();
}

int RowOf(HWND list, const std::wstring& name) {
    const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[MAX_PATH] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        const wchar_t* p = text;
        while (*p == L' ') ++p;
        if (name == p) return i;
    }
    return -1;
}

std::wstring Entry(HWND list, int i) {
    wchar_t text[MAX_PATH] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    return text;
}

int Run(const std::wstring& parent, const std::wstring& folder, const std::wstring& piece, int expected) {
    SetCurrentDirectoryW(parent.c_str());
    forms::g_msgBox = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDYES; };
    velkaro::FormVelkaro form;
    if (!form.Carrega()) {
        fprintf(stderr, "the window could not be created\n");
        return 1;
    }
    form.Show();
    Repaint(form);
    HWND folders = form.DirListBox.Hwnd();
    HWND files = form.SubPastas.Hwnd();
    const int row = RowOf(folders, folder);
    if (row < 0) {
        fprintf(stderr, "folder not in the folder list\n");
        return 1;
    }

    double t0 = Now();
    SendMessageW(folders, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Notify(form, form.DirListBox, LBN_SELCHANGE);
    Repaint(form);
    double t1 = Now();
    const int listed = static_cast<int>(SendMessageW(files, LB_GETCOUNT, 0, 0));
    printf("window list %d files %.2f s\n", listed, t1 - t0);
    fflush(stdout);

    t0 = Now();
    Notify(form, form.Tudo, BN_CLICKED);
    Repaint(form);
    t1 = Now();
    const int selected = static_cast<int>(SendMessageW(files, LB_GETSELCOUNT, 0, 0));
    printf("select all %d %.2f s\n", selected, t1 - t0);
    fflush(stdout);

    SetWindowTextW(form.Procura.Hwnd(), piece.c_str());
    SendMessageW(form.Inserir.Hwnd(), CB_SETCURSEL, 0, 0);  // Excluir
    Notify(form, form.Inserir, CBN_SELCHANGE);
    t0 = Now();
    Notify(form, form.Ok, BN_CLICKED);
    Repaint(form);
    t1 = Now();
    const int relisted = static_cast<int>(SendMessageW(files, LB_GETCOUNT, 0, 0));
    printf("rename all %d files %.2f s\n", relisted, t1 - t0);
    fflush(stdout);

    int failures = 0;
    if (listed != expected || selected != expected || relisted != expected) {
        fprintf(stderr, "expected %d entries: listed %d, selected %d, after the rename %d\n", expected, listed,
                selected, relisted);
        ++failures;
    }
    for (int i = 0; i < relisted; ++i) {
        if (Entry(files, i).find(piece) != std::wstring::npos) {
            fprintf(stderr, "entry %d was not renamed\n", i);
            ++failures;
            break;
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: velkaro_window_bench <parent folder> <folder name> <piece to delete> <files>\n");
        return 2;
    }
    const HRESULT ole = OleInitialize(nullptr);
    const int code = Run(argv[1], argv[2], argv[3], _wtoi(argv[4]));
    if (SUCCEEDED(ole)) OleUninitialize();
    return code;
}

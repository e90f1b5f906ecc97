// Drives a running Velkaro.exe from outside, as a user would, through its controls' window
// messages: set the filter, pick the operation and texts, select files, press the button and
// answer the confirmation box. Takes screenshots of the screen along the way.
// Usage: velkaro_gui_driver <shot-prefix>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Child {
    HWND h;
    std::wstring cls;
    RECT r;
};

HWND g_form = nullptr;
std::vector<Child> g_children;

BOOL CALLBACK Collect(HWND h, LPARAM) {
    if (GetParent(h) != g_form) return TRUE;
    Child c;
    c.h = h;
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    c.cls = cls;
    GetWindowRect(h, &c.r);
    MapWindowPoints(nullptr, g_form, reinterpret_cast<POINT*>(&c.r), 2);
    g_children.push_back(c);
    return TRUE;
}

// Controls are found by kind and place (pixels), as the window lays them out.
HWND At(const wchar_t* cls, int left, int top) {
    for (const Child& c : g_children)
        if (_wcsicmp(c.cls.c_str(), cls) == 0 && c.r.left == left && c.r.top == top) return c.h;
    fwprintf(stderr, L"no %ls at %d,%d\n", cls, left, top);
    exit(2);
}

void Notify(HWND control, int code, bool post = false) {
    const WPARAM w = MAKEWPARAM(GetDlgCtrlID(control), code);
    if (post) PostMessageW(g_form, WM_COMMAND, w, reinterpret_cast<LPARAM>(control));
    else SendMessageW(g_form, WM_COMMAND, w, reinterpret_cast<LPARAM>(control));
}

void Shot(const std::string& path) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4, size = stride * h;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(&fh, sizeof(fh), 1, f);
        fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f);
        fwrite(bits, size, 1, f);
        fclose(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

std::wstring ItemText(HWND list, int i) {
    wchar_t buf[1024] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string shots = argc > 1 ? argv[1] : "velkaro-shot";
    for (int i = 0; i < 200 && !g_form; ++i) {
        g_form = FindWindowW(L"VelkaroForm", L"Velkaro");
        if (!g_form || !IsWindowVisible(g_form)) {
            g_form = nullptr;
            Sleep(100);
        }
    }
    if (!g_form) {
        fprintf(stderr, "window not found\n");
        return 2;
    }
    Sleep(1500);  // the start-up listing
    EnumChildWindows(g_form, Collect, 0);
    HWND subPastas = At(L"ListBox", 188, 95);
    HWND filtro = At(L"Edit", 204, 68);
    HWND procura = At(L"Edit", 267, 387);
    HWND inserir = At(L"ComboBox", 486, 387);
    HWND acrescenta = At(L"Edit", 244, 414);
    HWND ok = At(L"Button", 579, 397);
    Shot(shots + "-1-open.bmp");

    SendMessageW(filtro, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"foto*.jpg"));
    Notify(filtro, EN_KILLFOCUS);
    const int count = static_cast<int>(SendMessageW(subPastas, LB_GETCOUNT, 0, 0));
    printf("listed %d\n", count);

    SendMessageW(procura, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"foto_"));
    SendMessageW(inserir, CB_SETCURSEL, 2, 0);  // Alterar
    Notify(inserir, CBN_SELCHANGE);
    SendMessageW(acrescenta, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Ferias_"));
    for (int i = 0; i < count; ++i)
        if (ItemText(subPastas, i).rfind(L"Foto_", 0) == 0) SendMessageW(subPastas, LB_SETSEL, TRUE, i);
    Notify(subPastas, LBN_SELCHANGE);
    Shot(shots + "-2-ready.bmp");

    // The handler shows a modal box: post, then answer it.
    Notify(ok, BN_CLICKED, /*post=*/true);
    HWND box = nullptr;
    for (int i = 0; i < 100 && !box; ++i) {
        box = FindWindowW(L"#32770", L"Velkaro");
        if (!box) Sleep(100);
    }
    if (!box) {
        fprintf(stderr, "no confirmation box\n");
        return 3;
    }
    Sleep(300);
    Shot(shots + "-3-confirm.bmp");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    for (int i = 0; i < 50 && IsWindow(box); ++i) Sleep(100);
    Sleep(800);
    Shot(shots + "-4-done.bmp");

    // The close image.
    const LPARAM at = MAKELPARAM(639, 30);
    PostMessageW(g_form, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(g_form, WM_LBUTTONUP, 0, at);
    for (int i = 0; i < 50 && IsWindow(g_form); ++i) Sleep(100);
    if (IsWindow(g_form)) {
        fprintf(stderr, "window did not close\n");
        return 4;
    }
    return 0;
}

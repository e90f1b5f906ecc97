// The About box: shown modally, found by its caption while its own loop runs, and closed the way
// a user would close it.
#include <string>

#include "ControlFixture.h"

namespace {

struct AboutWatch {
    UINT closeWith = 0;          // WM_COMMAND IDCANCEL, or WM_SYSCOMMAND SC_CLOSE
    bool found = false;
    std::string buttonText;
    std::string staticText;
    std::string className;
    int ticks = 0;
};
AboutWatch g_watch;

BOOL CALLBACK FindStatic(HWND child, LPARAM)
{
    char cls[32] = {}, text[128] = {};
    GetClassNameA(child, cls, sizeof(cls));
    GetWindowTextA(child, text, sizeof(text));
    if (std::string(cls) == "Static" && text[0])
        g_watch.staticText = text;
    return TRUE;
}

BOOL CALLBACK CloseDialogs(HWND window, LPARAM)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (std::string(cls) == "#32770")
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CALLBACK LookForTheBox(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = FindWindowA(nullptr, "About DorvikFTP Control");
    if (box) {
        g_watch.found = true;
        char cls[32] = {}, text[32] = {};
        GetClassNameA(box, cls, sizeof(cls));
        g_watch.className = cls;
        GetWindowTextA(GetDlgItem(box, IDCANCEL), text, sizeof(text));
        g_watch.buttonText = text;
        EnumChildWindows(box, FindStatic, 0);
        if (g_watch.closeWith == WM_SYSCOMMAND)
            PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    } else if (++g_watch.ticks > 50) {
        EnumThreadWindows(GetCurrentThreadId(), CloseDialogs, 0);   // never hang the run
    }
}

TEST_F(ControlLibrary, AboutBoxShowsModallyAndClosesWithItsCloseButton)
{
    IDorvikFTPCtrl* control = NewControl();
    g_watch = AboutWatch();
    g_watch.closeWith = WM_COMMAND;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, LookForTheBox);
    EXPECT_EQ(S_OK, control->AboutBox());
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_watch.found);
    EXPECT_EQ("#32770", g_watch.className);
    EXPECT_EQ("Close", g_watch.buttonText);
    EXPECT_EQ("DorvikFTP M\xf3" "dulo de Controle", g_watch.staticText);
    EXPECT_EQ(nullptr, FindWindowA(nullptr, "About DorvikFTP Control"));
    control->Release();
}

TEST_F(ControlLibrary, AboutBoxLateBoundClosesFromTheSystemMenu)
{
    IDorvikFTPCtrl* control = NewControl();
    g_watch = AboutWatch();
    g_watch.closeWith = WM_SYSCOMMAND;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, LookForTheBox);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(S_OK, control->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                    nullptr, nullptr));
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_watch.found);
    control->Release();
}

} // namespace

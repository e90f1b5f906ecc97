// The advert panel with the real DorvikFTP control, registered in the prefix. The window runs
// its own message loop as the program does, until the start-up timer's handler has run.
// - RealControlAdvert: against the FTP server that real_control_advert_test.py runs on 127.0.0.1
//   port 21, the control logs in and fetches the four files, and then the window is closed while
//   the control is still connected. The script checks what the server saw and that this program
//   ended.
// - RefusedAdvertHost: shown on the virtual screen of gui_test.sh, which holds 127.0.0.1 port 21
//   so that the login is refused: the built-in advert stays.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <memory>
#include <string>

#include "../app/Fabricante.h"
#include "../app/FormVelkaro.h"
#include "../core/PictureHeader.h"
#include "../forms/Form.h"
#include "BuiltInAdvert.h"
#include "TempFolder.h"

using velkaro::FormVelkaro;

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

std::string ReadAll(const std::wstring& path) {
    std::string out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(h, block, sizeof(block), &got, nullptr) && got > 0) out.append(block, got);
    CloseHandle(h);
    return out;
}

// What the labels must show: the served bytes in the ANSI code page.
std::wstring Widened(const std::string& ansi) {
    std::wstring w(ansi.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0],
                                      static_cast<int>(w.size()));
    w.resize(n > 0 ? n : 0);
    return w;
}

SIZE Declared(const std::string& jpeg) {
    long w = 0, h = 0;
    velkaro::TamanhoDeclaradoDaImagem(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), w, h);
    return SIZE{w, h};
}

SIZE Size(HBITMAP b) {
    BITMAP bm = {};
    if (!b || !GetObjectW(b, sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The window with the real control, in a folder of one file.
class RealControlWindow : public ::testing::Test {
protected:
    TempFolder listed;
    bool ole = false;

    void SetUp() override {
        ole = SUCCEEDED(OleInitialize(nullptr));
        forms::g_msgBox = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDCANCEL; };
        listed.Write(L"listed.txt");
        SetCurrentDirectoryW(listed.Path().c_str());
    }
    void TearDown() override {
        f.reset();
        forms::ReiniciaDepoisDeEnd();
        SetCurrentDirectoryW(L"Z:\\tmp");
        if (ole) OleUninitialize();
    }

    std::unique_ptr<FormVelkaro> f;
    std::wstring localText, localPicture;

    void Open() {
        const std::wstring folder = forms::PastaDoPrograma();
        localText = folder + L"\\propaganda.txt";
        localPicture = folder + L"\\banner.jpg";
        DeleteFileW(localText.c_str());
        DeleteFileW(localPicture.c_str());
        f.reset(new FormVelkaro);
        ASSERT_TRUE(f->Carrega());
        ASSERT_TRUE(f->ftp1.Exists()) << "DorvikFTP is not registered in this prefix";
        f->Form_Load(L"");
        ASSERT_TRUE(f->Timer1.Enabled());
        f->Show();
    }
    // The program's loop, until the start-up handler has run: it switches its timer off first
    // and has returned once this loop sees the timer off. The Connect time-out is 30 s; a run
    // that has not finished well after that has gone wrong.
    void RunStartUp() {
        const DWORD start = GetTickCount();
        while (f->Loaded() && f->Timer1.Enabled() && GetTickCount() - start < 45000) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) forms::Despacha(msg);
            Sleep(10);
        }
        ASSERT_FALSE(f->Timer1.Enabled()) << "the start-up handler did not run";
    }
};

class RealControlAdvert : public RealControlWindow {
protected:
    std::wstring served;

    void SetUp() override {
        served = Env(L"VELKARO_ADVERT_SERVED");
        if (served.empty()) GTEST_SKIP() << "run by real_control_advert_test.py, which serves the adverts";
        // Each case needs the server set up its own way; the script names the one it serves for.
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (Env(L"VELKARO_ADVERT_CASE") != std::wstring(name, name + strlen(name)))
            GTEST_SKIP() << "the server is not set up for this case";
        RealControlWindow::SetUp();
    }
    std::string Served(const wchar_t* name) const { return ReadAll(served + L"\\" + name); }
};

class RefusedAdvertHost : public RealControlWindow {
protected:
    void SetUp() override {
        if (Env(L"VELKARO_ADVERT_REFUSED").empty())
            GTEST_SKIP() << "run by gui_test.sh, which makes the advert host refuse the login";
        RealControlWindow::SetUp();
    }
};

// Presses the close button once the picture's local copy has begun to arrive, from a timer
// that the control's message pump dispatches while Get waits on the network.
FormVelkaro* g_closing = nullptr;
std::wstring g_watched;
bool g_closedDuringGet = false;
void CALLBACK CloseOnceArriving(HWND, UINT, UINT_PTR timer, DWORD) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!g_closing || !GetFileAttributesExW(g_watched.c_str(), GetFileExInfoStandard, &data) || data.nFileSizeLow == 0)
        return;
    KillTimer(nullptr, timer);
    FormVelkaro* f = g_closing;
    g_closing = nullptr;
    g_closedDuringGet = true;
    f->Fechar_Click();
}

TEST_F(RealControlAdvert, DownloadsShowsAndClosesWhileConnected) {
    Open();
    RunStartUp();
    ASSERT_TRUE(f->Timer3.Enabled()) << "the download did not finish: see what the server saw";
    EXPECT_TRUE(f->Timer2.Enabled());
    EXPECT_EQ(f->SubPastas.ListCount(), 1);

    const std::wstring text1 = Widened(Served(L"Velkaro_propaganda1.txt"));
    const std::wstring text2 = Widened(Served(L"Velkaro_propaganda2.txt"));
    ASSERT_FALSE(text1.empty());
    ASSERT_NE(text1, text2);
    EXPECT_EQ(f->Propaganda0.Caption(), text1);
    EXPECT_EQ(f->Propaganda1.Caption(), text1);
    EXPECT_EQ(f->Propaganda2.Caption(), text2);
    EXPECT_EQ(f->Propaganda3.Caption(), text2);

    const SIZE want1 = Declared(Served(L"Velkaro_banner1.jpg")), want2 = Declared(Served(L"Velkaro_banner2.jpg"));
    ASSERT_GT(want1.cx, 0);
    ASSERT_FALSE(want2.cx == 266 && want2.cy == 214) << "picture 2 must differ from the built-in one";
    const SIZE got1 = Size(f->Banner0.Picture()), got2 = Size(f->Banner1.Picture());
    EXPECT_EQ(got1.cx, want1.cx);
    EXPECT_EQ(got1.cy, want1.cy);
    EXPECT_EQ(got2.cx, want2.cx);
    EXPECT_EQ(got2.cy, want2.cy);

    EXPECT_FALSE(Exists(localText));
    EXPECT_FALSE(Exists(localPicture));

    // The 60-second tick, at once: Abort finds no transfer and the login stays, since the
    // panel never disconnects.
    f->Timer2_Timer();
    EXPECT_FALSE(f->Timer2.Enabled());
    EXPECT_NO_THROW(f->ftp1.Call(15));
    EXPECT_EQ(f->ftp1.GetLong(35), 1);

    // The close button while the control holds its connection: Abort, unload, end.
    f->Fechar_Click();
    EXPECT_FALSE(f->Loaded());
    EXPECT_FALSE(f->ftp1.Exists());
    EXPECT_TRUE(forms::Ending());
}

// The server sends the first picture slowly; the close lands inside its Get.
TEST_F(RealControlAdvert, CloseDuringADownloadEndsAtOnceAndLeavesNoCopies) {
    Open();
    g_watched = localPicture;
    g_closing = f.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseOnceArriving);
    RunStartUp();
    KillTimer(nullptr, timer);
    g_closing = nullptr;
    EXPECT_TRUE(g_closedDuringGet);
    EXPECT_FALSE(f->Loaded());
    EXPECT_FALSE(f->ftp1.Exists());
    EXPECT_TRUE(forms::Ending());
    // Advert 1's text had arrived; nothing after the cut-off picture was fetched.
    EXPECT_EQ(f->Propaganda0.Caption(), Widened(Served(L"Velkaro_propaganda1.txt")));
    EXPECT_FALSE(f->Timer3.Enabled());
    EXPECT_FALSE(Exists(localText));
    EXPECT_FALSE(Exists(localPicture));
}

// The advert host refuses the connection: the window keeps the advert it carries, captions and
// visibility as designed, and nothing rotates.
TEST_F(RefusedAdvertHost, BuiltInAdvertStaysShown) {
    Open();
    const BuiltInAdvert builtIn = BuiltInAdvert::Of(*f);
    RunStartUp();
    EXPECT_EQ(f->ftp1.GetLong(35), 0);  // IsConnected: the login never happened
    EXPECT_EQ(f->SubPastas.ListCount(), 1);
    builtIn.ExpectStillShownBy(*f);

    f->Fechar_Click();
    EXPECT_FALSE(f->Loaded());
}

}  // namespace

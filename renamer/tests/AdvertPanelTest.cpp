// The advert panel against the stand-in control: the dispatch calls in their order, what the
// panel shows after the download and on each rotation, the failures the panel has to survive,
// and the web link.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "../app/Fabricante.h"
#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "AdvertFixtures.h"
#include "BuiltInAdvert.h"
#include "StandInControl.h"
#include "TempFolder.h"

using velkaro::FormVelkaro;

namespace {

StandInRecord& g = g_standIn;

const std::string kText1 = "Linha um\r\nPromo\xE7\xE3o";  // ANSI bytes: "Promoção"
const std::wstring kWide1 = L"Linha um\r\nPromoção";
const std::string kText2 = "Segunda propaganda";
const std::wstring kWide2 = L"Segunda propaganda";

struct Opened {
    HWND owner;
    std::string verb, file;
    bool noParams, noFolder;
    int show;
};
std::vector<Opened> g_opened;
HINSTANCE WINAPI RecordOpen(HWND h, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR folder, INT show) {
    g_opened.push_back({h, verb ? verb : "", file ? file : "", params == nullptr, folder == nullptr, show});
    return reinterpret_cast<HINSTANCE>(42);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

SIZE Size(HBITMAP b) {
    BITMAP bm = {};
    if (!b || !GetObjectW(b, sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}
bool Is(HBITMAP b, long w, long h) {
    const SIZE s = Size(b);
    return s.cx == w && s.cy == h;
}

class Advert : public ::testing::Test {
protected:
    TempFolder t;
    std::unique_ptr<StandInRegistration> registration;
    std::unique_ptr<FormVelkaro> f;
    std::wstring localText, localPicture;

    void SetUp() override {
        registration.reset(new StandInRegistration);
        ASSERT_TRUE(registration->Ok());
        SetEnvironmentVariableW(velkaro::kVariavelDeTeste, L"127.0.0.1");
        g_opened.clear();
        velkaro::g_ShellExecuteA = RecordOpen;
        forms::g_msgBox = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDCANCEL; };
        localText = forms::PastaDoPrograma() + L"\\propaganda.txt";
        localPicture = forms::PastaDoPrograma() + L"\\banner.jpg";
        g.files[L"//Velkaro_propaganda1.txt"] = {kText1};
        g.files[L"//Velkaro_banner1.jpg"] = {Jpeg24x16()};
        g.files[L"//Velkaro_propaganda2.txt"] = {kText2};
        g.files[L"//Velkaro_banner2.jpg"] = {Bmp(30, 20)};
        t.Write(L"listed.txt");
        SetCurrentDirectoryW(t.Path().c_str());
    }
    void TearDown() override {
        f.reset();
        registration.reset();
        velkaro::g_ShellExecuteA = nullptr;
        forms::ReiniciaDepoisDeEnd();
        DeleteFileW(localText.c_str());
        DeleteFileW(localPicture.c_str());
        SetCurrentDirectoryW(L"Z:\\tmp");
    }
    // Opens the window and runs its start-up timer's handler at once.
    void Start() {
        f.reset(new FormVelkaro);
        ASSERT_TRUE(f->Carrega());
        f->Form_Load(L"");
        f->Timer1_Timer();
    }
    void NoLocalCopiesLeft() {
        EXPECT_FALSE(Exists(localText));
        EXPECT_FALSE(Exists(localPicture));
    }
    void ClickAt(const forms::Control& c) {
        const RECT r = c.Retangulo();
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(f->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(f->Hwnd(), WM_LBUTTONUP, 0, at);
    }
};

TEST_F(Advert, DownloadsBothAdvertsInOrderAndRotatesThem) {
    Start();
    ASSERT_EQ(g.calls, std::vector<DISPID>({1, 3, 4, 5, 35, 14, 8, 14, 8, 14, 8, 14, 8}));
    EXPECT_EQ(g.detail[0].args, std::vector<std::wstring>({L"127.0.0.1"}));
    EXPECT_EQ(g.detail[0].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(g.detail[1].args, std::vector<std::wstring>({L"corvan"}));
    EXPECT_EQ(g.detail[2].args, std::vector<std::wstring>({L"qvt47r"}));
    EXPECT_TRUE(g.detail[3].args.empty());
    // A working directory of "/" gives two slashes: the names are not tidied.
    EXPECT_EQ(g.detail[6].args, std::vector<std::wstring>({L"//Velkaro_propaganda1.txt", localText, L"i4:0"}));
    EXPECT_EQ(g.detail[8].args, std::vector<std::wstring>({L"//Velkaro_banner1.jpg", localPicture, L"i4:0"}));
    EXPECT_EQ(g.detail[10].args, std::vector<std::wstring>({L"//Velkaro_propaganda2.txt", localText, L"i4:0"}));
    EXPECT_EQ(g.detail[12].args, std::vector<std::wstring>({L"//Velkaro_banner2.jpg", localPicture, L"i4:0"}));
    NoLocalCopiesLeft();
    EXPECT_EQ(f->SubPastas.ListCount(), 1);  // the list was filled first

    EXPECT_EQ(f->Propaganda0.Caption(), kWide1);
    EXPECT_EQ(f->Propaganda1.Caption(), kWide1);
    EXPECT_EQ(f->Propaganda2.Caption(), kWide2);
    EXPECT_EQ(f->Propaganda3.Caption(), kWide2);
    EXPECT_TRUE(Is(f->Banner0.Picture(), 24, 16));
    EXPECT_TRUE(Is(f->Banner1.Picture(), 30, 20));
    EXPECT_TRUE(f->Timer2.Enabled());
    EXPECT_TRUE(f->Timer3.Enabled());

    // Advert 2 shows until the first tick, which brings advert 1 forward; the next one goes back.
    struct Shown { bool banner1, p0, p1, p2, p3; };
    const auto shown = [&] {
        return Shown{f->Banner1.Visible(), f->Propaganda0.Visible(), f->Propaganda1.Visible(), f->Propaganda2.Visible(),
                     f->Propaganda3.Visible()};
    };
    const auto expect = [&](Shown s, bool advert2) {
        EXPECT_EQ(s.banner1, advert2);
        EXPECT_EQ(s.p0, !advert2);
        EXPECT_EQ(s.p1, !advert2);
        EXPECT_EQ(s.p2, advert2);
        EXPECT_EQ(s.p3, advert2);
    };
    expect(shown(), true);
    f->Timer3_Timer();
    expect(shown(), false);
    f->Timer3_Timer();
    expect(shown(), true);
    EXPECT_TRUE(f->Timer3.Enabled());

    f->Timer2_Timer();
    EXPECT_EQ(g.calls.back(), 15);
    EXPECT_TRUE(g.detail.back().args.empty());
    EXPECT_FALSE(f->Timer2.Enabled());
}

TEST_F(Advert, RefusedLoginKeepsTheBuiltInAdvertStill) {
    struct Case { HRESULT connect; long isConnected; } cases[] = {{DISP_E_EXCEPTION, 0}, {S_OK, 0}, {S_OK, -1}};
    for (const Case& c : cases) {
        g.calls.clear();
        g.connectResult = c.connect;
        g.isConnected = c.isConnected;
        Start();
        EXPECT_EQ(g.calls, std::vector<DISPID>({1, 3, 4, 5, 35}));
        EXPECT_EQ(f->Propaganda2.Caption().size(), 273u);
        EXPECT_TRUE(Is(f->Banner1.Picture(), 266, 214));
        EXPECT_FALSE(f->Timer2.Enabled());
        EXPECT_FALSE(f->Timer3.Enabled());
        EXPECT_EQ(f->SubPastas.ListCount(), 1);
    }
}

// The library not registered: the window opens without its control, and the panel keeps what
// the window carries, as after a refused login.
TEST_F(Advert, WithoutItsControlTheBuiltInAdvertStaysStill) {
    g.createResult = REGDB_E_CLASSNOTREG;
    f.reset(new FormVelkaro);
    ASSERT_TRUE(f->Carrega());
    ASSERT_FALSE(f->ftp1.Exists());
    const BuiltInAdvert builtIn = BuiltInAdvert::Of(*f);
    f->Form_Load(L"");
    f->Timer1_Timer();

    EXPECT_TRUE(g.calls.empty());
    EXPECT_EQ(f->SubPastas.ListCount(), 1);  // the list was filled all the same
    EXPECT_EQ(f->Inserir.ListIndex(), 1);
    builtIn.ExpectStillShownBy(*f);
    NoLocalCopiesLeft();
}

TEST_F(Advert, MissingOrBrokenFilesLeaveWhatTheStatementsLeave) {
    struct Case {
        const char* name;
        std::vector<std::wstring> missing;
        bool text1BreaksOff;
        std::wstring p0, p2;
        bool banner0, banner2Downloaded;
    } cases[] = {
        {"both texts missing", {L"//Velkaro_propaganda1.txt", L"//Velkaro_propaganda2.txt"}, false, L"", L"", true, true},
        {"text 2 missing", {L"//Velkaro_propaganda2.txt"}, false, kWide1, kWide1, true, true},
        {"picture 2 missing", {L"//Velkaro_banner2.jpg"}, false, kWide1, kWide2, true, false},
        {"picture 1 missing", {L"//Velkaro_banner1.jpg"}, false, kWide1, kWide2, false, true},
        {"text 1 broken off", {}, true, kWide1, kWide2, true, true},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        for (const auto& m : c.missing) g.files.erase(m);
        g.files[L"//Velkaro_propaganda1.txt"].breaksOff = c.text1BreaksOff;
        Start();
        EXPECT_EQ(f->Propaganda0.Caption(), c.p0) << c.name;
        EXPECT_EQ(f->Propaganda1.Caption(), c.p0) << c.name;
        EXPECT_EQ(f->Propaganda2.Caption(), c.p2) << c.name;
        EXPECT_EQ(f->Propaganda3.Caption(), c.p2) << c.name;
        EXPECT_EQ(f->Banner0.Picture() != nullptr, c.banner0) << c.name;
        EXPECT_TRUE(c.banner2Downloaded ? Is(f->Banner1.Picture(), 30, 20) : Is(f->Banner1.Picture(), 266, 214))
            << c.name;
        EXPECT_TRUE(f->Timer3.Enabled()) << c.name;
        NoLocalCopiesLeft();
    }
}

TEST_F(Advert, HostileAdvertFilesAreRefusedAndTheWindowLivesOn) {
    std::string truncated = Jpeg24x16();
    truncated.resize(truncated.size() / 2);
    struct Case {
        const char* name;
        std::wstring remote;
        std::string content;
    } cases[] = {
        {"text over 64 KiB", L"//Velkaro_propaganda1.txt", std::string(64 * 1024 + 1, 'A')},
        {"picture declaring 60000 x 60000", L"//Velkaro_banner1.jpg", JpegDeclaring(60000, 60000)},
        // The decoder takes this one: 64 MiB of bitmap out of a few hundred bytes.
        {"picture declaring 4096 x 4096", L"//Velkaro_banner1.jpg", JpegDeclaring(4096, 4096)},
        {"picture declaring no pixels", L"//Velkaro_banner1.jpg", JpegDeclaring(0, 16)},
        {"not a picture", L"//Velkaro_banner1.jpg", "<html>not a picture</html>"},
        {"picture cut in half", L"//Velkaro_banner1.jpg", truncated},
        {"picture over 4 MiB", L"//Velkaro_banner1.jpg", Jpeg24x16() + std::string(4u << 20, '\0')},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        g.files[c.remote] = {c.content};
        Start();
        ASSERT_TRUE(f->Loaded()) << c.name;
        if (c.remote == L"//Velkaro_propaganda1.txt") {
            EXPECT_EQ(f->Propaganda0.Caption(), L"") << c.name;
            EXPECT_TRUE(Is(f->Banner0.Picture(), 24, 16)) << c.name;
        } else {
            // A decoder may show what it could read of a cut file, but never more than the header says.
            const SIZE s = Size(f->Banner0.Picture());
            EXPECT_TRUE(s.cx <= 24 && s.cy <= 16) << c.name;
            EXPECT_EQ(f->Propaganda0.Caption(), kWide1) << c.name;
        }
        EXPECT_EQ(f->Propaganda2.Caption(), kWide2) << c.name;
        EXPECT_TRUE(Is(f->Banner1.Picture(), 30, 20)) << c.name;
        NoLocalCopiesLeft();
    }
}

TEST_F(Advert, EndlessDownloadIsCutOffAtTheAdvertsLimit) {
    struct Case { const wchar_t* remote; long long limit; } cases[] = {
        {L"//Velkaro_propaganda1.txt", 64 * 1024},
        {L"//Velkaro_banner1.jpg", 4 << 20},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        RemoteFile endless;
        endless.content = std::string(64 * 1024, 'x');
        endless.endless = true;
        g.files[c.remote] = endless;
        Start();
        EXPECT_TRUE(g.abortedDuringGet);
        EXPECT_GT(g.bytesWrittenByEndlessGet, c.limit);
        EXPECT_LT(g.bytesWrittenByEndlessGet, 32LL << 20);  // far short of the stand-in's own stop
        // The panel goes on with the next file and ends as usual.
        EXPECT_EQ(f->Propaganda2.Caption(), kWide2);
        EXPECT_TRUE(f->Timer3.Enabled());
        NoLocalCopiesLeft();
    }
}

TEST_F(Advert, CloseDuringTheDownloadEndsAtOnceAndLeavesNoLocalCopy) {
    g.duringCallId = 8;
    g.duringCall = [this] { f->Fechar_Click(); };  // handled inside the control's message pump
    Start();
    EXPECT_EQ(g.calls, std::vector<DISPID>({1, 3, 4, 5, 35, 14, 8, 15}));
    EXPECT_FALSE(f->Loaded());
    EXPECT_TRUE(forms::Ending());
    EXPECT_FALSE(g.alive);
    NoLocalCopiesLeft();
}

TEST_F(Advert, LeftoverLocalCopyIsNeverShownForAFailedDownload) {
    HANDLE h = CreateFileW(localText.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, "stale", 5, &n, nullptr);
    CloseHandle(h);
    g.files.erase(L"//Velkaro_propaganda1.txt");
    Start();
    EXPECT_EQ(f->Propaganda0.Caption(), L"");
    NoLocalCopiesLeft();
}

TEST_F(Advert, ClickOnAVisibleAdvertOpensTheMakersSite) {
    Start();
    ClickAt(f->Banner1);
    ClickAt(f->Propaganda2);
    f->Timer3_Timer();  // advert 1 forward: its picture and text take the clicks now
    ClickAt(f->Banner0);
    ClickAt(f->Propaganda0);
    ASSERT_EQ(g_opened.size(), 4u);
    for (const Opened& o : g_opened) {
        EXPECT_EQ(o.owner, nullptr);
        EXPECT_EQ(o.verb, "open");
        EXPECT_EQ(o.file, "http://127.0.0.1/velkaro/");
        EXPECT_TRUE(o.noParams);
        EXPECT_TRUE(o.noFolder);
        EXPECT_EQ(o.show, SW_SHOWMAXIMIZED);
    }
}

TEST(AdvertHost, OnlyALoopbackOverrideIsTaken) {
    struct Case { const wchar_t* value; const wchar_t* host; } cases[] = {
        {nullptr, L"corvan.example"},   {L"127.0.0.1", L"127.0.0.1"}, {L"localhost", L"localhost"},
        {L"10.0.0.1", L"corvan.example"}, {L"ftp.elsewhere.com", L"corvan.example"}, {L"", L"corvan.example"},
    };
    wchar_t before[64] = {};
    const DWORD had = GetEnvironmentVariableW(velkaro::kVariavelDeTeste, before, 64);
    for (const Case& c : cases) {
        SetEnvironmentVariableW(velkaro::kVariavelDeTeste, c.value);
        EXPECT_EQ(velkaro::HostDaPropaganda(), c.host);
        EXPECT_EQ(velkaro::SiteDoFabricante(), std::wstring(L"http://") + c.host + L"/velkaro/");
    }
    SetEnvironmentVariableW(velkaro::kVariavelDeTeste, had ? before : nullptr);
}

}  // namespace

// The window hosting its control, through the stand-in control registered for its class identifier.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <ole2.h>

#include <functional>
#include <memory>
#include <vector>

#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "DorvikGuids.h"
#include "StandInControl.h"

namespace {

StandInRecord& g = g_standIn;

class Hosting : public ::testing::Test {
protected:
    std::unique_ptr<StandInRegistration> registration;
    std::unique_ptr<velkaro::FormVelkaro> f;
    void SetUp() override {
        registration.reset(new StandInRegistration);
        ASSERT_TRUE(registration->Ok());
        forms::g_msgBox = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDCANCEL; };
    }
    void Open() {
        f.reset(new velkaro::FormVelkaro);
        ASSERT_TRUE(f->Carrega());
    }
    void TearDown() override {
        f.reset();
        registration.reset();
        forms::ReiniciaDepoisDeEnd();
    }
};

TEST_F(Hosting, ClassIdentifierComesFromTheSharedHeader) {
    CLSID fromHeader = forms::ClsidDeTexto(DORVIK_CLSID_TEXT), fixed;
    CLSIDFromString(const_cast<LPOLESTR>(L"{D1F7D70A-E61B-4292-BED8-F1B69332618E}"), &fixed);
    EXPECT_TRUE(IsEqualCLSID(fromHeader, fixed));
}

TEST_F(Hosting, CreatesTheControlWithItsSavedStateAndAbortsItOnClose) {
    Open();
    ASSERT_TRUE(f->ftp1.Exists());
    const std::vector<unsigned char> expected = {
        0x00, 0x0A, 0x00, 0x00, 0x4F, 0x03, 0x00, 0x00, 0xFF, 0x02, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x03, 0x00, 0x15, 0x00, 0x00, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x1E,
        0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(g.loaded, expected);
    f->Fechar_Click();
    EXPECT_EQ(g.calls, std::vector<DISPID>({15}));
    EXPECT_FALSE(f->Loaded());
    EXPECT_FALSE(g.alive);  // the window let its instance go
}

TEST_F(Hosting, FailingAbortIsSkippedAndTheWindowStillCloses) {
    g.abortResult = DISP_E_EXCEPTION;
    Open();
    f->Fechar_Click();
    EXPECT_EQ(g.calls, std::vector<DISPID>({15}));
    EXPECT_FALSE(f->Loaded());
    EXPECT_TRUE(forms::Ending());
}

TEST_F(Hosting, ControlWithoutStreamStateIsStillHosted) {
    g.answersPersist = false;
    Open();
    EXPECT_TRUE(f->ftp1.Exists());
    EXPECT_TRUE(g.loaded.empty());
}

TEST_F(Hosting, CloseDuringACallFreesTheControlOnlyAfterTheCall) {
    Open();
    // The control pumps messages while it waits; a close handled there unloads the window.
    g.duringCall = [this] { f->Unload(); };
    f->ftp1.Call(5);
    EXPECT_TRUE(g.aliveAfterHook);
    EXPECT_FALSE(g.alive);
    EXPECT_FALSE(f->ftp1.Exists());
}

}  // namespace

// The main window run headless for the window tests: created hidden, driven through its
// controls' window messages and handlers, with every message box answered by the test.
#ifndef VELKARO_TESTS_WINDOWFIXTURE_H
#define VELKARO_TESTS_WINDOWFIXTURE_H

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../app/FormVelkaro.h"
#include "../forms/Form.h"
#include "../forms/Statement.h"
#include "TempFolder.h"

struct Box {
    std::wstring text, title;
    UINT style;
    HWND owner;
};

class Window : public ::testing::Test {
protected:
    TempFolder t;
    std::unique_ptr<velkaro::FormVelkaro> f;
    std::vector<Box> boxes;
    std::vector<int> answers;  // given in turn; IDYES once they run out

    void Open(bool startUp = true) {
        SetCurrentDirectoryW(t.Path().c_str());
        forms::g_msgBox = [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({text, title, style, owner});
            if (answers.empty()) return IDYES;
            const int a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        f.reset(new velkaro::FormVelkaro);
        ASSERT_TRUE(f->Carrega());
        f->Form_Load(L"");
        // What the start-up timer does, without waiting for it.
        if (startUp) f->Timer1_Timer();
    }
    void TearDown() override {
        f.reset();
        forms::ReiniciaDepoisDeEnd();
        SetCurrentDirectoryW(L"Z:\\tmp");
    }

    void Command(forms::Control& c, int code, bool post = false) {
        HWND h = c.Hwnd();
        const WPARAM w = MAKEWPARAM(GetDlgCtrlID(h), code);
        if (post) PostMessageW(f->Hwnd(), WM_COMMAND, w, reinterpret_cast<LPARAM>(h));
        else SendMessageW(f->Hwnd(), WM_COMMAND, w, reinterpret_cast<LPARAM>(h));
    }
    void Click(forms::Control& c, bool post = false) { Command(c, BN_CLICKED, post); }
    void SelectInList(std::initializer_list<int> items) {
        for (int i : items) SendMessageW(f->SubPastas.Hwnd(), LB_SETSEL, TRUE, i);
        Command(f->SubPastas, LBN_SELCHANGE);
    }
    void OpenFolder(const std::wstring& path) { f->DirListBox.SetPath(path); }
    void SetFilter(const std::wstring& filter) {
        SetWindowTextW(f->Filtro.Hwnd(), filter.c_str());
        Command(f->Filtro, EN_KILLFOCUS);
    }
    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> out;
        const int n = static_cast<int>(SendMessageW(f->SubPastas.Hwnd(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t buf[1024];
            SendMessageW(f->SubPastas.Hwnd(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
            out.push_back(buf);
        }
        return out;
    }
    static std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
    static RECT Place(HWND h) {
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static std::wstring WindowText(HWND h) {
        wchar_t buf[256];
        GetWindowTextW(h, buf, 256);
        return buf;
    }
    bool Checked(forms::CheckBox& c) { return SendMessageW(c.Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

#endif

// A top-level window without the system's title bar or border, holding toolkit controls.
// The form owns nothing but its window: controls and timers are members of the derived
// window class and live as long as it does, so unloading in the middle of a handler only
// takes the windows away and never frees an object that a running handler still holds.
#ifndef FORMS_FORM_H
#define FORMS_FORM_H

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Controls.h"

namespace forms {

class Form {
public:
    Form(const wchar_t* caption, int larguraTwips, int alturaTwips);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Controls are created in the order added; a later windowless control lies in front.
    void Add(Control& c);
    void Add(Timer& t);

    // Creates the window, hidden, with every control; an owned window goes when its owner goes.
    bool Load(HWND dono = nullptr);
    void Show();
    void Hide();
    // Destroys the window and its controls' windows; safe to call from inside a handler.
    void Unload();
    bool Loaded() const { return hwnd_ != nullptr; }
    HWND Hwnd() const { return hwnd_; }
    const std::wstring& Caption() const { return caption_; }

    void SetBackColor(unsigned long cor) { fundo_ = cor; }
    void SetBackground(HBITMAP b);  // takes ownership
    void SetPointer(HCURSOR c) { ponteiro_ = c; }
    void SetIcon(HICON i) { icone_ = i; }

    std::function<void()> OnClose;

    HFONT Fonte(const forms::Fonte& f);
    HBRUSH Pincel(unsigned long cor);
    void RedesenhaArea(const RECT& r, bool agora);

protected:
    virtual void OnUnload() {}

private:
    friend class Control;
    friend class Timer;
    static LRESULT CALLBACK Procedimento(HWND h, UINT m, WPARAM w, LPARAM l);
    LRESULT Trata(UINT m, WPARAM w, LPARAM l);
    Control* PorJanela(HWND h) const;
    Control* SemJanelaEm(POINT p) const;
    void Pinta(HDC dc, const RECT& area);
    void ArmaTimer(Timer& t);
    void Esquece();

    std::wstring caption_;
    int largura_, altura_;  // pixels
    HWND hwnd_ = nullptr;
    std::vector<Control*> controles_;
    std::vector<Timer*> timers_;
    std::map<std::tuple<std::wstring, int, bool, bool>, HFONT> fontes_;
    std::map<COLORREF, HBRUSH> pinceis_;
    unsigned long fundo_ = 0x8000000F;
    HBITMAP fundoImagem_ = nullptr;
    HCURSOR ponteiro_ = nullptr;
    HICON icone_ = nullptr;
    Control* pressionado_ = nullptr;
};

// The application's title: the caption of its message boxes.
extern std::wstring g_tituloDoAplicativo;

// A message box owned by a form, so that the form takes no input while it is open (with
// whatever window happens to be active as owner, a handler could run again under it); tests
// replace the function that shows it.
using FuncaoMsgBox = std::function<int(HWND dono, const std::wstring& texto, const std::wstring& titulo, UINT estilo)>;
extern FuncaoMsgBox g_msgBox;
int MsgBox(const Form& dono, const std::wstring& texto, UINT estilo, const std::wstring& titulo);

// The folder the program's file lies in: no trailing "\" except for a drive's root.
std::wstring PastaDoPrograma();

// Hands one message of the loop to its window.
void Despacha(MSG& msg);
// Handles the window messages that are waiting, then returns; returns at once once End ran.
void DoEvents();
// Ends the program: no further event runs, the message loop ends.
void End();
bool Ending();

}  // namespace forms

#endif

namespace forms {
// Lets a test host run a second program life in the same process after End.
void ReiniciaDepoisDeEnd();
}  // namespace forms

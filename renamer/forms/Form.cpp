#include "Form.h"

#include <windowsx.h>

namespace forms {

namespace {
const wchar_t kClasse[] = L"VelkaroForm";

void RegistraClasse(WNDPROC proc) {
    static bool feito = false;
    if (feito) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClasse;
    RegisterClassExW(&wc);
    feito = true;
}
}  // namespace

Form::Form(const wchar_t* caption, int larguraTwips, int alturaTwips)
    : caption_(caption), largura_(Pixels(larguraTwips)), altura_(Pixels(alturaTwips)) {}

Form::~Form() {
    Unload();
    for (auto& f : fontes_) DeleteObject(f.second);
    for (auto& p : pinceis_) DeleteObject(p.second);
    if (fundoImagem_) DeleteObject(fundoImagem_);
}

void Form::Add(Control& c) { controles_.push_back(&c); }
void Form::Add(Timer& t) {
    t.form_ = this;
    t.id_ = timers_.size() + 1;
    timers_.push_back(&t);
}

void Form::SetBackground(HBITMAP b) {
    if (fundoImagem_) DeleteObject(fundoImagem_);
    fundoImagem_ = b;
}

bool Form::Load(HWND dono) {
    if (hwnd_) return true;
    RegistraClasse(&Form::Procedimento);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - largura_) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - altura_) / 2;
    hwnd_ = CreateWindowExW(WS_EX_APPWINDOW, kClasse, caption_.c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU |
                                                                          WS_MINIMIZEBOX,
                            x < 0 ? 0 : x, y < 0 ? 0 : y, largura_, altura_, dono, nullptr,
                            GetModuleHandleW(nullptr), this);
    if (!hwnd_) return false;
    if (icone_) {
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icone_));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icone_));
    }
    int id = 100;
    for (Control* c : controles_) {
        c->form_ = this;
        c->Cria(*this, id++);
    }
    for (Timer* t : timers_) ArmaTimer(*t);
    return true;
}

void Form::Show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::Unload() {
    if (!hwnd_) return;
    OnUnload();
    for (Timer* t : timers_) KillTimer(hwnd_, t->id_);
    HWND h = hwnd_;
    Esquece();
    DestroyWindow(h);
}

void Form::Esquece() {
    hwnd_ = nullptr;
    for (Control* c : controles_) c->Destruida();
}

HFONT Form::Fonte(const forms::Fonte& f) {
    const int altura = -static_cast<int>(f.pontos * 96.0 / 72.0 + 0.5);
    const auto chave = std::make_tuple(f.nome, altura, f.negrito, f.italico);
    auto it = fontes_.find(chave);
    if (it != fontes_.end()) return it->second;
    HFONT h = CreateFontW(altura, 0, 0, 0, f.negrito ? FW_BOLD : FW_NORMAL, f.italico, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          f.nome.c_str());
    fontes_[chave] = h;
    return h;
}

HBRUSH Form::Pincel(unsigned long cor) {
    const COLORREF real = CorReal(cor);
    auto it = pinceis_.find(real);
    if (it != pinceis_.end()) return it->second;
    HBRUSH b = CreateSolidBrush(real);
    pinceis_[real] = b;
    return b;
}

void Form::RedesenhaArea(const RECT& r, bool agora) {
    if (!hwnd_) return;
    InvalidateRect(hwnd_, &r, TRUE);
    if (agora) UpdateWindow(hwnd_);
}

Control* Form::PorJanela(HWND h) const {
    if (!h) return nullptr;
    for (Control* c : controles_)
        if (c->hwnd_ == h) return c;
    // The edit and list parts of a combo box report for it.
    HWND pai = GetParent(h);
    for (Control* c : controles_)
        if (c->hwnd_ && c->hwnd_ == pai) return c;
    return nullptr;
}

Control* Form::SemJanelaEm(POINT p) const {
    for (auto it = controles_.rbegin(); it != controles_.rend(); ++it) {
        Control* c = *it;
        if (c->Janela() || !c->visivel_ || !c->habilitado_) continue;
        const RECT r = c->Retangulo();
        if (PtInRect(&r, p)) return c;
    }
    return nullptr;
}

void Form::Pinta(HDC dc, const RECT& area) {
    RECT cliente;
    GetClientRect(hwnd_, &cliente);
    FillRect(dc, &cliente, Pincel(fundo_));
    if (fundoImagem_) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ velho = SelectObject(mem, fundoImagem_);
        BITMAP bm;
        GetObjectW(fundoImagem_, sizeof(bm), &bm);
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, velho);
        DeleteDC(mem);
    }
    for (Control* c : controles_) {
        if (c->Janela() || !c->visivel_) continue;
        const RECT r = c->Retangulo();
        RECT comum;
        if (IntersectRect(&comum, &r, &area)) c->Pinta(dc);
    }
}

void Form::ArmaTimer(Timer& t) {
    if (!hwnd_) return;
    if (t.ligado_ && t.intervalo_ > 0) SetTimer(hwnd_, t.id_, t.intervalo_, nullptr);
    else KillTimer(hwnd_, t.id_);
}

LRESULT CALLBACK Form::Procedimento(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    // Before creation finishes and after Unload the window gets only the system's handling.
    if (!form || form->hwnd_ != h) return DefWindowProcW(h, m, w, l);
    return form->Trata(m, w, l);
}

LRESULT Form::Trata(UINT m, WPARAM w, LPARAM l) {
    switch (m) {
    case WM_COMMAND: {
        Control* c = PorJanela(reinterpret_cast<HWND>(l));
        if (c) c->Notifica(HIWORD(w));
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(w);
        Control* c = PorJanela(reinterpret_cast<HWND>(l));
        if ((m == WM_CTLCOLORSTATIC || m == WM_CTLCOLORBTN) && (!c || !c->temFundo_)) {
            // Check boxes and buttons stand on the form's own ground.
            SetBkMode(dc, TRANSPARENT);
            if (c && c->temFrente_) SetTextColor(dc, CorReal(c->frente_));
            return reinterpret_cast<LRESULT>(Pincel(fundo_));
        }
        // A coloured box keeps its colour when disabled (the system then asks as for a static).
        if (!c || !c->temFundo_) break;
        SetBkColor(dc, CorReal(c->fundo_));
        if (c->temFrente_) SetTextColor(dc, CorReal(c->frente_));
        return reinterpret_cast<LRESULT>(Pincel(c->fundo_));
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_NCDESTROY: {
        // Taken away by the system with its owner: the form is unloaded from here on.
        HWND h = hwnd_;
        Esquece();
        return DefWindowProcW(h, m, w, l);
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        // Drawn off screen first so overlapping labels do not flicker; only the part asked
        // for, so that a progress label repainted after every file costs little.
        const RECT& area = ps.rcPaint;
        const int w = area.right - area.left, h = area.bottom - area.top;
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w > 0 ? w : 1, h > 0 ? h : 1);
        HGDIOBJ velho = SelectObject(mem, bmp);
        SetViewportOrgEx(mem, -area.left, -area.top, nullptr);
        Pinta(mem, area);
        SetViewportOrgEx(mem, 0, 0, nullptr);
        BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, velho);
        DeleteObject(bmp);
        DeleteDC(mem);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const POINT p = {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        Control* c = SemJanelaEm(p);
        const int botao = m == WM_LBUTTONDOWN ? 1 : m == WM_RBUTTONDOWN ? 2 : 4;
        const int shift = ((w & MK_SHIFT) ? 1 : 0) | ((w & MK_CONTROL) ? 2 : 0);
        pressionado_ = (m == WM_LBUTTONDOWN) ? c : nullptr;
        if (c) {
            const RECT r = c->Retangulo();
            c->BotaoAbaixo(botao, shift, (p.x - r.left) * kTwipsPorPixel, (p.y - r.top) * kTwipsPorPixel);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        const POINT p = {GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        Control* c = SemJanelaEm(p);
        if (c && c == pressionado_) c->Dispara(c->OnClick);
        pressionado_ = nullptr;
        return 0;
    }
    case WM_SETCURSOR: {
        if (!ponteiro_ || LOWORD(l) != HTCLIENT) break;
        HWND sob = reinterpret_cast<HWND>(w);
        Control* c = nullptr;
        if (sob == hwnd_) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd_, &p);
            c = SemJanelaEm(p);
        } else {
            c = PorJanela(sob);
        }
        if (c && c->ponteiro_) {
            SetCursor(ponteiro_);
            return TRUE;
        }
        break;
    }
    case WM_TIMER:
        for (Timer* t : timers_) {
            if (t->id_ == w && t->ligado_ && t->OnTimer && !Ending()) {
                try {
                    t->OnTimer();
                } catch (...) {
                }
            }
        }
        return 0;
    case WM_CLOSE:
        // No system frame to close it by: Alt+F4 and the task list go the way of the close image.
        if (OnClose) {
            try {
                OnClose();
            } catch (...) {
            }
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, m, w, l);
}

}  // namespace forms

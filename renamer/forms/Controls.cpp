#include "Controls.h"

#include "Form.h"
#include "Statement.h"

namespace forms {

COLORREF CorReal(unsigned long cor) {
    if (cor & 0x80000000UL) return GetSysColor(static_cast<int>(cor & 0xFF));
    return static_cast<COLORREF>(cor & 0xFFFFFF);
}

void Control::Place(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

RECT Control::Retangulo() const {
    RECT r;
    r.left = Pixels(left_);
    r.top = Pixels(top_);
    r.right = r.left + Pixels(width_);
    r.bottom = r.top + Pixels(height_);
    return r;
}

void Control::SetFont(const Fonte& f) {
    fonte_ = f;
    if (hwnd_ && form_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_->Fonte(f)), TRUE);
    else Redesenha();
}

void Control::SetBackColor(unsigned long cor) {
    fundo_ = cor;
    temFundo_ = true;
    Redesenha();
}

void Control::SetForeColor(unsigned long cor) {
    frente_ = cor;
    temFrente_ = true;
    Redesenha();
}

void Control::SetEnabled(bool sim) {
    habilitado_ = sim;
    if (hwnd_) EnableWindow(hwnd_, sim);
}

void Control::SetVisible(bool sim) {
    if (visivel_ == sim) return;
    visivel_ = sim;
    if (hwnd_) ShowWindow(hwnd_, sim ? SW_SHOWNA : SW_HIDE);
    else if (form_) form_->RedesenhaArea(Retangulo(), false);
}

void Control::Redesenha() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
    else if (form_ && !Janela()) form_->RedesenhaArea(Retangulo(), false);
}

void Control::Dispara(const std::function<void()>& evento) {
    if (!evento || Ending()) return;
    try {
        evento();
    } catch (...) {
        // A handler keeps its errors to itself; this is only the last fence before the system.
    }
}

void Control::CriaJanela(Form& form, int id, const wchar_t* classe, DWORD estilo, DWORD estiloEx,
                         const std::wstring& texto, int alturaExtra) {
    const RECT r = Retangulo();
    estilo |= WS_CHILD | WS_CLIPSIBLINGS | (visivel_ ? WS_VISIBLE : 0) | (habilitado_ ? 0 : WS_DISABLED);
    hwnd_ = CreateWindowExW(estiloEx, classe, texto.c_str(), estilo, r.left, r.top, r.right - r.left,
                            r.bottom - r.top + alturaExtra, form.Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form.Fonte(fonte_)), FALSE);
}

// ---- TextBox

void TextBox::Cria(Form& form, int id) {
    CriaJanela(form, id, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, texto_);
}

std::wstring TextBox::Text() const {
    if (!hwnd_) return texto_;
    const int n = GetWindowTextLengthW(hwnd_);
    std::wstring t(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd_, &t[0], n + 1);
    t.resize(static_cast<size_t>(n));
    return t;
}

void TextBox::SetText(const std::wstring& t) {
    texto_ = t;
    if (hwnd_) SetWindowTextW(hwnd_, t.c_str());
}

void TextBox::Notifica(int codigo) {
    if (codigo == EN_KILLFOCUS) Dispara(OnLostFocus);
}

// ---- CheckBox

void CheckBox::Cria(Form& form, int id) {
    CriaJanela(form, id, L"BUTTON", BS_3STATE | WS_TABSTOP, 0, L"");
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(valor_), 0);
}

void CheckBox::SetValue(int v) {
    if (v == valor_) return;
    valor_ = v;
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(v), 0);
    Dispara(OnClick);
}

void CheckBox::Notifica(int codigo) {
    if (codigo == BN_CLICKED) SetValue(valor_ == 1 ? 0 : 1);
}

// ---- Button

void Button::Cria(Form& form, int id) { CriaJanela(form, id, L"BUTTON", BS_PUSHBUTTON | BS_MULTILINE | WS_TABSTOP, 0, legenda_); }

void Button::SetCaption(const std::wstring& c) {
    legenda_ = c;
    if (hwnd_) SetWindowTextW(hwnd_, c.c_str());
}

void Button::Notifica(int codigo) {
    if (codigo == BN_CLICKED && habilitado_) Dispara(OnClick);
}

// ---- ComboBox

void ComboBox::Cria(Form& form, int id) {
    CriaJanela(form, id, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, L"", 200);
    if (!hwnd_) return;
    for (const auto& i : itens_) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(i.c_str()));
    AlargaALista(form);
    if (indice_ >= 0) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(indice_), 0);
    else SetWindowTextW(hwnd_, texto_.c_str());
}

void ComboBox::AlargaALista(Form& form) {
    // The box keeps its place; only its open list grows until the longest entry fits.
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    HGDIOBJ velho = SelectObject(dc, form.Fonte(fonte_));
    int largura = 0;
    for (const auto& i : itens_) {
        SIZE t;
        if (GetTextExtentPoint32W(dc, i.c_str(), static_cast<int>(i.size()), &t) && t.cx > largura) largura = t.cx;
    }
    SelectObject(dc, velho);
    ReleaseDC(hwnd_, dc);
    largura += GetSystemMetrics(SM_CXVSCROLL) + 8;
    if (largura > Pixels(width_)) SendMessageW(hwnd_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(largura), 0);
}

void ComboBox::AddItem(const std::wstring& item) {
    itens_.push_back(item);
    if (hwnd_) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

std::wstring ComboBox::List(int i) const {
    if (i < 0 || i >= ListCount()) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    return itens_[static_cast<size_t>(i)];
}

void ComboBox::SetListIndex(int i) {
    if (i < -1 || i >= ListCount()) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    indice_ = i;
    texto_ = i >= 0 ? itens_[static_cast<size_t>(i)] : std::wstring();
    if (hwnd_) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    Dispara(OnClick);
}

std::wstring ComboBox::Text() const {
    if (indice_ >= 0) return itens_[static_cast<size_t>(indice_)];
    if (!hwnd_) return texto_;
    const int n = GetWindowTextLengthW(hwnd_);
    std::wstring t(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd_, &t[0], n + 1);
    t.resize(static_cast<size_t>(n));
    return t;
}

void ComboBox::SetText(const std::wstring& t) {
    // Text alone chooses no entry, whatever it reads.
    indice_ = -1;
    texto_ = t;
    if (hwnd_) {
        SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(hwnd_, t.c_str());
    }
}

void ComboBox::Notifica(int codigo) {
    if (codigo == CBN_SELCHANGE) {
        const LRESULT i = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
        indice_ = i == CB_ERR ? -1 : static_cast<int>(i);
        Dispara(OnClick);
    } else if (codigo == CBN_EDITCHANGE) {
        indice_ = -1;
    }
}

// ---- ListBox

void ListBox::Cria(Form& form, int id) {
    CriaJanela(form, id, L"LISTBOX",
               LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
               WS_EX_CLIENTEDGE, L"");
    if (!hwnd_) return;
    for (const auto& i : itens_) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(i.c_str()));
}

void ListBox::AddItem(const std::wstring& item) {
    itens_.push_back(item);
    selecionados_.push_back(false);
    if (!hwnd_) return;
    if (preenchendo_ && !semRedesenho_) {
        // Only a batch that adds something costs a repaint.
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(hwnd_, LB_INITSTORAGE, static_cast<WPARAM>(esperados_), static_cast<LPARAM>(esperados_ * 64));
        semRedesenho_ = true;
    }
    SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ListBox::BeginFill(size_t esperados) {
    esperados_ = esperados;
    preenchendo_ = true;
}

void ListBox::EndFill() {
    preenchendo_ = false;
    if (!semRedesenho_) return;
    semRedesenho_ = false;
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListBox::Clear() {
    itens_.clear();
    selecionados_.clear();
    foco_ = -1;
    if (hwnd_) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

std::wstring ListBox::List(int i) const {
    if (i < 0 || i >= ListCount()) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    return itens_[static_cast<size_t>(i)];
}

bool ListBox::Selected(int i) const {
    if (i < 0 || i >= ListCount()) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    if (hwnd_) return SendMessageW(hwnd_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
    return selecionados_[static_cast<size_t>(i)];
}

void ListBox::SetSelected(int i, bool sim) {
    if (i < 0 || i >= ListCount()) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    selecionados_[static_cast<size_t>(i)] = sim;
    foco_ = i;
    if (hwnd_) {
        SendMessageW(hwnd_, LB_SETSEL, sim ? TRUE : FALSE, static_cast<LPARAM>(i));
        SendMessageW(hwnd_, LB_SETCARETINDEX, static_cast<WPARAM>(i), FALSE);
    }
}

void ListBox::SelectAll() {
    selecionados_.assign(itens_.size(), true);
    if (itens_.empty()) return;
    foco_ = ListCount() - 1;
    if (hwnd_) {
        SendMessageW(hwnd_, LB_SETSEL, TRUE, -1);
        SendMessageW(hwnd_, LB_SETCARETINDEX, static_cast<WPARAM>(foco_), FALSE);
    }
}

std::vector<int> ListBox::SelectedIndexes() const {
    std::vector<int> indices;
    if (!hwnd_) {
        for (size_t i = 0; i < selecionados_.size(); ++i)
            if (selecionados_[i]) indices.push_back(static_cast<int>(i));
        return indices;
    }
    const LRESULT n = SendMessageW(hwnd_, LB_GETSELCOUNT, 0, 0);
    if (n == LB_ERR || n <= 0) return indices;
    indices.resize(static_cast<size_t>(n));
    const LRESULT lidos = SendMessageW(hwnd_, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&indices[0]));
    indices.resize(lidos == LB_ERR ? 0 : static_cast<size_t>(lidos));
    return indices;
}

int ListBox::ListIndex() const {
    if (itens_.empty()) return -1;
    if (!hwnd_) return foco_;
    const LRESULT i = SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

std::wstring ListBox::Text() const {
    const int i = ListIndex();
    return i < 0 || i >= ListCount() ? std::wstring() : itens_[static_cast<size_t>(i)];
}

void ListBox::Notifica(int codigo) {
    if (codigo == LBN_SELCHANGE) Dispara(OnClick);
}

// ---- Label

void Label::Cria(Form&, int) {}

void Label::SetCaption(const std::wstring& c) {
    if (c == legenda_) return;
    legenda_ = c;
    Redesenha();
}

void Label::Refresh() {
    if (form_) form_->RedesenhaArea(Retangulo(), true);
}

void Label::Pinta(HDC dc) {
    RECT r = Retangulo();
    if (opaco_) FillRect(dc, &r, form_->Pincel(fundo_));
    if (borda_) {
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    if (legenda_.empty()) return;
    HGDIOBJ velho = SelectObject(dc, form_->Fonte(fonte_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CorReal(temFrente_ ? frente_ : 0));
    UINT formato = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    formato |= alinhamento_ == Alinhamento::Centro ? DT_CENTER : DT_LEFT;
    DrawTextW(dc, legenda_.c_str(), static_cast<int>(legenda_.size()), &r, formato);
    SelectObject(dc, velho);
}

void Label::BotaoAbaixo(int botao, int shift, int x, int y) {
    if (!OnMouseDown || Ending()) return;
    try {
        OnMouseDown(botao, shift, x, y);
    } catch (...) {
    }
}

// ---- Image

Image::~Image() {
    if (imagem_) DeleteObject(imagem_);
}

void Image::Cria(Form&, int) {}

void Image::SetPicture(HBITMAP b) {
    if (imagem_) DeleteObject(imagem_);
    imagem_ = b;
    Redesenha();
}

void Image::Pinta(HDC dc) {
    RECT r = Retangulo();
    if (imagem_) {
        BITMAP bm;
        GetObjectW(imagem_, sizeof(bm), &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ velho = SelectObject(mem, imagem_);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, velho);
        DeleteDC(mem);
    }
    if (borda_) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
}

// ---- Frame

void Frame::Cria(Form&, int) {}

void Frame::Pinta(HDC dc) {
    RECT r = Retangulo();
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
}

// ---- Timer

void Timer::SetInterval(unsigned ms) {
    intervalo_ = ms;
    Arma();
}

void Timer::SetEnabled(bool sim) {
    ligado_ = sim;
    Arma();
}

void Timer::Arma() {
    if (form_) form_->ArmaTimer(*this);
}

}  // namespace forms

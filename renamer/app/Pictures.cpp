#include "Pictures.h"

namespace velkaro {

namespace {

// A 24-bit picture and a memory DC to draw it with.
struct Tela {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ velho = nullptr;
    Tela(int w, int h) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        velho = SelectObject(dc, bmp);
    }
    HBITMAP Entrega() {
        SelectObject(dc, velho);
        DeleteDC(dc);
        return bmp;
    }
    void Retangulo(int l, int t, int r, int b, COLORREF cor) {
        RECT rc = {l, t, r, b};
        HBRUSH p = CreateSolidBrush(cor);
        FillRect(dc, &rc, p);
        DeleteObject(p);
    }
    void Texto(const wchar_t* t, RECT rc, int altura, COLORREF cor, bool negrito) {
        HFONT f = CreateFontW(-altura, 0, 0, 0, negrito ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
        HGDIOBJ v = SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, cor);
        DrawTextW(dc, t, -1, &rc, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, v);
        DeleteObject(f);
    }
};

}  // namespace

HBITMAP FundoDaJanela() {
    Tela t(681, 591);
    // A title band, a steel-blue body fading downwards, and a darker advert strip.
    for (int y = 0; y < 591; y += 3) {
        const int k = y * 60 / 591;
        t.Retangulo(0, y, 681, y + 3, RGB(150 - k, 170 - k, 195 - k));
    }
    t.Retangulo(0, 0, 681, 58, RGB(70, 90, 130));
    t.Retangulo(0, 58, 681, 61, RGB(230, 230, 240));
    t.Retangulo(0, 462, 681, 591, RGB(95, 110, 140));
    return t.Entrega();
}

HBITMAP ImagemDeFechar() {
    Tela t(25, 30);
    t.Retangulo(0, 0, 25, 30, RGB(70, 90, 130));
    t.Retangulo(2, 4, 23, 26, RGB(190, 40, 40));
    HPEN caneta = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
    HGDIOBJ v = SelectObject(t.dc, caneta);
    MoveToEx(t.dc, 7, 9, nullptr);
    LineTo(t.dc, 18, 21);
    MoveToEx(t.dc, 18, 9, nullptr);
    LineTo(t.dc, 7, 21);
    SelectObject(t.dc, v);
    DeleteObject(caneta);
    return t.Entrega();
}

HBITMAP PropagandaEmbutida() {
    Tela t(266, 214);
    t.Retangulo(0, 0, 266, 214, RGB(20, 50, 110));
    t.Retangulo(10, 10, 256, 204, RGB(240, 200, 60));
    t.Retangulo(16, 16, 250, 198, RGB(20, 50, 110));
    t.Texto(L"Velkaro", RECT{16, 50, 250, 110}, 40, RGB(255, 255, 255), true);
    t.Texto(L"Renomeie e copie seus arquivos em lote", RECT{26, 120, 240, 190}, 16, RGB(240, 200, 60), false);
    return t.Entrega();
}

HBITMAP FundoDaMensagem() {
    Tela t(312, 149);
    t.Retangulo(0, 0, 312, 149, RGB(0x40, 0x40, 0x40));
    t.Retangulo(0, 0, 312, 30, RGB(70, 90, 130));
    t.Retangulo(0, 30, 312, 32, RGB(230, 230, 240));
    t.Texto(L"Velkaro", RECT{0, 4, 312, 28}, 18, RGB(255, 255, 255), true);
    return t.Entrega();
}

}  // namespace velkaro

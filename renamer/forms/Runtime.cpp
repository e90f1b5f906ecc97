#include "Form.h"

namespace forms {

std::wstring g_tituloDoAplicativo = L"";

namespace {
bool g_terminando = false;

int MsgBoxDoSistema(HWND dono, const std::wstring& texto, const std::wstring& titulo, UINT estilo) {
    return MessageBoxW(dono, texto.c_str(), titulo.c_str(), estilo);
}
}  // namespace

FuncaoMsgBox g_msgBox = MsgBoxDoSistema;

int MsgBox(const Form& dono, const std::wstring& texto, UINT estilo, const std::wstring& titulo) {
    return g_msgBox(dono.Hwnd(), texto, titulo.empty() ? g_tituloDoAplicativo : titulo, estilo);
}

void Despacha(MSG& msg) {
    // Tab between controls and access keys, as in a dialog.
    HWND raiz = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (raiz && IsDialogMessageW(raiz, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void DoEvents() {
    MSG msg;
    while (!g_terminando && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop has to see it too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Despacha(msg);
    }
}

void End() {
    if (g_terminando) return;
    g_terminando = true;
    PostQuitMessage(0);
}

bool Ending() { return g_terminando; }

std::wstring PastaDoPrograma() {
    std::wstring caminho(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &caminho[0], static_cast<DWORD>(caminho.size()));
        if (n == 0) return std::wstring();
        if (n < caminho.size()) {
            caminho.resize(n);
            break;
        }
        caminho.resize(caminho.size() * 2);
    }
    const size_t barra = caminho.rfind(L'\\');
    if (barra == std::wstring::npos) return std::wstring();
    // A root keeps its separator ("C:\"), any other folder loses it.
    return caminho.substr(0, barra == 2 ? 3 : barra);
}

}  // namespace forms

namespace forms {
void ReiniciaDepoisDeEnd() {
    g_terminando = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}
}  // namespace forms

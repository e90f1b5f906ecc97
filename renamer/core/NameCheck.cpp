#include "NameCheck.h"

#include "Texto.h"

namespace velkaro {

namespace {

bool NomeDeDispositivo(const std::wstring& nome) {
    // Devices answer to their name with any extension ("NUL.txt"), and trailing spaces
    // before the dot are ignored too.
    std::wstring base = Maiusculas(nome.substr(0, nome.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    static const wchar_t* const fixos[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* f : fixos)
        if (base == f) return true;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
        const wchar_t d = base[3];
        // Superscript digits name ports as well.
        return (d >= L'0' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
    }
    return false;
}

}  // namespace

bool NomeDeArquivoValido(const std::wstring& nome) {
    if (nome.empty() || nome == L"." || nome == L"..") return false;
    for (wchar_t c : nome) {
        if (c < 32 || c == 127) return false;
        if (std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) return false;
    }
    if (nome.back() == L'.' || nome.back() == L' ') return false;
    return !NomeDeDispositivo(nome);
}

}  // namespace velkaro

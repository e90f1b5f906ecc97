#include "Texto.h"

#include <windows.h>

namespace velkaro {

std::wstring Maiusculas(const std::wstring& text) {
    std::wstring out(text);
    if (!out.empty()) CharUpperBuffW(&out[0], static_cast<DWORD>(out.size()));
    return out;
}

std::wstring Minusculas(const std::wstring& text) {
    std::wstring out(text);
    if (!out.empty()) CharLowerBuffW(&out[0], static_cast<DWORD>(out.size()));
    return out;
}

bool IguaisSemCaixa(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && Maiusculas(a) == Maiusculas(b);
}

}  // namespace velkaro

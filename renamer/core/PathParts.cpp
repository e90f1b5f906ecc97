#include "PathParts.h"

namespace velkaro {

std::wstring ParteCaminho(const std::wstring& caminho, const std::wstring& modo) {
    const size_t barra = caminho.rfind(L'\\');
    if (modo == L"D" || modo == L"d") {
        return barra == std::wstring::npos ? std::wstring() : caminho.substr(0, barra);
    }
    if (modo == L"A" || modo == L"a") {
        return barra == std::wstring::npos ? caminho : caminho.substr(barra + 1);
    }
    return std::wstring();
}

std::wstring JuntaCaminho(const std::wstring& pasta, const std::wstring& nome) {
    if (!pasta.empty() && pasta.back() == L'\\') return pasta + nome;
    return pasta + L"\\" + nome;
}

std::wstring TextoDoItem(int subPastas, const std::wstring& pasta, const std::wstring& nome) {
    if (subPastas != 1) return nome;
    if (pasta.size() == 3) return pasta + nome;
    return pasta + L"\\" + nome;
}

}  // namespace velkaro

#include "FileOps.h"

#include <windows.h>

#include <string>

#include "PathParts.h"
#include "Texto.h"

namespace velkaro {

namespace {

std::wstring CaminhoCompleto(const std::wstring& caminho) {
    const DWORD n = GetFullPathNameW(caminho.c_str(), 0, nullptr, nullptr);
    if (n == 0) return caminho;
    std::wstring out(n, L'\0');
    const DWORD m = GetFullPathNameW(caminho.c_str(), n, &out[0], nullptr);
    out.resize(m < n ? m : 0);
    return out.empty() ? caminho : out;
}

bool Existe(const std::wstring& caminho) {
    return GetFileAttributesW(caminho.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether the move or copy just refused was refused because its target name is taken.
bool AlvoOcupado() {
    const DWORD e = GetLastError();
    return e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS;
}

}  // namespace

bool MoveDoSistema(const std::wstring& de, const std::wstring& para) {
    // MoveFileW without MOVEFILE_REPLACE_EXISTING refuses an existing target.
    return MoveFileW(de.c_str(), para.c_str()) != FALSE;
}

bool RenomeiaNaPasta(const std::wstring& pasta, const std::wstring& antigo, const std::wstring& novo,
                     std::wstring* presoComo, const MoveArquivo& move) {
    if (presoComo) presoComo->clear();
    const std::wstring de = JuntaCaminho(pasta, antigo);
    const std::wstring para = JuntaCaminho(pasta, novo);
    if (antigo == novo) return false;
    if (!IguaisSemCaixa(antigo, novo)) return move(de, para);
    if (!Existe(de)) return false;
    // Letter case only: park the file under a free temporary name first. The move itself
    // refuses a taken name; asking first would cost another search of the folder for a name
    // that is almost always free, and under Wine such a search reads the whole folder.
    for (unsigned tentativa = 0; tentativa < 100; ++tentativa) {
        const std::wstring temporario = JuntaCaminho(pasta, antigo + L".velkaro" + std::to_wstring(tentativa));
        if (!move(de, temporario)) {
            if (AlvoOcupado()) continue;
            return false;
        }
        if (move(temporario, para)) return true;
        if (!move(temporario, de) && presoComo) *presoComo = temporario;
        return false;
    }
    return false;
}

bool CopiaSemSobrescrever(const std::wstring& origem, const std::wstring& destino) {
    if (IguaisSemCaixa(CaminhoCompleto(origem), CaminhoCompleto(destino))) return false;
    // Told to fail if the target exists, the copy refuses any taken name, a folder's too.
    return CopyFileW(origem.c_str(), destino.c_str(), TRUE) != FALSE;
}

std::wstring NomeLivre(const std::wstring& pasta, const std::wstring& nome) {
    if (!Existe(JuntaCaminho(pasta, nome))) return nome;
    // The extension is what follows the last dot, as the shell splits it; a leading dot
    // starts a name, not an extension.
    const size_t ponto = nome.rfind(L'.');
    const bool temExtensao = ponto != std::wstring::npos && ponto > 0;
    const std::wstring base = temExtensao ? nome.substr(0, ponto) : nome;
    const std::wstring extensao = temExtensao ? nome.substr(ponto) : std::wstring();
    for (unsigned n = 1; n <= 9999; ++n) {
        const std::wstring candidato =
            base + L" - Cópia" + (n == 1 ? std::wstring() : L" (" + std::to_wstring(n) + L")") + extensao;
        if (!Existe(JuntaCaminho(pasta, candidato))) return candidato;
    }
    return std::wstring();
}

}  // namespace velkaro

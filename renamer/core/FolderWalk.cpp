#include "FolderWalk.h"

#include <windows.h>

#include <vector>

#include "NameFilter.h"
#include "PathParts.h"
#include "Texto.h"

namespace velkaro {

std::wstring Varredura::CaminhoDaPasta(const std::wstring& pasta) {
    const DWORD n = GetFullPathNameW(pasta.c_str(), 0, nullptr, nullptr);
    std::wstring out;
    if (n != 0) {
        out.assign(n, L'\0');
        const DWORD m = GetFullPathNameW(pasta.c_str(), n, &out[0], nullptr);
        out.resize(m < n ? m : 0);
    }
    if (out.empty()) out = pasta;
    while (out.size() > 3 && out.back() == L'\\') out.pop_back();
    return out;
}

bool Varredura::JaVisitada(const std::wstring& caminho) {
    HANDLE h = CreateFileW(caminho.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info)) {
        CloseHandle(h);
        return !visitadas_.insert(std::make_tuple(static_cast<uint32_t>(info.dwVolumeSerialNumber),
                                                  static_cast<uint32_t>(info.nFileIndexHigh),
                                                  static_cast<uint32_t>(info.nFileIndexLow)))
                    .second;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return !visitadasPorNome_.insert(Maiusculas(caminho)).second;
}

void Varredura::Visita(const std::wstring& pastaPedida, int profundidade) {
    if (pastaPedida.empty() || Obsoleta()) return;
    const std::wstring pasta = CaminhoDaPasta(pastaPedida);
    if (JaVisitada(pasta)) return;

    // One enumeration gives both lists; the files are handled before any sub-folder.
    std::vector<std::wstring> arquivos, subpastas;
    WIN32_FIND_DATAW achado;
    HANDLE busca = FindFirstFileW(JuntaCaminho(pasta, L"*").c_str(), &achado);
    if (busca == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring nome = achado.cFileName;
        if (achado.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (nome == L"." || nome == L"..") continue;
            if (achado.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            subpastas.push_back(nome);
        } else {
            arquivos.push_back(nome);
        }
    } while (FindNextFileW(busca, &achado));
    FindClose(busca);

    const Filtro filtro = Filtro::Compila(filtro_);
    if (ganchos_.antesDosArquivos) ganchos_.antesDosArquivos(arquivos.size());
    for (const std::wstring& nome : arquivos) {
        if (filtro.Aceita(nome)) {
            if (Obsoleta()) return;
            if (ganchos_.adiciona) ganchos_.adiciona(pasta, nome);
        }
        if (Parar() || Obsoleta()) break;
    }

    if (ganchos_.cede) ganchos_.cede();
    if (Obsoleta()) return;

    if (subPastas_ != 1 || profundidade >= kProfundidadeMaxima) return;
    for (const std::wstring& nome : subpastas) {
        Visita(JuntaCaminho(pasta, nome), profundidade + 1);
        if (Parar() || Obsoleta()) break;
    }
}

}  // namespace velkaro

// Walks one folder and, in sub-folder mode, its whole tree depth first (a folder's files,
// then each sub-folder's tree in turn), handing every file that passes the filter to the
// caller. The caller decides when to yield and when to stop; the walk asks at its check
// points. Linked folders (reparse points) are not entered, no folder is walked twice, and the
// depth is bounded, so a loop in the file system cannot keep a walk going.
#ifndef VELKARO_FOLDERWALK_H
#define VELKARO_FOLDERWALK_H

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <tuple>

namespace velkaro {

struct GanchosDaVarredura {
    // Once per folder, before its files: how many files it holds (at most that many are added).
    std::function<void(size_t arquivos)> antesDosArquivos;
    // A file that passed the filter: the folder's path (no trailing "\" but for a drive root).
    std::function<void(const std::wstring& pasta, const std::wstring& nome)> adiciona;
    // Once per folder, after its files and before its sub-folders.
    std::function<void()> cede;
    // The user's stop request: ends the file loop after the current file and the sub-folder
    // loop after the current sub-folder.
    std::function<bool()> parar;
    // True once this walk has been replaced or its window is gone: it then adds nothing more
    // and unwinds at once.
    std::function<bool()> obsoleta;
};

class Varredura {
public:
    static const int kProfundidadeMaxima = 64;

    Varredura(int subPastas, const std::wstring& filtro, const GanchosDaVarredura& ganchos)
        : subPastas_(subPastas), filtro_(filtro), ganchos_(ganchos) {}

    void Percorre(const std::wstring& pasta) { Visita(pasta, 0); }

    // The form a folder service reports a folder's path in.
    static std::wstring CaminhoDaPasta(const std::wstring& pasta);

private:
    void Visita(const std::wstring& pasta, int profundidade);
    bool Obsoleta() const { return ganchos_.obsoleta && ganchos_.obsoleta(); }
    bool Parar() const { return ganchos_.parar && ganchos_.parar(); }
    bool JaVisitada(const std::wstring& caminho);

    int subPastas_;
    std::wstring filtro_;
    GanchosDaVarredura ganchos_;
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> visitadas_;
    std::set<std::wstring> visitadasPorNome_;
};

}  // namespace velkaro

#endif

// Filling the file list: the refresh, the folder walk and the entries it adds.
#include "../core/FolderWalk.h"
#include "../core/PathParts.h"
#include "../forms/Statement.h"
#include "FormVelkaro.h"

using forms::Cond;
using forms::Stmt;

namespace velkaro {

void FormVelkaro::AtualizaLista() {
    // A refresh replaces every walk still running (one whose yield let this handler in):
    // from here on that walk adds nothing and unwinds when control gets back to it.
    ++geracaoDaVarredura_;
    if (Cond([&] { return Interromper.Enabled(); })) Stmt([&] { Interromper_Click(); });
    Stmt([&] { Parar = false; });
    Stmt([&] { Interromper.SetEnabled(true); });
    Stmt([&] { SubPastas.Clear(); });
    Stmt([&] {
        // Copies: the walk keeps the settings of its start.
        const std::wstring pasta = DirListBox.List(DirListBox.ListIndex());
        const int subPastas = Exibe_SubPastas.Value();
        const std::wstring filtro = Filtro.Text();
        VarrePasta(pasta, subPastas, filtro);
    });
    Stmt([&] { Interromper.SetEnabled(false); });
    Stmt([&] { Ok.SetEnabled(false); });
}

std::wstring FormVelkaro::VarrePasta(const std::wstring& pasta, int subPastas, const std::wstring& filtro) {
    if (pasta.empty()) return std::wstring();
    const uint32_t minhaGeracao = geracaoDaVarredura_;
    // A folder's entries go into the list as one batch that ends before the yield, so the
    // list repaints once per folder, when the user can see it anyway.
    GanchosDaVarredura ganchos;
    ganchos.antesDosArquivos = [this](size_t n) { SubPastas.BeginFill(n); };
    ganchos.adiciona = [&](const std::wstring& p, const std::wstring& n) { Stmt([&] { AdicionaItem(subPastas, p, n); }); };
    ganchos.cede = [this] {
        SubPastas.EndFill();
        forms::DoEvents();
    };
    ganchos.parar = [this] { return Parar; };
    ganchos.obsoleta = [this, minhaGeracao] {
        return minhaGeracao != geracaoDaVarredura_ || !Loaded() || forms::Ending();
    };
    Varredura(subPastas, filtro, ganchos).Percorre(pasta);
    SubPastas.EndFill();  // a walk that ended inside a folder's files
    return std::wstring();
}

void FormVelkaro::AdicionaItem(int subPastas, const std::wstring& pasta, const std::wstring& nome) {
    SubPastas.AddItem(TextoDoItem(subPastas, pasta, nome));
}

}  // namespace velkaro

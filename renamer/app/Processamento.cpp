// Ok_Click: rename the selected files in place, or copy them under their new names.
// Runs to its end without yielding; only the progress caption is repainted on the way.
#include <windows.h>

#include "../core/FileOps.h"
#include "../core/NameCheck.h"
#include "../core/PathParts.h"
#include "../core/RenameRules.h"
#include "../core/Texto.h"
#include "../forms/Statement.h"
#include "FormVelkaro.h"

using forms::Cond;
using forms::Stmt;

namespace velkaro {

namespace {
// Milliseconds between two repaints of the progress caption: 25 a second still reads as
// counting continuously.
constexpr uint64_t kIntervaloDaPintura = 40;
}  // namespace

void FormVelkaro::Ok_Click() {
    int resposta = 0;
    Stmt([&] { resposta = forms::MsgBox(*this, L"Confirma o Processamento dos Arquivos?", MB_YESNO, forms::g_tituloDoAplicativo); });
    if (resposta != IDYES) return;

    // The search text is taken once; the other settings are read again for every entry.
    RegraDeNome regra;
    if (Cond([&] { return Maiuscula.Value() == 1; })) Stmt([&] { regra.procura = Procura.Text(); });
    else Stmt([&] { regra.procura = Maiusculas(Procura.Text()); });

    int32_t processados = 0;
    // The count the screen last showed, and when (never yet: the first entry shows at once).
    int32_t pintado = 0;
    uint64_t ultimaPintura = 0;
    // Nothing yields during the run, so the selection read once at its start is the one
    // every entry would have shown.
    std::vector<int> selecionados;
    Stmt([&] { selecionados = SubPastas.SelectedIndexes(); });
    for (const int i : selecionados) {

        std::wstring pasta, nome, novo;
        if (Cond([&] { return Exibe_SubPastas.Value() == 1; })) {
            Stmt([&] { pasta = ParteCaminho(SubPastas.List(i), L"D"); });
            Stmt([&] { nome = ParteCaminho(SubPastas.List(i), L"A"); });
        } else {
            Stmt([&] { pasta = DirListBox.List(DirListBox.ListIndex()); });
            Stmt([&] { nome = SubPastas.List(i); });
        }

        Stmt([&] { regra.respeitaCaixa = Maiuscula.Value() == 1; });
        Stmt([&] { regra.operacao = static_cast<Operacao>(Inserir.ListIndex()); });
        Stmt([&] { regra.antes = Antes.Value() == 1; });
        Stmt([&] { regra.acrescenta = Acrescenta.Text(); });
        Stmt([&] { regra.transformar = Transformar.Text(); });
        // Empty when the search text is absent or no name comes out: the file is not touched.
        Stmt([&] { novo = NovoNome(nome, regra); });
        Stmt([&] { Processa(pasta, nome, novo); });

        Stmt([&] { processados += 1; });
        Stmt([&] {
            Processo.SetCaption(L"Total de arquivos a Processar : " + std::to_wstring(TotalSelecionados) +
                                L"     Total de arquivos Processados: " + std::to_wstring(processados));
        });
        // A repaint costs about a millisecond under Wine, as much as the rename itself in a
        // small folder, and no screen shows more than a few dozen a second: the count on
        // screen is brought up to date once a frame's time has passed, and after the last entry.
        const uint64_t agora = GetTickCount64();
        if (agora - ultimaPintura >= kIntervaloDaPintura) {
            Stmt([&] { Processo.Refresh(); });
            ultimaPintura = agora;
            pintado = processados;
        }
    }
    if (pintado != processados) Stmt([&] { Processo.Refresh(); });
    Stmt([&] { AtualizaLista(); });
}

void FormVelkaro::Processa(const std::wstring& pasta, const std::wstring& nome, const std::wstring& novo) {
    if (novo.empty()) return;
    // A name made of typed text could leave the folder, open a device or name another file
    // than asked for: such a file is left alone (it still counts as processed).
    if (!NomeDeArquivoValido(novo)) return;
    if (pasta.empty() || nome.empty()) return;
    if (Alterar.Value() == 1) {
        std::wstring presoComo;
        if (novo != nome && !RenomeiaNaPasta(pasta, nome, novo, &presoComo) && !presoComo.empty()) {
            // The only failure that leaves a file where the user would not look for it.
            forms::MsgBox(*this, L"O arquivo " + JuntaCaminho(pasta, nome) + L" não pôde ser renomeado e ficou como " +
                                     presoComo,
                          MB_OK | MB_ICONEXCLAMATION, forms::g_tituloDoAplicativo);
        }
    } else {
        CopiaSemSobrescrever(JuntaCaminho(pasta, nome), JuntaCaminho(Dir1.Path(), novo));
    }
}

}  // namespace velkaro

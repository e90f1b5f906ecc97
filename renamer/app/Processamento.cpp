// Ok_Click: rename the selected files in place, or copy them under their new names.
// Runs to its end without yielding; only the progress caption is repainted on the way.
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

void FormVelkaro::Ok_Click() {
    int resposta = 0;
    Stmt([&] { resposta = forms::MsgBox(L"Confirma o Processamento dos Arquivos?", MB_YESNO, forms::g_tituloDoAplicativo); });
    if (resposta != IDYES) return;

    std::wstring s;
    if (Cond([&] { return Maiuscula.Value() == 1; })) Stmt([&] { s = Procura.Text(); });
    else Stmt([&] { s = Maiusculas(Procura.Text()); });

    int32_t processados = 0;
    int32_t total = 0;
    Stmt([&] { total = SubPastas.ListCount(); });
    for (int32_t i = 0; i < total; ++i) {
        if (!Cond([&] { return SubPastas.Selected(i); })) continue;

        std::wstring pasta, nome, novo;
        if (Cond([&] { return Exibe_SubPastas.Value() == 1; })) {
            Stmt([&] { pasta = ParteCaminho(SubPastas.List(i), L"D"); });
            Stmt([&] { nome = ParteCaminho(SubPastas.List(i), L"A"); });
        } else {
            Stmt([&] { pasta = DirListBox.List(DirListBox.ListIndex()); });
            Stmt([&] { nome = SubPastas.List(i); });
        }

        bool respeitaCaixa = false;
        Stmt([&] { respeitaCaixa = Maiuscula.Value() == 1; });
        int p = 0;
        Stmt([&] { p = PosicaoDaProcura(nome, s, respeitaCaixa); });
        if (p != 0) {
            Stmt([&] {
                novo = MontaNovoNome(nome, p, static_cast<int>(s.size()), Inserir.ListIndex(), Antes.Value() == 1,
                                     Acrescenta.Text());
            });
            Stmt([&] { novo = AplicaCaixa(novo, Transformar.Text()); });
            Stmt([&] { Processa(pasta, nome, novo); });
        }

        Stmt([&] { processados += 1; });
        Stmt([&] {
            Processo.SetCaption(L"Total de arquivos a Processar : " + std::to_wstring(TotalSelecionados) +
                                L"     Total de arquivos Processados: " + std::to_wstring(processados));
        });
        Stmt([&] { Processo.Refresh(); });
    }
    Stmt([&] { AtualizaLista(); });
}

void FormVelkaro::Processa(const std::wstring& pasta, const std::wstring& nome, const std::wstring& novo) {
    if (novo.empty()) return;
    // A name made of typed text could leave the folder, open a device or name another file
    // than asked for: such a file is left alone (it still counts as processed).
    if (!NomeDeArquivoValido(novo)) return;
    if (pasta.empty() || nome.empty()) return;
    if (Alterar.Value() == 1) {
        if (novo != nome) RenomeiaNaPasta(pasta, nome, novo);
    } else {
        CopiaSemSobrescrever(JuntaCaminho(pasta, nome), JuntaCaminho(Dir1.Path(), novo));
    }
}

}  // namespace velkaro

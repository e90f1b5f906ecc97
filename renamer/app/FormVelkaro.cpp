// The window's life and the handlers that keep its controls consistent.
#include "FormVelkaro.h"

#include <string>

#include "../core/PathParts.h"
#include "../core/Texto.h"
#include "../forms/Statement.h"
#include "DorvikGuids.h"

using forms::Cond;
using forms::Stmt;

namespace velkaro {

namespace {
const wchar_t kTotalAProcessar[] = L"Total de arquivos a Processar : ";

std::vector<std::wstring> Split(const std::wstring& texto, wchar_t separador) {
    std::vector<std::wstring> pecas;
    size_t inicio = 0;
    for (;;) {
        const size_t fim = texto.find(separador, inicio);
        pecas.push_back(texto.substr(inicio, fim == std::wstring::npos ? std::wstring::npos : fim - inicio));
        if (fim == std::wstring::npos) return pecas;
        inicio = fim + 1;
    }
}
}  // namespace

FormVelkaro::FormVelkaro() : forms::Form(L"Velkaro", 10200, 8865) {
    forms::g_tituloDoAplicativo = L"Velkaro";
    Monta();
    LigaEventos();
}

FormVelkaro::~FormVelkaro() { Unload(); }

void FormVelkaro::LigaEventos() {
    Alterar.OnClick = [this] { Alterar_Click(); };
    Criar.OnClick = [this] { Criar_Click(); };
    Inserir.OnClick = [this] { Inserir_Click(); };
    SubPastas.OnClick = [this] { SubPastas_Click(); };
    Tudo.OnClick = [this] { Tudo_Click(); };
    Interromper.OnClick = [this] { Interromper_Click(); };
    Ok.OnClick = [this] { Ok_Click(); };
    Fechar.OnClick = [this] { Fechar_Click(); };
    Filtro.OnLostFocus = [this] { Filtro_LostFocus(); };
    Exibe_SubPastas.OnClick = [this] { Exibe_SubPastas_Click(); };
    DirListBox.OnClick = [this] { DirListBox_Click(); };
    DirListBox.OnChange = [this] { DirListBox_Change(); };
    Drive1.OnChange = [this] { Drive1_Change(); };
    DriveListBox.OnChange = [this] { DriveListBox_Change(); };
    Mover.OnMouseDown = [this](int b, int s, int x, int y) { Mover_MouseDown(b, s, x, y); };
    Timer1.OnTimer = [this] { Timer1_Timer(); };
    Timer2.OnTimer = [this] { Timer2_Timer(); };
    Timer3.OnTimer = [this] { Timer3_Timer(); };
    Banner0.OnClick = [this] { Banner_Click(0); };
    Banner1.OnClick = [this] { Banner_Click(1); };
    Propaganda0.OnClick = [this] { Propaganda_Click(0); };
    Propaganda1.OnClick = [this] { Propaganda_Click(1); };
    Propaganda2.OnClick = [this] { Propaganda_Click(2); };
    Propaganda3.OnClick = [this] { Propaganda_Click(3); };
    OnClose = [this] { Fechar_Click(); };
}

bool FormVelkaro::Carrega() {
    if (!Load()) return false;
    // The control may be missing (not registered): the window runs without it.
    ftp1.Create(forms::ClsidDeTexto(DORVIK_CLSID_TEXT), kEstadoDoFtp1, sizeof(kEstadoDoFtp1));
    return true;
}

void FormVelkaro::OnUnload() {
    // A walk still running under a handler sees this at its next check point and unwinds.
    ++geracaoDaVarredura_;
    Form_MSG.Unload();
    ftp1.Release();
}

std::wstring FormVelkaro::TextoDaLinhaDeComando(const wchar_t* linha) {
    if (!linha) return std::wstring();
    const wchar_t* p = linha;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

void FormVelkaro::Form_Load(const std::wstring& linhaDeComando) {
    if (Cond([&] { return linhaDeComando.size() > 0; })) {
        // The unattended run never shows its window; there is no setting to clear for it.
        // Until the copy has run and copied everything, the run counts as failed.
        codigoDeSaida_ = 1;
        Stmt([&] { Hide(); });
        Stmt([&] { CopiaWindows::Parametros = Split(linhaDeComando, L'|'); });
        Stmt([&] { Form_MSG.Mostra(Hwnd()); });
        Stmt([&] { forms::DoEvents(); });
        Stmt([&] {
            const std::wstring opcao = Maiusculas(CopiaWindows::Parametros.at(2));
            CopiaPasta(CopiaWindows::Parametros.at(0), CopiaWindows::Parametros.at(1), opcao);
        });
        Stmt([&] { Unload(); });
    } else {
        Stmt([&] { Timer1.SetEnabled(true); });
    }
}

void FormVelkaro::Alterar_Click() {
    if (Cond([&] { return Ocupado; })) return;
    if (Cond([&] { return Alterar.Value() == 1; })) {
        Stmt([&] { Ocupado = true; });
        Stmt([&] { Criar.SetValue(0); });
        Stmt([&] { Ocupado = false; });
        Stmt([&] { Drive1.SetEnabled(false); });
        Stmt([&] { Dir1.SetEnabled(false); });
    } else {
        Stmt([&] { Ocupado = true; });
        Stmt([&] { Alterar.SetValue(1); });
        Stmt([&] { Ocupado = false; });
    }
}

void FormVelkaro::Criar_Click() {
    if (Cond([&] { return Ocupado; })) return;
    if (Cond([&] { return Criar.Value() == 1; })) {
        Stmt([&] { Ocupado = true; });
        Stmt([&] { Alterar.SetValue(0); });
        Stmt([&] { Ocupado = false; });
        Stmt([&] { Drive1.SetEnabled(true); });
        Stmt([&] { Dir1.SetEnabled(true); });
    } else {
        Stmt([&] { Ocupado = true; });
        Stmt([&] { Criar.SetValue(1); });
        Stmt([&] { Ocupado = false; });
    }
}

void FormVelkaro::Inserir_Click() {
    int indice = -2;
    Stmt([&] { indice = Inserir.ListIndex(); });
    switch (indice) {
    case 0:  // Excluir
        Stmt([&] { Antes.SetValue(1); });
        Stmt([&] { Antes.SetEnabled(false); });
        Stmt([&] { Procura.SetEnabled(true); });
        Stmt([&] { Acrescenta.SetText(L""); });
        Stmt([&] { Acrescenta.SetEnabled(false); });
        Stmt([&] { Acrescenta.SetBackColor(0x808080); });
        Stmt([&] { O_Texto.SetCaption(L"O Texto:"); });
        break;
    case 1:  // Inserir
        Stmt([&] { Antes.SetEnabled(true); });
        Stmt([&] { Procura.SetEnabled(true); });
        Stmt([&] { Acrescenta.SetEnabled(true); });
        Stmt([&] { Acrescenta.SetBackColor(0xFFFFFF); });
        Stmt([&] { O_Texto.SetCaption(L"O Texto:"); });
        break;
    case 2:  // Alterar
        Stmt([&] { Antes.SetValue(1); });
        Stmt([&] { Antes.SetEnabled(false); });
        Stmt([&] { Procura.SetEnabled(true); });
        Stmt([&] { Acrescenta.SetEnabled(true); });
        Stmt([&] { Acrescenta.SetBackColor(0xFFFFFF); });
        Stmt([&] { O_Texto.SetCaption(L"Para:"); });
        break;
    default:
        break;
    }
}

void FormVelkaro::SubPastas_Click() {
    Stmt([&] { TotalSelecionados = 0; });
    if (Cond([&] { return Exibe_SubPastas.Value() == 1; })) {
        Stmt([&] { FileList.SetCaption(ParteCaminho(SubPastas.Text(), L"A")); });
    } else {
        Stmt([&] { FileList.SetCaption(SubPastas.Text()); });
    }
    // The selected entries are counted in one call rather than asked about one by one.
    Stmt([&] { TotalSelecionados = static_cast<int32_t>(SubPastas.SelectedIndexes().size()); });
    Stmt([&] { Processo.SetCaption(kTotalAProcessar + std::to_wstring(TotalSelecionados)); });
    Stmt([&] { Ok.SetEnabled(true); });
}

void FormVelkaro::Tudo_Click() {
    int32_t total = 0;
    Stmt([&] { total = SubPastas.ListCount(); });
    // One message selects them all and leaves the focus on the last entry, as a loop over
    // the entries would.
    Stmt([&] { SubPastas.SelectAll(); });
    Stmt([&] { TotalSelecionados = total; });
    Stmt([&] { Processo.SetCaption(kTotalAProcessar + std::to_wstring(TotalSelecionados)); });
    Stmt([&] { Ok.SetEnabled(true); });
}

void FormVelkaro::Filtro_LostFocus() { Stmt([&] { AtualizaLista(); }); }
void FormVelkaro::Exibe_SubPastas_Click() { Stmt([&] { AtualizaLista(); }); }
void FormVelkaro::DirListBox_Click() { Stmt([&] { AtualizaLista(); }); }
void FormVelkaro::DirListBox_Change() { Stmt([&] { AtualizaLista(); }); }

bool FormVelkaro::ComPergunta(const std::function<void()>& passo, const std::function<void()>& volta) {
    for (;;) {
        try {
            passo();
            return true;
        } catch (...) {
            const forms::VbError e = forms::ErroAtual(std::current_exception());
            forms::Err::Set(e);
            const int resposta =
                forms::MsgBox(*this, L"Error: " + std::to_wstring(e.number) + L": " + e.description, 49, L"No Data");
            if (resposta == IDOK) continue;
            Stmt(volta);
            forms::Err::Clear();
            return false;
        }
    }
}

void FormVelkaro::Drive1_Change() {
    const auto volta = [&] { Drive1.SetDrive(Dir1.Path()); };
    if (!ComPergunta([&] { Dir1.SetPath(Drive1.Drive()); }, volta)) return;
}

void FormVelkaro::DriveListBox_Change() {
    const auto volta = [&] { DriveListBox.SetDrive(DirListBox.Path()); };
    if (!ComPergunta([&] { DirListBox.SetPath(DriveListBox.Drive()); }, volta)) return;
    if (!ComPergunta([&] { AtualizaLista(); }, volta)) return;
}

void FormVelkaro::Interromper_Click() { Stmt([&] { Parar = true; }); }

void FormVelkaro::Fechar_Click() {
    Stmt([&] { ftp1.Call(15); });  // Abort
    Stmt([&] { Unload(); });
    Stmt([&] { forms::End(); });
}

void FormVelkaro::Mover_MouseDown(int, int, int, int) {
    Stmt([&] { ReleaseCapture(); });
    Stmt([&] { SendMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0); });
}

}  // namespace velkaro

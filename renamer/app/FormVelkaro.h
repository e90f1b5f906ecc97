// Form_Velkaro: the renaming program's main window, its controls, fields and handlers.
// Handlers are written step by step under the program's error rule (forms::Stmt / forms::Cond):
// each step that fails is skipped and the next one runs.
#ifndef VELKARO_FORMVELKARO_H
#define VELKARO_FORMVELKARO_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../forms/AxHost.h"
#include "../forms/Controls.h"
#include "../forms/Form.h"
#include "CopiaWindows.h"
#include "FormMSG.h"

namespace velkaro {

// The saved state of ftp1 that the window carries (66 bytes).
extern const unsigned char kEstadoDoFtp1[66];

class FormVelkaro : public forms::Form {
public:
    FormVelkaro();
    ~FormVelkaro() override;

    // Loads the window and its controls (hidden) and creates ftp1; false if the window failed.
    bool Carrega();

    // ---- controls
    forms::DriveList DriveListBox{L"DriveListBox"};
    forms::DirList DirListBox{L"DirListBox"};
    forms::TextBox Filtro{L"Filtro"};
    forms::CheckBox Exibe_SubPastas{L"Exibe_SubPastas"};
    forms::Label FileList{L"FileList"};
    forms::ListBox SubPastas{L"SubPastas"};
    forms::Button Tudo{L"Tudo"};
    forms::Button Interromper{L"Interromper"};
    forms::Button Ok{L"Ok"};
    forms::CheckBox Alterar{L"Alterar"};
    forms::CheckBox Criar{L"Criar"};
    forms::DriveList Drive1{L"Drive1"};
    forms::DirList Dir1{L"Dir1"};
    forms::TextBox Procura{L"Procura"};
    forms::ComboBox Inserir{L"Inserir"};
    forms::TextBox Acrescenta{L"Acrescenta"};
    forms::Label O_Texto{L"O_Texto"};
    forms::CheckBox Antes{L"Antes"};
    forms::CheckBox Maiuscula{L"Maiuscula"};
    forms::ComboBox Transformar{L"Transformar"};
    forms::Label Processo{L"Processo"};
    forms::Label Mover{L"Mover"};
    forms::Image Fechar{L"Fechar"};
    forms::Image Banner0{L"Banner(0)"};
    forms::Image Banner1{L"Banner(1)"};
    forms::Label Propaganda0{L"Propaganda(0)"};
    forms::Label Propaganda1{L"Propaganda(1)"};
    forms::Label Propaganda2{L"Propaganda(2)"};
    forms::Label Propaganda3{L"Propaganda(3)"};
    forms::Frame Invisiveis{L"Invisiveis"};
    forms::Timer Timer1{L"Timer1"};
    forms::Timer Timer2{L"Timer2"};
    forms::Timer Timer3{L"Timer3"};
    forms::AxControl ftp1{L"ftp1"};
    FormMSG Form_MSG;

    forms::Label Txt_Form1{L"Txt_Form1"}, Txt_Form2{L"Txt_Form2"};
    forms::Label Txt_Fechar1{L"Txt_Fechar1"}, Txt_Fechar2{L"Txt_Fechar2"};
    forms::Label Label1{L"Label1"}, Label4{L"Label4"}, Txt_SubPastas{L"Txt_SubPastas"}, Label6{L"Label6"};
    forms::Label Label2{L"Label2"}, Label9{L"Label9"}, Label10{L"Label10"}, Label5{L"Label5"};
    forms::Label Label7{L"Label7"}, Label8{L"Label8"}, Label3{L"Label3"}, Label12{L"Label12"}, Label11{L"Label11"};

    // ---- fields
    bool Ocupado = false;
    int32_t TotalSelecionados = 0;
    OperacaoDeCopia OperacaoCopia;
    bool Parar = false;
    std::wstring TextoPropaganda;

    // ---- handlers
    void Form_Load(const std::wstring& linhaDeComando);
    void Alterar_Click();
    void Criar_Click();
    void Inserir_Click();
    void SubPastas_Click();
    void Tudo_Click();
    void Filtro_LostFocus();
    void Exibe_SubPastas_Click();
    void DirListBox_Click();
    void DirListBox_Change();
    void Drive1_Change();
    void DriveListBox_Change();
    void Interromper_Click();
    void Fechar_Click();
    void Mover_MouseDown(int botao, int shift, int x, int y);
    void Ok_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Banner_Click(int indice);
    void Propaganda_Click(int indice);

    // ---- the listing
    void AtualizaLista();
    std::wstring VarrePasta(const std::wstring& pasta, int subPastas, const std::wstring& filtro);
    void AdicionaItem(int subPastas, const std::wstring& pasta, const std::wstring& nome);

    // The program's exit status: 0, except after a command-line copy that did not copy every
    // file of the source folder (or could not start), which ends with 1.
    int CodigoDeSaida() const { return codigoDeSaida_; }

    // The text after the program's name on a command line.
    static std::wstring TextoDaLinhaDeComando(const wchar_t* linhaCompleta);

protected:
    void OnUnload() override;

private:
    void Monta();
    void LigaEventos();
    void CopiaPasta(const std::wstring& origem, const std::wstring& destino, const std::wstring& opcao);
    void IniciaPropaganda();
    // One advert's text and picture into its controls; false once the program is ending.
    bool BaixaPropaganda(const wchar_t* remotoTexto, forms::Label& texto, forms::Label& sombra,
                         const wchar_t* remotoImagem, forms::Image& imagem);
    // Get of one advert file; a download that grows past `limite` bytes is aborted.
    void Baixa(const std::wstring& remoto, const std::wstring& local, int64_t limite);
    // One drive handler step, asked about again and again while it fails and OK is chosen;
    // false when the user gave up (Cancel), after `volta` has run.
    bool ComPergunta(const std::function<void()>& passo, const std::function<void()>& volta);
    void Processa(const std::wstring& pasta, const std::wstring& nome, const std::wstring& novo);
    // Walks are numbered: a new listing makes every older walk stop for good.
    uint32_t geracaoDaVarredura_ = 0;
    int codigoDeSaida_ = 0;
};

}  // namespace velkaro

#endif

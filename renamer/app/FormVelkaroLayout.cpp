// The window's design: every control's place (twips), caption, colours, fonts and first state.
#include "FormVelkaro.h"
#include "Pictures.h"

namespace velkaro {

namespace {

const unsigned long kCinza = 0x808080;
const unsigned long kBranco = 0xFFFFFF;
const unsigned long kPreto = 0x000000;
const unsigned long kSombra = 0xE0E0E0;

forms::Fonte Arial(double pontos, bool negrito = false, bool italico = false) {
    forms::Fonte f;
    f.pontos = pontos;
    f.negrito = negrito;
    f.italico = italico;
    return f;
}

forms::Fonte SansSerifNegrito() {
    forms::Fonte f;
    f.nome = L"MS Sans Serif";
    f.negrito = true;
    return f;
}

const wchar_t kPropagandaEmbutida[] =
    L"Visite o nosso site e conheça os produtos da Corvan Sistemas: programas simples e rápidos para organizar, "
    L"renomear e copiar seus arquivos, transferir dados pela Internet e manter o seu computador em ordem. Novas "
    L"versões, dicas de uso e suporte gratuito esperam por você lá!";

void Estatico(forms::Label& l, const wchar_t* texto, int x, int y, int w, int h, forms::Fonte f = Arial(8.25)) {
    l.Place(x, y, w, h);
    l.SetCaption(texto);
    l.SetFont(f);
}

}  // namespace

const unsigned char kEstadoDoFtp1[66] = {
    0x00, 0x0A, 0x00, 0x00,                          // version
    0x4F, 0x03, 0x00, 0x00, 0xFF, 0x02, 0x00, 0x00,  // extent 847 x 767
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,  // ServerName ""
    0x03, 0x00, 0x15, 0x00, 0x00, 0x00,              // ServerPort 21
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,  // Username ""
    0x08, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,  // Password ""
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,              // BinaryMode 1
    0x03, 0x00, 0x1E, 0x00, 0x00, 0x00,              // Timeout 30
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00,              // PassiveMode 1
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00,              // MaxBandwidth 0
};

void FormVelkaro::Monta() {
    SetBackColor(0x8000000F);

    // Windowless pieces first, back to front.
    Estatico(Txt_Form2, L"Velkaro - Renomeador de Arquivos", 375, 390, 6390, 390, Arial(14.25, true, true));
    Txt_Form2.SetForeColor(kBranco);
    Estatico(Txt_Form1, L"Velkaro - Renomeador de Arquivos", 360, 375, 6390, 420, Arial(14.25, true, true));
    Txt_Form1.SetForeColor(kPreto);
    Estatico(Txt_Fechar2, L"Fechar", 9150, 705, 945, 165);
    Txt_Fechar2.SetForeColor(kSombra);
    Txt_Fechar2.SetAlignment(forms::Label::Alinhamento::Centro);
    Estatico(Txt_Fechar1, L"Fechar", 9135, 690, 945, 270);
    Txt_Fechar1.SetForeColor(kPreto);
    Txt_Fechar1.SetAlignment(forms::Label::Alinhamento::Centro);
    Estatico(Label1, L"Origem:", 225, 1080, 1860, 285, Arial(8.25, true));
    Estatico(Label4, L"Filtro:", 2520, 1080, 585, 255, Arial(8.25, true));
    Estatico(Txt_SubPastas, L"Pesq. sub pastas", 4395, 1080, 1365, 285);
    Estatico(Label6, L"Arquivo:", 5805, 1080, 1860, 255, Arial(8.25, true));
    Estatico(Label2, L"Destino:", 225, 4155, 1860, 285, SansSerifNegrito());
    Estatico(Label9, L"Alterar nome do arquivo", 3150, 5190, 2130, 285);
    Estatico(Label10, L"Criar novo Arquivo", 3150, 5505, 2130, 285);
    Estatico(Label5, L"Formatar saida para:", 5190, 5190, 1860, 285, Arial(8.25, true));
    Estatico(Label7, L"Maiuscula/", 7665, 5190, 990, 225);
    Estatico(Label8, L"Minuscula", 7665, 5460, 990, 225);
    Estatico(Label3, L"Procurar por:", 2895, 5865, 1605, 285);
    Estatico(Label12, L"e", 7035, 5865, 240, 285, SansSerifNegrito());
    Estatico(Label11, L"Antes / Depois", 7395, 6270, 1230, 285);
    for (forms::Label* l : {&Txt_Form2, &Txt_Form1, &Txt_Fechar2, &Txt_Fechar1, &Label1, &Label4, &Txt_SubPastas,
                            &Label6, &Label2, &Label9, &Label10, &Label5, &Label7, &Label8, &Label3, &Label12,
                            &Label11})
        Add(*l);

    FileList.Place(6630, 1020, 3390, 330);
    FileList.SetOpaque(true);
    FileList.SetBackColor(forms::kCorDaAreaDeTrabalho);
    FileList.SetForeColor(kBranco);
    FileList.SetBorder(true);
    Add(FileList);

    O_Texto.Place(2895, 6255, 1065, 285);
    O_Texto.SetCaption(L"O Texto:");
    Add(O_Texto);

    Processo.Place(2820, 6600, 7200, 315);
    Processo.SetOpaque(true);
    Processo.SetForeColor(0x0000C0);
    Processo.SetAlignment(forms::Label::Alinhamento::Centro);
    Processo.SetBorder(true);
    Processo.SetFont(Arial(9.75));
    Add(Processo);

    Fechar.Place(9390, 225, 405, 480);
    Fechar.SetPicture(ImagemDeFechar());
    Add(Fechar);

    Banner0.Place(210, 7050, 2415, 1620);
    Banner0.SetBorder(true);
    Add(Banner0);
    Banner1.Place(210, 7050, 2415, 1620);
    Banner1.SetBorder(true);
    Banner1.SetPicture(PropagandaEmbutida());
    Add(Banner1);

    // Each advert's light shadow lies behind its black text.
    Propaganda1.Place(2760, 7095, 7245, 1635);
    Propaganda1.SetForeColor(kSombra);
    Propaganda0.Place(2715, 7050, 7305, 1635);
    Propaganda0.SetForeColor(kPreto);
    Propaganda0.SetBorder(true);
    Propaganda3.Place(2760, 7095, 7245, 1635);
    Propaganda3.SetForeColor(kSombra);
    Propaganda3.SetCaption(kPropagandaEmbutida);
    Propaganda2.Place(2715, 7050, 7305, 1635);
    Propaganda2.SetForeColor(kPreto);
    Propaganda2.SetBorder(true);
    Propaganda2.SetCaption(kPropagandaEmbutida);
    for (forms::Label* l : {&Propaganda1, &Propaganda0, &Propaganda3, &Propaganda2}) {
        l->SetFont(Arial(12));
        l->SetAlignment(forms::Label::Alinhamento::Centro);
        Add(*l);
    }
    Propaganda0.SetVisible(false);
    Propaganda1.SetVisible(false);

    Invisiveis.Place(7740, 7590, 2070, 885);
    Invisiveis.SetCaption(L"Objetos Invisíveis");
    Invisiveis.SetVisible(false);
    Add(Invisiveis);

    // The drag strip lies over the title.
    Mover.Place(-30, 15, 9210, 870);
    Add(Mover);

    // Windowed controls.
    DriveListBox.Place(975, 1020, 1455, 330);
    DriveListBox.SetBackColor(kCinza);
    DriveListBox.SetForeColor(kBranco);
    Add(DriveListBox);

    DirListBox.Place(195, 1440, 2580, 2610);
    DirListBox.SetBackColor(kCinza);
    DirListBox.SetFont(Arial(6.75));
    Add(DirListBox);

    Filtro.Place(3060, 1020, 990, 330);
    Filtro.SetText(L"*.*");
    Filtro.SetFont(Arial(8.25, true));
    Add(Filtro);

    Exibe_SubPastas.Place(4140, 1080, 195, 195);
    Add(Exibe_SubPastas);

    SubPastas.Place(2820, 1425, 7200, 3660);
    SubPastas.SetBackColor(kCinza);
    SubPastas.SetForeColor(kPreto);
    SubPastas.SetFont(Arial(6.75));
    Add(SubPastas);

    Tudo.Place(8685, 5160, 1350, 315);
    Tudo.SetCaption(L"Selecionar Tudo");
    Tudo.SetFont(Arial(6.75));
    Add(Tudo);

    Interromper.Place(8685, 5550, 1350, 330);
    Interromper.SetCaption(L"Interromper Busca");
    Interromper.SetEnabled(false);
    Interromper.SetFont(Arial(6.75));
    Add(Interromper);

    Ok.Place(8685, 5955, 1350, 525);
    Ok.SetCaption(L"&Processar Alterações");
    Ok.SetEnabled(false);
    Add(Ok);

    Alterar.Place(2880, 5190, 195, 195);
    Alterar.SetValue(1);
    Add(Alterar);
    Criar.Place(2880, 5505, 195, 195);
    Add(Criar);

    Drive1.Place(1170, 4110, 1590, 330);
    Drive1.SetEnabled(false);
    Drive1.SetBackColor(kCinza);
    Drive1.SetForeColor(kBranco);
    Add(Drive1);

    Dir1.Place(195, 4515, 2580, 2400);
    Dir1.SetEnabled(false);
    Dir1.SetBackColor(kCinza);
    Dir1.SetFont(Arial(6.75));
    Add(Dir1);

    Procura.Place(4005, 5805, 2925, 360);
    Procura.SetBackColor(kBranco);
    Procura.SetForeColor(kPreto);
    Procura.SetFont(Arial(9.75, true));
    Add(Procura);

    Inserir.Place(7290, 5805, 1305, 360);
    for (const wchar_t* e : {L"Excluir", L"Inserir", L"Alterar"}) Inserir.AddItem(e);
    Inserir.SetText(L"Inserir");
    Inserir.SetBackColor(kCinza);
    Inserir.SetForeColor(kBranco);
    Inserir.SetFont(Arial(9.75));
    Add(Inserir);

    Acrescenta.Place(3660, 6210, 3270, 330);
    Acrescenta.SetBackColor(kBranco);
    Acrescenta.SetForeColor(kPreto);
    Add(Acrescenta);

    Antes.Place(7110, 6270, 195, 195);
    Antes.SetValue(1);
    Add(Antes);

    Maiuscula.Place(7365, 5190, 195, 195);
    Add(Maiuscula);

    Transformar.Place(5175, 5430, 1755, 330);
    for (const wchar_t* e : {L"Tudo em Maiusculo", L"Tudo Maiusculo Extensão Minusculo", L"Tudo em Minusculo",
                             L"Tudo Minusculo Extensão Maiusculo", L"Primeira letra em Maiusculo", L"Não Alterar"})
        Transformar.AddItem(e);
    Transformar.SetText(L"Não Alterar");
    Transformar.SetBackColor(kCinza);
    Transformar.SetForeColor(kBranco);
    Add(Transformar);

    Timer1.SetInterval(100);
    Timer2.SetInterval(60000);
    Timer3.SetInterval(7000);
    Add(Timer1);
    Add(Timer2);
    Add(Timer3);

    // One custom pointer over the working controls.
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &DriveListBox, &DirListBox, &Exibe_SubPastas, &FileList, &SubPastas, &Interromper, &Ok, &Alterar, &Criar,
             &Drive1, &Dir1, &Procura, &Inserir, &Acrescenta, &Antes, &Maiuscula, &Transformar, &Mover, &Fechar,
             &Banner0, &Banner1, &Propaganda0, &Propaganda1, &Propaganda2, &Propaganda3})
        c->SetCustomPointer(true);
    SetPointer(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
    SetIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
    SetBackground(FundoDaJanela());
}

}  // namespace velkaro

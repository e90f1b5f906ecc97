#include "FormMSG.h"

#include "../forms/Statement.h"
#include "CopiaWindows.h"
#include "Pictures.h"

using forms::Stmt;

namespace velkaro {

FormMSG::FormMSG() : forms::Form(L"Velkaro", 4680, 2235) {
    SetBackColor(0x404040);
    SetBackground(FundoDaMensagem());
    MSG.Place(195, 600, 4245, 960);
    forms::Fonte f;
    f.pontos = 12;
    f.negrito = true;
    MSG.SetFont(f);
    MSG.SetForeColor(0xFF8080);
    MSG.SetAlignment(forms::Label::Alinhamento::Centro);
    Add(MSG);
}

FormMSG::~FormMSG() { Unload(); }

void FormMSG::Mostra(HWND dono) {
    if (!Load(dono)) forms::Raise(forms::kErrObjeto, forms::DescricaoDoErro(forms::kErrObjeto));
    Form_Load();
    Show();
}

void FormMSG::Form_Load() {
    // Fewer than four pieces: the label stays empty.
    Stmt([&] { MSG.SetCaption(CopiaWindows::Parametros.at(3)); });
}

}  // namespace velkaro

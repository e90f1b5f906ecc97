// Form_MSG: the small window that shows the command line's message while the copy runs.
#ifndef VELKARO_FORMMSG_H
#define VELKARO_FORMMSG_H

#include "../forms/Controls.h"
#include "../forms/Form.h"

namespace velkaro {

class FormMSG : public forms::Form {
public:
    FormMSG();
    ~FormMSG() override;

    // Loads the window owned by `dono` (it goes when its owner goes), runs Form_Load, shows it.
    void Mostra(HWND dono);

    forms::Label MSG{L"MSG"};

    void Form_Load();
};

}  // namespace velkaro

#endif

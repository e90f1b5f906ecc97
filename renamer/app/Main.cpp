// Velkaro: starts the main window and runs its message loop until the window ends the program.
#include <windows.h>
#include <ole2.h>

#include "../forms/Form.h"
#include "FormVelkaro.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const HRESULT ole = OleInitialize(nullptr);
    int codigo = 0;
    {
        velkaro::FormVelkaro form;
        if (form.Carrega()) {
            form.Form_Load(velkaro::FormVelkaro::TextoDaLinhaDeComando(GetCommandLineW()));
            if (form.Loaded() && !forms::Ending()) {
                form.Show();
                MSG msg;
                while (form.Loaded() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
                    forms::Despacha(msg);
                }
            }
            codigo = form.CodigoDeSaida();
        }
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return codigo;
}

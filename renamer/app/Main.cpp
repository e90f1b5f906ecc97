// Velkaro: starts the main window and runs its message loop until the window ends the program.
#include <windows.h>
#include <ole2.h>

#include <string>

#include "../forms/Form.h"
#include "FormVelkaro.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const HRESULT ole = OleInitialize(nullptr);
    int codigo = 0;
    {
        velkaro::FormVelkaro form;
        const std::wstring linha = velkaro::FormVelkaro::TextoDaLinhaDeComando(GetCommandLineW());
        if (!form.Carrega()) {
            // Without its window the command-line mode copies nothing: say so to whoever started it.
            if (!linha.empty()) codigo = 1;
        } else {
            form.Form_Load(linha);
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

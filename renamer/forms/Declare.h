// System functions that the program binds by name at their first call, so that a missing
// entry point is an error of the statement that calls it, not a program that cannot start.
#ifndef FORMS_DECLARE_H
#define FORMS_DECLARE_H

#include <windows.h>

#include "Statement.h"

namespace forms {

// Binds `funcao` to `nome` of `biblioteca` unless it is bound already (a test may have put its
// own in); raises error 453 when the library or the entry point is missing.
template <typename F>
void Liga(F& funcao, const wchar_t* biblioteca, const char* nome) {
    if (funcao) return;
    HMODULE m = LoadLibraryW(biblioteca);
    FARPROC p = m ? GetProcAddress(m, nome) : nullptr;
    if (!p) Raise(453, L"Não é possível encontrar o ponto de entrada da DLL");
    funcao = reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

}  // namespace forms

#endif

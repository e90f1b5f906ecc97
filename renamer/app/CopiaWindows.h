// CopiaWindows: the command-line copy mode's module. It keeps the pieces of the command line
// and hands one shell-copy request at a time to the shell, in the shell's own packed layout.
#ifndef VELKARO_COPIAWINDOWS_H
#define VELKARO_COPIAWINDOWS_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// One shell-copy request in the program's own layout: eight 32-bit fields, the three texts
// held as strings until they go to the shell.
struct OperacaoDeCopia {
    uint32_t hwnd = 0;
    uint32_t wFunc = 0;
    std::wstring pFrom;
    std::wstring pTo;
    uint32_t fFlags = 0;
    uint32_t fAnyOperationsAborted = 0;
    uint32_t hNameMappings = 0;
    std::wstring lpszProgressTitle;
};

namespace CopiaWindows {

// The pieces of the command line, split at every "|".
extern std::vector<std::wstring> Parametros;

// Hands the request to SHFileOperationA and returns its result: 0 when the file was copied.
// A copy the user cancelled in the progress window counts as failed (ERROR_CANCELLED), though
// the shell itself reports it as done. Raises when a text has no form in the ANSI code page
// (the shell would read a "?" there, which it takes for a wildcard).
int32_t CopiaComProgresso(const OperacaoDeCopia& pedido);

// Whether the text survives the trip to the ANSI code page unchanged.
bool TemFormaAnsi(const std::wstring& texto);

// The system calls, bound by name at their first call; a test may put its own in first.
using FuncaoSHFileOperationA = int(WINAPI*)(void* operacao);
using FuncaoRtlMoveMemory = void(WINAPI*)(void* destino, const void* origem, SIZE_T tamanho);
extern FuncaoSHFileOperationA g_SHFileOperationA;
extern FuncaoRtlMoveMemory g_RtlMoveMemory;

}  // namespace CopiaWindows
}  // namespace velkaro

#endif

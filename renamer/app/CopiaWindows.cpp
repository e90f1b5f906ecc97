#include "CopiaWindows.h"

#include <shellapi.h>

#include "../forms/Declare.h"
#include "../forms/Statement.h"

namespace velkaro {
namespace CopiaWindows {

std::vector<std::wstring> Parametros;
FuncaoSHFileOperationA g_SHFileOperationA = nullptr;
FuncaoRtlMoveMemory g_RtlMoveMemory = nullptr;

namespace {

const long kErrChamadaInvalida = 5;
bool ConverteParaAnsi(const std::wstring& texto, std::string& saida) {
    saida.clear();
    if (texto.empty()) return true;
    const int n = static_cast<int>(texto.size());
    // UTF-8 as the ANSI code page holds every character, and refuses the lost-character flag.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD opcoes = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL perdeu = FALSE;
    const int tamanho = WideCharToMultiByte(CP_ACP, opcoes, texto.data(), n, nullptr, 0, nullptr, utf8 ? nullptr : &perdeu);
    if (tamanho <= 0 || perdeu) return false;
    saida.assign(static_cast<size_t>(tamanho), '\0');
    WideCharToMultiByte(CP_ACP, opcoes, texto.data(), n, &saida[0], tamanho, nullptr, utf8 ? nullptr : &perdeu);
    return !perdeu;
}

std::string Ansi(const std::wstring& texto) {
    std::string saida;
    if (!ConverteParaAnsi(texto, saida)) forms::Raise(kErrChamadaInvalida, L"Chamada de procedimento ou argumento inválido");
    saida.push_back('\0');
    return saida;
}

#ifndef _WIN64
void Poe32(unsigned char* onde, uint32_t valor) {
    for (int i = 0; i < 4; ++i) onde[i] = static_cast<unsigned char>(valor >> (8 * i));
}

uint32_t Le32(const unsigned char* onde) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | onde[i];
    return v;
}

uint32_t Endereco(const std::string& texto) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(texto.c_str()));
}
#endif

}  // namespace

bool TemFormaAnsi(const std::wstring& texto) {
    std::string descartada;
    return ConverteParaAnsi(texto, descartada);
}

int32_t CopiaComProgresso(const OperacaoDeCopia& pedido) {
    // The ANSI copies live until the shell has returned.
    const std::string de = Ansi(pedido.pFrom);
    const std::string para = Ansi(pedido.pTo);
    const std::string titulo = Ansi(pedido.lpszProgressTitle);

#ifdef _WIN64
    // In 64-bit code the shell's record is naturally aligned and holds real pointers: the
    // fields go in by name.
    SHFILEOPSTRUCTA registro = {};
    registro.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(pedido.hwnd));
    registro.wFunc = pedido.wFunc;
    registro.pFrom = de.c_str();
    registro.pTo = para.c_str();
    registro.fFlags = static_cast<FILEOP_FLAGS>(pedido.fFlags);
    registro.fAnyOperationsAborted = static_cast<BOOL>(pedido.fAnyOperationsAborted);
    registro.hNameMappings = reinterpret_cast<void*>(static_cast<uintptr_t>(pedido.hNameMappings));
    registro.lpszProgressTitle = titulo.c_str();
    void* const paraOShell = &registro;
    auto interrompida = [&] { return registro.fAnyOperationsAborted != 0; };
#else
    unsigned char registro[32] = {};
    Poe32(registro + 0, pedido.hwnd);
    Poe32(registro + 4, pedido.wFunc);
    Poe32(registro + 8, Endereco(de));
    Poe32(registro + 12, Endereco(para));
    Poe32(registro + 16, pedido.fFlags);
    Poe32(registro + 20, pedido.fAnyOperationsAborted);
    Poe32(registro + 24, pedido.hNameMappings);
    Poe32(registro + 28, Endereco(titulo));

    // The shell's record has a 16-bit fFlags: the three fields after it move 2 bytes down.
    forms::Liga(g_RtlMoveMemory, L"kernel32.dll", "RtlMoveMemory");
    g_RtlMoveMemory(registro + 18, registro + 20, 12);
    void* const paraOShell = registro;
    auto interrompida = [&] { return Le32(registro + 18) != 0; };
#endif

    forms::Liga(g_SHFileOperationA, L"shell32.dll", "SHFileOperationA");
    int32_t resultado = g_SHFileOperationA(paraOShell);
    if (resultado == 0 && interrompida()) resultado = ERROR_CANCELLED;
    return resultado;
}

}  // namespace CopiaWindows
}  // namespace velkaro

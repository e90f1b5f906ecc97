#include "Fabricante.h"

namespace velkaro {

const wchar_t kHostDoFabricante[] = L"corvan.example";
const wchar_t kVariavelDeTeste[] = L"VELKARO_TEST_ADVERT_HOST";
FuncaoShellExecuteA g_ShellExecuteA = nullptr;

std::wstring HostDaPropaganda() {
    wchar_t valor[64] = {};
    const DWORD n = GetEnvironmentVariableW(kVariavelDeTeste, valor, 64);
    if (n > 0 && n < 64) {
        const std::wstring pedido(valor, n);
        if (pedido == L"127.0.0.1" || pedido == L"localhost") return pedido;
    }
    return kHostDoFabricante;
}

std::wstring SiteDoFabricante() { return L"http://" + HostDaPropaganda() + L"/velkaro/"; }

}  // namespace velkaro

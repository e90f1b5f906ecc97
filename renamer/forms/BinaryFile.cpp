#include "BinaryFile.h"

#include <string>

#include "Statement.h"

namespace forms {

namespace {
const long kErrNumeroDeArquivo = 52;
const long kErrArquivoNaoEncontrado = 53;
const long kErrEntradaSaida = 57;

[[noreturn]] void NaoAberto() { Raise(kErrNumeroDeArquivo, L"Nome ou número de arquivo inválido"); }
}  // namespace

ArquivoBinario::~ArquivoBinario() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
}

void ArquivoBinario::Abre(const std::wstring& caminho) {
    if (h_ != INVALID_HANDLE_VALUE) Raise(55, L"O arquivo já está aberto");
    h_ = CreateFileW(caminho.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h_ == INVALID_HANDLE_VALUE) Raise(kErrArquivoNaoEncontrado, L"Arquivo não encontrado");
}

int64_t ArquivoBinario::Tamanho() const {
    if (h_ == INVALID_HANDLE_VALUE) NaoAberto();
    LARGE_INTEGER t = {};
    if (!GetFileSizeEx(h_, &t)) Raise(kErrEntradaSaida, L"Erro de E/S no dispositivo");
    return t.QuadPart;
}

void ArquivoBinario::Le(std::wstring& texto) const {
    if (h_ == INVALID_HANDLE_VALUE) NaoAberto();
    std::string bytes(texto.size(), '\0');
    LARGE_INTEGER inicio = {};
    if (!SetFilePointerEx(h_, inicio, nullptr, FILE_BEGIN)) Raise(kErrEntradaSaida, L"Erro de E/S no dispositivo");
    size_t lidos = 0;
    while (lidos < bytes.size()) {
        DWORD agora = 0;
        const DWORD pedido = static_cast<DWORD>(bytes.size() - lidos > (1u << 20) ? (1u << 20) : bytes.size() - lidos);
        if (!ReadFile(h_, &bytes[lidos], pedido, &agora, nullptr)) Raise(kErrEntradaSaida, L"Erro de E/S no dispositivo");
        if (agora == 0) break;
        lidos += agora;
    }
    bytes.resize(lidos);
    std::wstring convertido;
    if (!bytes.empty()) {
        const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        convertido.assign(static_cast<size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &convertido[0], n);
    }
    texto.swap(convertido);
}

void ArquivoBinario::Fecha() {
    if (h_ == INVALID_HANDLE_VALUE) NaoAberto();
    CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
}

void Kill(const std::wstring& caminho) {
    if (!DeleteFileW(caminho.c_str())) Raise(kErrArquivoNaoEncontrado, L"Arquivo não encontrado");
}

}  // namespace forms

#include "Picture.h"

#include <ole2.h>
#include <olectl.h>

#include <vector>

#include "../core/PictureHeader.h"
#include "Statement.h"

namespace forms {

namespace {

const long kErrArquivoNaoEncontrado = 53;
const long kErrImagemInvalida = 481;

[[noreturn]] void ImagemInvalida() { Raise(kErrImagemInvalida, L"Imagem inválida"); }

std::vector<unsigned char> LeArquivo(const std::wstring& caminho) {
    HANDLE h = CreateFileW(caminho.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Raise(kErrArquivoNaoEncontrado, L"Arquivo não encontrado");
    LARGE_INTEGER tamanho = {};
    if (!GetFileSizeEx(h, &tamanho) || tamanho.QuadPart > static_cast<LONGLONG>(kBytesMaximosDaImagem)) {
        CloseHandle(h);
        ImagemInvalida();
    }
    std::vector<unsigned char> dados(static_cast<size_t>(tamanho.QuadPart));
    DWORD lidos = 0;
    const BOOL ok = dados.empty() || ReadFile(h, dados.data(), static_cast<DWORD>(dados.size()), &lidos, nullptr);
    CloseHandle(h);
    if (!ok) ImagemInvalida();
    dados.resize(lidos);
    return dados;
}

bool TamanhoAceito(long largura, long altura) {
    return largura > 0 && altura > 0 && largura <= kLadoMaximoDaImagem && altura <= kLadoMaximoDaImagem;
}

// The decoder's picture as a bitmap that the caller owns, or null.
HBITMAP Decodifica(const std::vector<unsigned char>& dados) {
    HGLOBAL memoria = GlobalAlloc(GMEM_MOVEABLE, dados.size());
    if (!memoria) return nullptr;
    void* p = GlobalLock(memoria);
    if (!p) {
        GlobalFree(memoria);
        return nullptr;
    }
    CopyMemory(p, dados.data(), dados.size());
    GlobalUnlock(memoria);
    IStream* fluxo = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memoria, TRUE, &fluxo))) {
        GlobalFree(memoria);
        return nullptr;
    }
    IPicture* imagem = nullptr;
    HRESULT hr = OleLoadPicture(fluxo, static_cast<LONG>(dados.size()), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&imagem));
    fluxo->Release();
    if (FAILED(hr) || !imagem) return nullptr;
    HBITMAP copia = nullptr;
    SHORT tipo = PICTYPE_NONE;
    OLE_HANDLE alca = 0;
    if (SUCCEEDED(imagem->get_Type(&tipo)) && tipo == PICTYPE_BITMAP && SUCCEEDED(imagem->get_Handle(&alca)) && alca) {
        HBITMAP original = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(alca));
        BITMAP bm = {};
        // The decoded size must be the vetted one as well.
        if (GetObjectW(original, sizeof(bm), &bm) && TamanhoAceito(bm.bmWidth, bm.bmHeight))
            copia = static_cast<HBITMAP>(CopyImage(original, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
    imagem->Release();
    return copia;
}

}  // namespace

HBITMAP LoadPicture(const std::wstring& caminho) {
    const std::vector<unsigned char> dados = LeArquivo(caminho);
    long largura = 0, altura = 0;
    if (!velkaro::TamanhoDeclaradoDaImagem(dados.data(), dados.size(), largura, altura) ||
        !TamanhoAceito(largura, altura))
        ImagemInvalida();
    HBITMAP b = Decodifica(dados);
    if (!b) ImagemInvalida();
    return b;
}

}  // namespace forms

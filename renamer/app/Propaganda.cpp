// The advert panel: the start-up download of two adverts through ftp1, their rotation, the
// Abort timer and the web link. Every step is one statement under the program's error rule.
#include <windows.h>
#include <oleauto.h>

#include "../forms/BinaryFile.h"
#include "../forms/Declare.h"
#include "../forms/Picture.h"
#include "../forms/Statement.h"
#include "Fabricante.h"
#include "FormVelkaro.h"

using forms::Cond;
using forms::Stmt;

namespace velkaro {

namespace {

// Dispatch identifiers of the control's members.
const DISPID kServerName = 1;
const DISPID kUsername = 3;
const DISPID kPassword = 4;
const DISPID kConnect = 5;
const DISPID kGet = 8;
const DISPID kCurrentWorkingDirectory = 14;
const DISPID kAbort = 15;
const DISPID kIsConnected = 35;

const wchar_t kUsuario[] = L"corvan";
const wchar_t kSenha[] = L"qvt47r";
const wchar_t kTextoLocal[] = L"\\propaganda.txt";
const wchar_t kImagemLocal[] = L"\\banner.jpg";

// An advert sentence fills a label of some 487 x 109 pixels: a text file far larger than any
// such text is not an advert, and is neither held in memory nor drawn.
const int64_t kBytesMaximosDoTexto = 64 * 1024;

int64_t TamanhoDoTexto(const forms::ArquivoBinario& arquivo) {
    const int64_t n = arquivo.Tamanho();
    if (n > kBytesMaximosDoTexto) forms::Raise(7, forms::DescricaoDoErro(7));
    return n;
}

// Watches one download while the control pumps messages: Get takes whatever the server sends,
// so a file that grows past what an advert can be is cut off with Abort before it fills the
// disk. The reading steps refuse such a file all the same.
class VigiaDoDownload {
public:
    VigiaDoDownload(forms::AxControl& ftp, const std::wstring& local, int64_t limite)
        : ftp_(ftp), local_(local), limite_(limite) {
        atual_ = this;
        timer_ = SetTimer(nullptr, 0, 100, &VigiaDoDownload::Tique);
    }
    ~VigiaDoDownload() {
        if (timer_) KillTimer(nullptr, timer_);
        atual_ = nullptr;
    }
    VigiaDoDownload(const VigiaDoDownload&) = delete;
    VigiaDoDownload& operator=(const VigiaDoDownload&) = delete;

private:
    static void CALLBACK Tique(HWND, UINT, UINT_PTR, DWORD) {
        VigiaDoDownload* v = atual_;
        if (!v || v->abortou_) return;
        WIN32_FILE_ATTRIBUTE_DATA dados;
        if (!GetFileAttributesExW(v->local_.c_str(), GetFileExInfoStandard, &dados)) return;
        const int64_t tamanho = (static_cast<int64_t>(dados.nFileSizeHigh) << 32) | dados.nFileSizeLow;
        if (tamanho <= v->limite_) return;
        v->abortou_ = true;
        Stmt([&] { v->ftp_.Call(kAbort); });
    }
    static VigiaDoDownload* atual_;
    forms::AxControl& ftp_;
    std::wstring local_;
    int64_t limite_;
    UINT_PTR timer_ = 0;
    bool abortou_ = false;
};
VigiaDoDownload* VigiaDoDownload::atual_ = nullptr;

VARIANT Texto(const std::wstring& t) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
    return v;
}

}  // namespace

void FormVelkaro::Timer1_Timer() {
    Stmt([&] { Timer1.SetEnabled(false); });
    Stmt([&] { AtualizaLista(); });
    Stmt([&] { Inserir.SetListIndex(1); });
    IniciaPropaganda();
}

void FormVelkaro::IniciaPropaganda() {
    // A close during the listing or the login ends the program: nothing more runs.
    if (forms::Ending()) return;
    // Without its control (the library is not registered) there is no login to try: the panel
    // keeps the built-in advert still, as after a refused login. Left to the statement rule, the
    // failing IsConnected would run both passes and blank the built-in sentence.
    if (!ftp1.Exists()) return;
    Stmt([&] { ftp1.PutString(kServerName, HostDaPropaganda()); });
    Stmt([&] { ftp1.PutString(kUsername, kUsuario); });
    Stmt([&] { ftp1.PutString(kPassword, kSenha); });
    Stmt([&] { ftp1.Call(kConnect); });
    if (forms::Ending()) return;
    if (!Cond([&] { return ftp1.GetLong(kIsConnected) == 1; })) return;
    if (!BaixaPropaganda(L"/Velkaro_propaganda1.txt", Propaganda0, Propaganda1, L"/Velkaro_banner1.jpg", Banner0))
        return;
    if (!BaixaPropaganda(L"/Velkaro_propaganda2.txt", Propaganda2, Propaganda3, L"/Velkaro_banner2.jpg", Banner1))
        return;
    Stmt([&] { Timer2.SetEnabled(true); });
    Stmt([&] { Timer3.SetEnabled(true); });
}

void FormVelkaro::Baixa(const std::wstring& remoto, const std::wstring& local, int64_t limite) {
    VigiaDoDownload vigia(ftp1, local, limite);
    VARIANT remotoV = Texto(remoto), localV = Texto(local), deslocamento;
    VariantInit(&deslocamento);
    deslocamento.vt = VT_I4;
    deslocamento.lVal = 0;
    try {
        VARIANT r = ftp1.Invoke(kGet, DISPATCH_METHOD, {remotoV, localV, deslocamento});
        VariantClear(&r);
    } catch (...) {
        VariantClear(&remotoV);
        VariantClear(&localV);
        throw;
    }
    VariantClear(&remotoV);
    VariantClear(&localV);
}

bool FormVelkaro::BaixaPropaganda(const wchar_t* remotoTexto, forms::Label& texto, forms::Label& sombra,
                                  const wchar_t* remotoImagem, forms::Image& imagem) {
    std::wstring pasta;
    Stmt([&] { pasta = forms::PastaDoPrograma(); });
    const std::wstring localTexto = pasta + kTextoLocal;
    const std::wstring localImagem = pasta + kImagemLocal;
    // The local copies never outlive their pass, also when the program ends in the middle of it
    // (a close handled while the control waits on the network).
    const auto apagaCopias = [&] {
        Stmt([&] { forms::Kill(localTexto); });
        Stmt([&] { forms::Kill(localImagem); });
    };
    const auto terminando = [&] {
        if (!forms::Ending()) return false;
        apagaCopias();
        return true;
    };

    // A copy left from an earlier run is not this download: a failed Get must not show it.
    Stmt([&] { forms::Kill(localTexto); });
    Stmt([&] { Baixa(ftp1.GetString(kCurrentWorkingDirectory) + remotoTexto, localTexto, kBytesMaximosDoTexto); });
    if (terminando()) return false;
    {
        forms::ArquivoBinario arquivo1;
        Stmt([&] { arquivo1.Abre(localTexto); });
        Stmt([&] { TextoPropaganda = std::wstring(static_cast<size_t>(TamanhoDoTexto(arquivo1)), L' '); });
        Stmt([&] {
            TamanhoDoTexto(arquivo1);
            arquivo1.Le(TextoPropaganda);
        });
        Stmt([&] { arquivo1.Fecha(); });
    }
    Stmt([&] { texto.SetCaption(TextoPropaganda); });
    Stmt([&] { sombra.SetCaption(TextoPropaganda); });
    Stmt([&] { forms::DoEvents(); });
    if (terminando()) return false;

    Stmt([&] { forms::Kill(localImagem); });
    Stmt([&] { Baixa(ftp1.GetString(kCurrentWorkingDirectory) + remotoImagem, localImagem, forms::kBytesMaximosDaImagem); });
    if (terminando()) return false;
    Stmt([&] { imagem.SetPicture(forms::LoadPicture(localImagem)); });
    Stmt([&] { forms::DoEvents(); });
    apagaCopias();
    return !forms::Ending();
}

void FormVelkaro::Timer2_Timer() {
    Stmt([&] { Timer2.SetEnabled(false); });
    Stmt([&] { ftp1.Call(kAbort); });
}

void FormVelkaro::Timer3_Timer() {
    if (Cond([&] { return Banner1.Visible(); })) {
        Stmt([&] { Banner1.SetVisible(false); });
        Stmt([&] { Propaganda0.SetVisible(true); });
        Stmt([&] { Propaganda1.SetVisible(true); });
        Stmt([&] { Propaganda2.SetVisible(false); });
        Stmt([&] { Propaganda3.SetVisible(false); });
    } else {
        Stmt([&] { Banner1.SetVisible(true); });
        Stmt([&] { Propaganda0.SetVisible(false); });
        Stmt([&] { Propaganda1.SetVisible(false); });
        Stmt([&] { Propaganda2.SetVisible(true); });
        Stmt([&] { Propaganda3.SetVisible(true); });
    }
}

namespace {
void AbreSite() {
    forms::Liga(g_ShellExecuteA, L"shell32.dll", "ShellExecuteA");
    const std::wstring site = SiteDoFabricante();
    // The address is plain ASCII: the host name and a fixed path.
    const std::string ansi(site.begin(), site.end());
    g_ShellExecuteA(nullptr, "open", ansi.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}
}  // namespace

void FormVelkaro::Banner_Click(int) { Stmt([&] { AbreSite(); }); }
void FormVelkaro::Propaganda_Click(int) { Stmt([&] { AbreSite(); }); }

}  // namespace velkaro

#include "AxHost.h"

#include <ocidl.h>
#include <oleauto.h>

#include "Statement.h"

namespace forms {

CLSID ClsidDeTexto(const char* texto) {
    CLSID clsid = {};
    wchar_t largo[64] = {};
    MultiByteToWideChar(CP_ACP, 0, texto, -1, largo, 64);
    CLSIDFromString(largo, &clsid);
    return clsid;
}

HRESULT AxControl::Create(const CLSID& clsid, const unsigned char* estado, size_t tamanho) {
    Release();
    IUnknown* objeto = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&objeto));
    if (FAILED(hr) || !objeto) return FAILED(hr) ? hr : E_NOINTERFACE;

    IPersistStreamInit* persiste = nullptr;
    if (SUCCEEDED(objeto->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persiste))) && persiste) {
        IStream* fluxo = nullptr;
        carga_ = CreateStreamOnHGlobal(nullptr, TRUE, &fluxo);
        if (SUCCEEDED(carga_)) {
            ULONG escritos = 0;
            carga_ = fluxo->Write(estado, static_cast<ULONG>(tamanho), &escritos);
            LARGE_INTEGER zero = {};
            if (SUCCEEDED(carga_)) carga_ = fluxo->Seek(zero, STREAM_SEEK_SET, nullptr);
            if (SUCCEEDED(carga_)) carga_ = persiste->Load(fluxo);
            fluxo->Release();
        }
        persiste->Release();
    }
    hr = objeto->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
    objeto->Release();
    if (FAILED(hr)) dispatch_ = nullptr;
    return hr;
}

void AxControl::Release() {
    IDispatch* d = dispatch_;
    dispatch_ = nullptr;
    if (d) d->Release();
}

VARIANT AxControl::Invoke(DISPID id, WORD flags, std::vector<VARIANT> argumentos) {
    IDispatch* d = dispatch_;
    if (!d) Raise(kErrObjeto, DescricaoDoErro(kErrObjeto));
    d->AddRef();
    // DISPPARAMS takes the arguments last first.
    std::vector<VARIANT> invertidos(argumentos.rbegin(), argumentos.rend());
    DISPPARAMS parametros = {};
    DISPID nomeado = DISPID_PROPERTYPUT;
    parametros.cArgs = static_cast<UINT>(invertidos.size());
    parametros.rgvarg = invertidos.empty() ? nullptr : invertidos.data();
    if (flags & DISPATCH_PROPERTYPUT) {
        parametros.cNamedArgs = 1;
        parametros.rgdispidNamedArgs = &nomeado;
    }
    VARIANT resultado;
    VariantInit(&resultado);
    EXCEPINFO excecao = {};
    UINT erroDoArgumento = 0;
    const HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parametros,
                                 (flags & DISPATCH_PROPERTYPUT) ? nullptr : &resultado, &excecao, &erroDoArgumento);
    d->Release();
    if (FAILED(hr)) {
        std::wstring descricao;
        if (hr == DISP_E_EXCEPTION) {
            if (excecao.pfnDeferredFillIn) excecao.pfnDeferredFillIn(&excecao);
            if (excecao.bstrDescription) descricao = excecao.bstrDescription;
        }
        SysFreeString(excecao.bstrSource);
        SysFreeString(excecao.bstrDescription);
        SysFreeString(excecao.bstrHelpFile);
        if (descricao.empty()) descricao = L"Erro de automação";
        Raise(static_cast<long>(hr), descricao);
    }
    return resultado;
}

void AxControl::Call(DISPID id) {
    VARIANT r = Invoke(id, DISPATCH_METHOD, {});
    VariantClear(&r);
}

void AxControl::PutString(DISPID id, const std::wstring& valor) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(valor.data(), static_cast<UINT>(valor.size()));
    try {
        VARIANT r = Invoke(id, DISPATCH_PROPERTYPUT, {v});
        VariantClear(&r);
    } catch (...) {
        VariantClear(&v);
        throw;
    }
    VariantClear(&v);
}

long AxControl::GetLong(DISPID id) {
    VARIANT r = Invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    VARIANT l;
    VariantInit(&l);
    const HRESULT hr = VariantChangeType(&l, &r, 0, VT_I4);
    VariantClear(&r);
    if (FAILED(hr)) Raise(13, L"Tipos incompatíveis");
    return l.lVal;
}

std::wstring AxControl::GetString(DISPID id) {
    VARIANT r = Invoke(id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    VARIANT s;
    VariantInit(&s);
    const HRESULT hr = VariantChangeType(&s, &r, 0, VT_BSTR);
    VariantClear(&r);
    if (FAILED(hr)) Raise(13, L"Tipos incompatíveis");
    std::wstring out(s.bstrVal ? s.bstrVal : L"", s.bstrVal ? SysStringLen(s.bstrVal) : 0);
    VariantClear(&s);
    return out;
}

}  // namespace forms

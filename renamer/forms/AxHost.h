// Hosting of one ActiveX control by class identifier, with the saved state the window carries.
// The window talks to it only late-bound through IDispatch. Every call holds its own reference,
// so a window that lets the control go while a call is under way (a close during a transfer)
// frees it only once that call has returned.
#ifndef FORMS_AXHOST_H
#define FORMS_AXHOST_H

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace forms {

class AxControl {
public:
    explicit AxControl(const wchar_t* nome) : nome_(nome) {}
    ~AxControl() { Release(); }
    AxControl(const AxControl&) = delete;
    AxControl& operator=(const AxControl&) = delete;

    // Creates the control and, when it takes a stream state, loads `estado` into it.
    // Returns the creation's HRESULT; a failed load keeps the control as created.
    HRESULT Create(const CLSID& clsid, const unsigned char* estado, size_t tamanho);
    void Release();
    bool Exists() const { return dispatch_ != nullptr; }
    HRESULT LoadResult() const { return carga_; }

    // Raises the toolkit's error for a missing control or a failed call.
    void Call(DISPID id);
    void PutString(DISPID id, const std::wstring& valor);
    long GetLong(DISPID id);
    std::wstring GetString(DISPID id);
    // Arguments in their declared order.
    VARIANT Invoke(DISPID id, WORD flags, std::vector<VARIANT> argumentos);

private:
    std::wstring nome_;
    IDispatch* dispatch_ = nullptr;
    HRESULT carga_ = S_FALSE;
};

// CLSIDFromString over a narrow "{...}" text.
CLSID ClsidDeTexto(const char* texto);

}  // namespace forms

#endif

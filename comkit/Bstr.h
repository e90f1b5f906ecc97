// Automation strings and variants at the COM boundary, with ownership made explicit.
#ifndef COMKIT_BSTR_H
#define COMKIT_BSTR_H

#include <windows.h>
#include <oleauto.h>

#include "CStr.h"

// Widens with the thread's ANSI code page into a new BSTR; never returns null (an empty
// text gives an empty BSTR) unless memory runs out.
BSTR NewBstrFromAnsi(const CStr& text);
// Narrows with the thread's ANSI code page; a null BSTR is the empty text.
CStr AnsiFromBstr(BSTR text);
// Stores a new BSTR of text in *out; E_POINTER for a null out, E_OUTOFMEMORY if it cannot be made.
HRESULT ReturnBstr(const CStr& text, BSTR* out);

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(const CStr& text) : m_bstr(NewBstrFromAnsi(text)) {}
    explicit CBstr(const wchar_t* text) : m_bstr(SysAllocString(text)) {}
    ~CBstr() { SysFreeString(m_bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    BSTR get() const { return m_bstr; }
    BSTR* out() { SysFreeString(m_bstr); m_bstr = nullptr; return &m_bstr; }
    BSTR detach() { BSTR b = m_bstr; m_bstr = nullptr; return b; }
    CStr ansi() const { return AnsiFromBstr(m_bstr); }

private:
    BSTR m_bstr = nullptr;
};

class CVariant : public VARIANT {
public:
    CVariant() { VariantInit(this); }
    ~CVariant() { VariantClear(this); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    void Clear() { VariantClear(this); }
};

#endif

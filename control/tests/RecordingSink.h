// An event sink for tests: it records every event it receives and can be told to fail or to
// answer ClientConnected's Cancel.
#ifndef DORVIK_TESTS_RECORDINGSINK_H
#define DORVIK_TESTS_RECORDINGSINK_H

#include <windows.h>
#include <oaidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "DorvikFTP_h.h"

struct RecordedEvent {
    DISPID id;
    std::vector<VARTYPE> types;       // in the order Invoke received them (last argument first)
    std::vector<std::wstring> texts;  // BSTR arguments, in that order
    std::vector<double> numbers;      // I4 and R8 arguments, in that order
    LONG cancelSeen = 0;              // value of a by-reference Cancel when the sink was called
};

class RecordingSink : public IDispatch {
public:
    std::vector<RecordedEvent> events;
    HRESULT answer = S_OK;   // what Invoke returns
    LONG setCancel = -1;     // >= 0: written into a by-reference Cancel
    LONG refs = 1;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, DIID__IDorvikFTPCtrlEvents)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override
    {
        RecordedEvent e;
        e.id = id;
        for (UINT i = 0; i < p->cArgs; ++i) {
            VARIANT& v = p->rgvarg[i];
            e.types.push_back(V_VT(&v));
            if (V_VT(&v) == VT_BSTR)
                e.texts.push_back(std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))));
            else if (V_VT(&v) == VT_I4)
                e.numbers.push_back(V_I4(&v));
            else if (V_VT(&v) == VT_R8)
                e.numbers.push_back(V_R8(&v));
            else if (V_VT(&v) == (VT_I4 | VT_BYREF)) {
                e.cancelSeen = *V_I4REF(&v);
                if (setCancel >= 0)
                    *V_I4REF(&v) = setCancel;
            }
        }
        events.push_back(e);
        return answer;
    }
};

#endif

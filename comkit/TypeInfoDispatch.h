// IDispatch served from our type library: names resolve through it, calls go through its
// interface-side description straight onto the vtable (the platform's DispInvoke does the
// argument coercion).
#ifndef COMKIT_TYPEINFODISPATCH_H
#define COMKIT_TYPEINFODISPATCH_H

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>

class TypeInfoDispatch {
public:
    explicit TypeInfoDispatch(const IID& iid) : m_iid(iid) {}

    HRESULT GetTypeInfoCount(UINT* count);
    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out);
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
    HRESULT Invoke(void* vtableInterface, DISPID id, REFIID riid, LCID lcid, WORD flags,
                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr);

private:
    void BuildNameTable(ITypeInfo* info);

    IID m_iid;
    bool m_namesBuilt = false;
    std::map<std::wstring, DISPID> m_names;
};

#endif

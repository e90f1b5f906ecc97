#include "TypeInfoDispatch.h"

#include <oleauto.h>

#include "Module.h"

HRESULT TypeInfoDispatch::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoDispatch::GetTypeInfo(UINT index, LCID, ITypeInfo** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    ITypeInfo* info = nullptr;
    HRESULT hr = Module().GetTypeInfo(m_iid, &info);
    if (SUCCEEDED(hr)) {
        info->AddRef();
        *out = info;
    }
    return hr;
}

void TypeInfoDispatch::BuildNameTable(ITypeInfo* info)
{
    m_namesBuilt = true;
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr)))
        return;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc)))
            continue;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(desc->memid, &name, nullptr, nullptr, nullptr)) && name)
            m_names.emplace(std::wstring(name, SysStringLen(name)), desc->memid);
        SysFreeString(name);
        info->ReleaseFuncDesc(desc);
    }
    info->ReleaseTypeAttr(attr);
}

HRESULT TypeInfoDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    ITypeInfo* info = nullptr;
    HRESULT hr = Module().GetTypeInfo(m_iid, &info);
    if (FAILED(hr))
        return hr;
    if (count == 1) {
        // One table serves every instance, and instances may live on several apartment threads.
        bool found = false;
        EnterCriticalSection(Module().FactoryLock());
        if (!m_namesBuilt)
            BuildNameTable(info);
        auto hit = m_names.find(names[0]);
        if (hit != m_names.end()) {
            ids[0] = hit->second;
            found = true;
        }
        LeaveCriticalSection(Module().FactoryLock());
        if (found)
            return S_OK;
    }
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoDispatch::Invoke(void* vtableInterface, DISPID id, REFIID riid, LCID, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hr = Module().GetTypeInfo(m_iid, &info, true);
    if (FAILED(hr))
        return hr;
    return DispInvoke(vtableInterface, info, id, flags, params, result, excep, argErr);
}

#include "Module.h"

#include <oleauto.h>

#include "Bstr.h"

ComModule& Module()
{
    static ComModule module;
    return module;
}

void ComModule::Init(HINSTANCE instance, const GUID& libid)
{
    m_instance = instance;
    m_libid = libid;
    if (!m_initialised) {
        InitializeCriticalSection(&m_factoryLock);
        m_initialised = true;
    }
}

void ComModule::Term()
{
    if (!m_initialised)
        return;
    for (void (*hook)() : m_termHooks)
        hook();
    m_termHooks.clear();
    for (CachedInfo& c : m_infos)
        c.info->Release();
    m_infos.clear();
    if (m_typeLib) {
        m_typeLib->Release();
        m_typeLib = nullptr;
    }
    for (const CStr& name : m_windowClasses)
        UnregisterClassA(name.c_str(), m_instance);
    m_windowClasses.clear();
    DeleteCriticalSection(&m_factoryLock);
    m_initialised = false;
}

CStr ComModule::ModulePath() const
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(m_instance, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return CStr();
        if (n < path.size())
            return CStr(path.data(), static_cast<int>(n));
        path.resize(path.size() * 2);
    }
}

HRESULT ComModule::LoadTypeLibrary()
{
    if (m_typeLib)
        return S_OK;
    HRESULT hr = LoadRegTypeLib(m_libid, 1, 0, 0x409, &m_typeLib);
    if (FAILED(hr)) {
        CBstr path(ModulePath());
        hr = LoadTypeLibEx(path.get(), REGKIND_NONE, &m_typeLib);
    }
    return hr;
}

HRESULT ComModule::GetTypeInfo(const GUID& guid, ITypeInfo** out, bool vtableSide)
{
    *out = nullptr;
    EnterCriticalSection(&m_factoryLock);
    HRESULT hr = S_OK;
    for (const CachedInfo& c : m_infos)
        if (IsEqualGUID(c.guid, guid) && c.vtableSide == vtableSide)
            *out = c.info;
    if (!*out) {
        hr = LoadTypeLibrary();
        ITypeInfo* info = nullptr;
        if (SUCCEEDED(hr))
            hr = m_typeLib->GetTypeInfoOfGuid(guid, &info);
        if (SUCCEEDED(hr) && vtableSide) {
            // A dual interface's entry in the library is its dispatch side; it refers to the
            // vtable side. A plain interface is its own vtable side.
            HREFTYPE ref = 0;
            ITypeInfo* vtable = nullptr;
            if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
                info->Release();
                info = vtable;
            }
        }
        if (SUCCEEDED(hr)) {
            m_infos.push_back({guid, vtableSide, info});
            *out = info;
        }
    }
    LeaveCriticalSection(&m_factoryLock);
    return hr;
}

ATOM ComModule::RegisterWindowClass(const WNDCLASSA& wc)
{
    // Controls on two apartment threads of one host may both be first: one registers, the
    // other finds the class; neither sees the other's half-done registration.
    EnterCriticalSection(&m_factoryLock);
    WNDCLASSA existing;
    ATOM atom = 1;
    if (!GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing)) {
        atom = RegisterClassA(&wc);
        if (atom)
            m_windowClasses.push_back(CStr(wc.lpszClassName));
    }
    LeaveCriticalSection(&m_factoryLock);
    return atom;
}

void ComModule::AddTermHook(void (*hook)())
{
    m_termHooks.push_back(hook);
}

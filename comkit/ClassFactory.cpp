#include "ClassFactory.h"

#include <new>

#include "Module.h"

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

// The map holds the factory for the module's whole life, so reaching zero here only means
// that no client holds it; it is deleted by ReleaseClassObjects.
STDMETHODIMP_(ULONG) ClassFactory::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&m_refs));
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    return m_creator(outer, iid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        Module().Lock();
    else
        Module().Unlock();
    return S_OK;
}

HRESULT GetClassObjectFrom(ClassEntry* map, REFCLSID clsid, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (ClassEntry* e = map; e->clsid; ++e) {
        if (!IsEqualCLSID(*e->clsid, clsid))
            continue;
        if (!e->factory) {
            EnterCriticalSection(Module().FactoryLock());
            if (!e->factory)
                e->factory = new (std::nothrow) ClassFactory(e->creator);
            LeaveCriticalSection(Module().FactoryLock());
            if (!e->factory)
                return E_OUTOFMEMORY;
        }
        return e->factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects(ClassEntry* map)
{
    for (ClassEntry* e = map; e->clsid; ++e) {
        delete e->factory;
        e->factory = nullptr;
    }
}

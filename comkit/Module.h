// The library's module object: instance handle, lock count, the type library it serves from,
// and the window classes it registered (unregistered again when the library goes).
#ifndef COMKIT_MODULE_H
#define COMKIT_MODULE_H

#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "CStr.h"

class ComModule {
public:
    void Init(HINSTANCE instance, const GUID& libid);
    // Releases the cached factory hooks, type information and window classes.
    void Term();

    HINSTANCE Instance() const { return m_instance; }
    CStr ModulePath() const;

    LONG Lock() { return InterlockedIncrement(&m_locks); }
    LONG Unlock() { return InterlockedDecrement(&m_locks); }
    LONG LockCount() const { return m_locks; }

    // Type information of one interface of our type library, loaded once: from the registered
    // library first, else from the copy embedded in this module, so an unregistered control
    // still answers late-bound calls. For a dual interface the vtable side can be asked for
    // (calls are invoked through it). Holds no reference for the caller.
    HRESULT GetTypeInfo(const GUID& guid, ITypeInfo** out, bool vtableSide = false);

    // Registers the class unless one of that name exists; records it for unregistration at Term.
    // Safe to call from several threads at once.
    ATOM RegisterWindowClass(const WNDCLASSA& wc);

    // Clean-up that must run at Term (cached class factories).
    void AddTermHook(void (*hook)());

    // The module's one lock: guards the cached factories, type information, window classes and
    // whatever else all instances share. It may be entered again by the thread that holds it.
    CRITICAL_SECTION* FactoryLock() { return &m_factoryLock; }

private:
    HRESULT LoadTypeLibrary();

    HINSTANCE m_instance = nullptr;
    GUID m_libid = GUID_NULL;
    volatile LONG m_locks = 0;
    CRITICAL_SECTION m_factoryLock;
    bool m_initialised = false;
    ITypeLib* m_typeLib = nullptr;
    struct CachedInfo { GUID guid; bool vtableSide; ITypeInfo* info; };
    std::vector<CachedInfo> m_infos;
    std::vector<CStr> m_windowClasses;
    std::vector<void (*)()> m_termHooks;
};

ComModule& Module();

#endif

// The four entry points COM and registration tools call, and the library's one-row object map.
#include <windows.h>
#include <oleauto.h>

#include "Bstr.h"
#include "ClassFactory.h"
#include "DorvikFTPApp.h"
#include "DorvikFTPCtrl.h"
#include "DorvikGuids.h"
#include "Module.h"
#include "Registrar.h"

namespace {
const int kRegistryScript = 103;
} // namespace

ClassEntry g_objectMap[] = {
    {&CLSID_DorvikFTPCtrl, CreateComObject<CDorvikFTPCtrl>, CDorvikFTPCtrl::UpdateRegistry, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

HRESULT CDorvikFTPCtrl::UpdateRegistry(bool registering)
{
    RegistrarReplacements replacements = {{"MODULE", Module().ModulePath()}};
    return RunRegistryResource(g_hInstance, kRegistryScript, replacements, registering);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        return theApp.InitInstance(instance);
    }
    // At process exit (reserved non-null) other libraries may already be gone: leave it to the system.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        theApp.ExitInstance();
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return Module().LockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out)
{
    return GetClassObjectFrom(g_objectMap, clsid, iid, out);
}

namespace {
CStr ModuleFolder()
{
    CStr path = Module().ModulePath();
    int slash = path.ReverseFind('\\');
    return slash == CStr::npos ? CStr() : path.Left(slash);
}
} // namespace

STDAPI DllRegisterServer()
{
    for (ClassEntry* e = g_objectMap; e->clsid; ++e) {
        HRESULT hr = e->updateRegistry(true);
        if (FAILED(hr))
            return hr;
    }
    CBstr path(Module().ModulePath());
    CBstr helpDir(ModuleFolder());
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path.get(), REGKIND_NONE, &library);
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLib(library, path.get(), helpDir.get());
        library->Release();
    }
    return hr;
}

namespace {
// The platform answers "cannot reach the registry" both for a type library that was never
// registered and for one the caller may not remove; only the first is no failure, so look first.
bool TypeLibraryRegistered()
{
    CStr key = CStr("TypeLib\\") + DORVIK_LIBID_TEXT + "\\1.0";
    HKEY opened = nullptr;
    LONG error = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &opened);
    if (error == ERROR_SUCCESS)
        RegCloseKey(opened);
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}
} // namespace

STDAPI DllUnregisterServer()
{
    for (ClassEntry* e = g_objectMap; e->clsid; ++e) {
        HRESULT hr = e->updateRegistry(false);
        if (FAILED(hr))
            return hr;
    }
    if (!TypeLibraryRegistered())
        return S_OK;
    return UnRegisterTypeLib(LIBID_DORVIKFTPLib, 1, 0, 0x409, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
}

// The Version property: the file version of the library registered for our class, which need
// not be the file this control was loaded from.
#include "DorvikFTPCtrl.h"

#include <vector>

#include "Bstr.h"
#include "DorvikGuids.h"

namespace {
CStr RegisteredLibraryPath()
{
    HKEY key = nullptr;
    char path[256] = {};
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\" DORVIK_CLSID_TEXT "\\InprocServer32", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        LONG size = sizeof(path) - 1;
        RegQueryValueA(key, nullptr, path, &size);
        RegCloseKey(key);
    }
    return CStr(path);
}
} // namespace

STDMETHODIMP CDorvikFTPCtrl::get_Version(BSTR* pVal)
try {
    CStr text;
    CStr path = RegisteredLibraryPath();
    DWORD ignored = 0;
    DWORD size = path.IsEmpty() ? 0 : GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size != 0) {
        std::vector<BYTE> block(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        if (GetFileVersionInfoA(path.c_str(), 0, size, block.data()) &&
            VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed)
            text = CStr::Format("%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    }
    return ReturnBstr(text, pVal);
}
COMKIT_METHOD_CATCH

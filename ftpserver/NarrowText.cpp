#include "NarrowText.h"

#include <windows.h>

#include <vector>

bool NarrowExactAnsi(const wchar_t* wide, CStr& narrow)
{
    narrow.Empty();
    if (!wide || !*wide)
        return true;
    int wideLength = lstrlenW(wide);
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0, nullptr,
                                     &usedDefault);
    if (length <= 0 || usedDefault)
        return false;
    std::vector<char> bytes(static_cast<size_t>(length));
    WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes.data(), length, nullptr,
                        &usedDefault);
    // The way back must give the very same characters.
    int back = MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (usedDefault || back != wideLength)
        return false;
    std::vector<wchar_t> check(static_cast<size_t>(back));
    MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, check.data(), back);
    for (int i = 0; i < back; ++i) {
        if (check[static_cast<size_t>(i)] != wide[i])
            return false;
    }
    narrow = CStr(bytes.data(), length);
    return true;
}

// The description a failing call left in the thread's error object.
#ifndef DORVIK_TESTS_ERRORTEXT_H
#define DORVIK_TESTS_ERRORTEXT_H

#include <windows.h>
#include <oleauto.h>

#include <string>

inline std::wstring LastErrorText()
{
    IErrorInfo* info = nullptr;
    std::wstring text;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)) && description)
            text.assign(description, SysStringLen(description));
        SysFreeString(description);
        info->Release();
    }
    return text;
}

#endif

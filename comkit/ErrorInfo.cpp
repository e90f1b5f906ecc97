#include "ErrorInfo.h"

#include <oleauto.h>

#include "Bstr.h"
#include "ComPtr.h"

HRESULT ReportComError(const char* source, const CStr& description)
{
    CComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.out()))) {
        CBstr text(description);
        CBstr from{CStr(source)};
        create->SetDescription(text.get());
        create->SetSource(from.get());
        create->SetGUID(GUID_NULL);
        create->SetHelpFile(nullptr);
        create->SetHelpContext(0);
        CComPtr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.outVoid())))
            SetErrorInfo(0, info.get());
    }
    return DISP_E_EXCEPTION;
}

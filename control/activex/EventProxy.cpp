#include "EventProxy.h"

#include <oleauto.h>

#include "DorvikFTP_h.h"

CProxy_IDorvikFTPCtrlEvents::CProxy_IDorvikFTPCtrlEvents(IConnectionPointContainer* container)
    : ConnectionPoint(container, DIID__IDorvikFTPCtrlEvents)
{
}

// Sinks are called in slot order; the slot count is read once, so a sink advised by a handler
// during the firing waits for the next event, and each slot is read again just before its call,
// so a sink that an earlier handler unadvised is not called. Arguments go in reverse order, as
// Invoke expects.
LONG CProxy_IDorvikFTPCtrlEvents::Fire(DISPID id, const Arg* args, int count)
{
    const int slots = Sinks().SlotCount();
    if (slots == 0)
        return 0;
    // A handler may release the host's last reference to the object this point belongs to: the
    // object (and with it the sink table) stays until the loop is over. This hold's release
    // may be the last one, so nothing of this object is touched after it.
    AddRef();
    VARIANT params[6];
    for (int i = 0; i < count; ++i)
        VariantInit(&params[i]);
    VARIANT result;
    VariantInit(&result);

    for (int slot = 0; slot < slots; ++slot) {
        IUnknown* held = Sinks().At(slot);
        if (!held)
            continue;
        held->AddRef();
        IDispatch* sink = static_cast<IDispatch*>(held);
        VariantClear(&result);
        if (BuildArguments(args, count, params)) {
            DISPPARAMS dp = {params, nullptr, static_cast<UINT>(count), 0};
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, &result, nullptr, nullptr);
        }
        held->Release();
    }
    for (int i = 0; i < count; ++i)
        VariantClear(&params[i]);
    const LONG value = V_VT(&result) == VT_I4 ? V_I4(&result) : 0;
    VariantClear(&result);
    Release();
    return value;
}

// Fresh arguments for one sink (a handler may have kept or changed the last one's strings);
// false when a string could not be allocated.
bool CProxy_IDorvikFTPCtrlEvents::BuildArguments(const Arg* args, int count, VARIANT* params)
{
    bool built = true;
    for (int i = 0; i < count; ++i) {
        const Arg& a = args[count - 1 - i];
        VARIANT& v = params[i];
        VariantClear(&v);
        if (a.type == VT_BSTR) {
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = SysAllocString(a.text ? a.text : L"");
            built = built && V_BSTR(&v) != nullptr;
        } else if (a.type == VT_R8) {
            V_VT(&v) = VT_R8;
            V_R8(&v) = a.real;
        } else if (a.type == (VT_I4 | VT_BYREF)) {
            V_VT(&v) = VT_I4 | VT_BYREF;
            V_I4REF(&v) = a.ref;
        } else {
            V_VT(&v) = VT_I4;
            V_I4(&v) = a.number;
        }
    }
    return built;
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_StateChange(LONG state)
{
    Arg a[] = {{VT_I4, nullptr, state, 0, nullptr}};
    return Fire(2, a, 1);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_Reply(const wchar_t* text)
{
    Arg a[] = {{VT_BSTR, text, 0, 0, nullptr}};
    return Fire(3, a, 1);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_TransferProgress(LONG bytes)
{
    Arg a[] = {{VT_I4, nullptr, bytes, 0, nullptr}};
    return Fire(4, a, 1);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_EnumFile(const wchar_t* fileName, double fileSize, const wchar_t* user,
                                                const wchar_t* group, double fileDate, const wchar_t* fileFlags)
{
    Arg a[] = {{VT_BSTR, fileName, 0, 0, nullptr}, {VT_R8, nullptr, 0, fileSize, nullptr},
               {VT_BSTR, user, 0, 0, nullptr},     {VT_BSTR, group, 0, 0, nullptr},
               {VT_R8, nullptr, 0, fileDate, nullptr}, {VT_BSTR, fileFlags, 0, 0, nullptr}};
    return Fire(5, a, 6);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_TransferStarting(const wchar_t* localFile, const wchar_t* remoteFile, LONG offset)
{
    Arg a[] = {{VT_BSTR, localFile, 0, 0, nullptr}, {VT_BSTR, remoteFile, 0, 0, nullptr},
               {VT_I4, nullptr, offset, 0, nullptr}};
    return Fire(6, a, 3);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_TransferComplete(const wchar_t* localFile, const wchar_t* remoteFile, LONG bytes)
{
    Arg a[] = {{VT_BSTR, localFile, 0, 0, nullptr}, {VT_BSTR, remoteFile, 0, 0, nullptr},
               {VT_I4, nullptr, bytes, 0, nullptr}};
    return Fire(7, a, 3);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_ClientConnected(const wchar_t* user, const wchar_t* address, LONG* cancel)
{
    Arg a[] = {{VT_BSTR, user, 0, 0, nullptr}, {VT_BSTR, address, 0, 0, nullptr},
               {VT_I4 | VT_BYREF, nullptr, 0, 0, cancel}};
    return Fire(8, a, 3);
}

LONG CProxy_IDorvikFTPCtrlEvents::Fire_ClientDisconnected(const wchar_t* user, const wchar_t* address)
{
    Arg a[] = {{VT_BSTR, user, 0, 0, nullptr}, {VT_BSTR, address, 0, 0, nullptr}};
    return Fire(9, a, 2);
}

// The binary contract early-bound hosts compile against: every member of the interface in the
// type library carried by DorvikFTP.dll, with its dispatch identifier, kind, vtable slot and
// parameters, and the event interface's identifiers. Swapping two members in the IDL fails here.
#include <string>
#include <vector>

#include "ControlFixture.h"

namespace {

enum Kind { M = INVOKE_FUNC, GET = INVOKE_PROPERTYGET, PUT = INVOKE_PROPERTYPUT };

struct Member {
    DISPID id;
    const char* name;
    Kind kind;
    int slot;
    const char* params; // "type flags" per parameter, joined by ", "
};

const char* const kGetText = "BSTR* out retval";
const char* const kGetLong = "long* out retval";

const Member kMembers[] = {
    {1, "ServerName", GET, 7, kGetText},
    {1, "ServerName", PUT, 8, "BSTR in"},
    {2, "ServerPort", GET, 9, kGetLong},
    {2, "ServerPort", PUT, 10, "long in"},
    {3, "Username", GET, 11, kGetText},
    {3, "Username", PUT, 12, "BSTR in"},
    {4, "Password", GET, 13, kGetText},
    {4, "Password", PUT, 14, "BSTR in"},
    {5, "Connect", M, 15, ""},
    {6, "Disconnect", M, 16, ""},
    {7, "Quote", M, 17, "BSTR"},
    {8, "Get", M, 18, "BSTR, BSTR, long"},
    {9, "DeleteFile", M, 19, "BSTR"},
    {10, "RenameFile", M, 20, "BSTR, BSTR"},
    {11, "Put", M, 21, "BSTR, BSTR, long"},
    {12, "EnumFiles", M, 22, "BSTR"},
    {13, "LastServerResponse", GET, 23, kGetLong},
    {14, "CurrentWorkingDirectory", GET, 24, kGetText},
    {14, "CurrentWorkingDirectory", PUT, 25, "BSTR in"},
    {15, "Abort", M, 26, ""},
    {16, "BinaryMode", GET, 27, kGetLong},
    {16, "BinaryMode", PUT, 28, "long in"},
    {17, "LastServerResponseText", GET, 29, kGetText},
    {18, "ProxyName", GET, 30, kGetText},
    {18, "ProxyName", PUT, 31, "BSTR in"},
    {19, "ProxyPort", GET, 32, kGetLong},
    {19, "ProxyPort", PUT, 33, "long in"},
    {20, "ProxyUserID", GET, 34, kGetText},
    {20, "ProxyUserID", PUT, 35, "BSTR in"},
    {21, "GetFromURL", M, 36, "BSTR, BSTR, BSTR, BSTR, long"},
    {22, "Busy", GET, 37, kGetLong},
    {23, "RasIsConnected", M, 38, "BSTR, long* out retval"},
    {24, "RasDisconnect", M, 39, ""},
    {25, "RasConnect", M, 40, "BSTR, BSTR, BSTR, long"},
    {26, "PassiveMode", GET, 41, kGetLong},
    {26, "PassiveMode", PUT, 42, "long in"},
    {27, "Timeout", GET, 43, kGetLong},
    {27, "Timeout", PUT, 44, "long in"},
    {28, "ProgressID", GET, 45, kGetText},
    {28, "ProgressID", PUT, 46, "BSTR in"},
    {29, "CreateProgressID", M, 47, kGetText},
    {30, "GetProgressInfo", M, 48, "long*, long* out retval"},
    {31, "FreeProgressInfo", M, 49, ""},
    {32, "BeginGet", M, 50, "BSTR, BSTR, long, long* out retval"},
    {33, "MaxBandwidth", GET, 51, kGetLong},
    {33, "MaxBandwidth", PUT, 52, "long in"},
    {34, "BeginPut", M, 53, "BSTR, BSTR, long"},
    {35, "IsConnected", GET, 54, kGetLong},
    {36, "FileExists", M, 55, "BSTR, long* out retval"},
    {37, "HTTPUpload", M, 56, "BSTR, BSTR, BSTR, BSTR, long* out retval"},
    {38, "Version", GET, 57, kGetText},
    {39, "StartServer", M, 58, "long"},
    {40, "StopServer", M, 59, ""},
    {41, "ServerAddUser", M, 60, "BSTR, BSTR, BSTR, DFTP_SERVER_PERMISSIONS"},
    {42, "MPut", M, 61, "BSTR"},
    {43, "MGet", M, 62, "BSTR, BSTR"},
    {44, "FileListing", GET, 63, kGetText},
    {DISPID_ABOUTBOX, "AboutBox", M, 64, ""},
};

const Member kEvents[] = {
    {2, "StateChange", M, -1, "DFTP_STATES"},
    {3, "Reply", M, -1, "BSTR"},
    {4, "TransferProgress", M, -1, "long"},
    {5, "EnumFile", M, -1, "BSTR, double, BSTR, BSTR, DATE, BSTR"},
    {6, "TransferStarting", M, -1, "BSTR, BSTR, long"},
    {7, "TransferComplete", M, -1, "BSTR, BSTR, long"},
    {8, "ClientConnected", M, -1, "BSTR, BSTR, long*"},
    {9, "ClientDisconnected", M, -1, "BSTR, BSTR"},
};

std::string Narrow(BSTR b)
{
    std::string s;
    for (UINT i = 0; b && i < SysStringLen(b); ++i)
        s += static_cast<char>(b[i]);
    return s;
}

std::string TypeText(ITypeInfo* info, const TYPEDESC& t)
{
    switch (t.vt) {
    case VT_BSTR: return "BSTR";
    case VT_I4: return "long";
    case VT_R8: return "double";
    case VT_DATE: return "DATE";
    case VT_PTR: return TypeText(info, *t.lptdesc) + "*";
    case VT_USERDEFINED: {
        ITypeInfo* ref = nullptr;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, &ref))) {
            ref->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
            ref->Release();
        }
        std::string s = Narrow(name);
        SysFreeString(name);
        return s;
    }
    default: return "vt" + std::to_string(t.vt);
    }
}

std::string ParamsText(ITypeInfo* info, const FUNCDESC& f)
{
    std::string s;
    for (SHORT i = 0; i < f.cParams; ++i) {
        const ELEMDESC& e = f.lprgelemdescParam[i];
        s += (i ? ", " : "") + TypeText(info, e.tdesc);
        USHORT flags = e.paramdesc.wParamFlags;
        if (flags & PARAMFLAG_FIN) s += " in";
        if (flags & PARAMFLAG_FOUT) s += " out";
        if (flags & PARAMFLAG_FRETVAL) s += " retval";
        if (flags & ~(PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)) s += " flags" + std::to_string(flags);
    }
    return s;
}

// One function of a type description, as the table writes it.
Member Describe(ITypeInfo* info, const FUNCDESC& f, std::string* name, std::string* params)
{
    BSTR n = nullptr;
    info->GetDocumentation(f.memid, &n, nullptr, nullptr, nullptr);
    *name = Narrow(n);
    SysFreeString(n);
    *params = ParamsText(info, f);
    int slot = f.funckind == FUNC_DISPATCH ? -1 : f.oVft / static_cast<int>(sizeof(void*));
    return {f.memid, name->c_str(), static_cast<Kind>(f.invkind), slot, params->c_str()};
}

void ExpectFunctions(ITypeInfo* info, const Member* expected, size_t count, VARTYPE result)
{
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    UINT functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    ASSERT_EQ(count, functions);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, &f));
        std::string name, params;
        Member got = Describe(info, *f, &name, &params);
        const Member& want = expected[i];
        SCOPED_TRACE("entry " + std::to_string(i) + " " + want.name);
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.name, name);
        EXPECT_EQ(want.kind, got.kind);
        EXPECT_EQ(want.slot, got.slot);
        EXPECT_EQ(want.params, params);
        EXPECT_EQ(result, f->elemdescFunc.tdesc.vt);
        EXPECT_EQ(0, f->cParamsOpt);
        EXPECT_EQ(CC_STDCALL, f->callconv);
        EXPECT_EQ(0, f->wFuncFlags & (FUNCFLAG_FHIDDEN | FUNCFLAG_FRESTRICTED | FUNCFLAG_FBINDABLE));
        info->ReleaseFuncDesc(f);
    }
}

class TypeLibraryLayout : public ControlLibrary {
protected:
    ITypeLib* library = nullptr;
    void SetUp() override
    {
        ControlLibrary::SetUp();
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(dll, path, MAX_PATH);
        ASSERT_EQ(S_OK, LoadTypeLibEx(path, REGKIND_NONE, &library));
    }
    void TearDown() override
    {
        if (library)
            library->Release();
        ControlLibrary::TearDown();
    }
};

TEST_F(TypeLibraryLayout, InterfaceMembersHaveTheirIdentifiersSlotsAndParameters)
{
    ITypeInfo* dispatchSide = nullptr;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IDorvikFTPCtrl, &dispatchSide));
    HREFTYPE ref = 0;
    ITypeInfo* vtableSide = nullptr;
    ASSERT_EQ(S_OK, dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
    ASSERT_EQ(S_OK, dispatchSide->GetRefTypeInfo(ref, &vtableSide));
    dispatchSide->Release();

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, vtableSide->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
              attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE));
    EXPECT_EQ(65 * sizeof(void*), attr->cbSizeVft);  // IUnknown, IDispatch and 58 entries of our own
    vtableSide->ReleaseTypeAttr(attr);

    ExpectFunctions(vtableSide, kMembers, sizeof(kMembers) / sizeof(kMembers[0]), VT_HRESULT);
    vtableSide->Release();
}

TEST_F(TypeLibraryLayout, EventInterfaceHasItsIdentifiersAndParameters)
{
    ITypeInfo* events = nullptr;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(DIID__IDorvikFTPCtrlEvents, &events));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, events->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    events->ReleaseTypeAttr(attr);
    ExpectFunctions(events, kEvents, sizeof(kEvents) / sizeof(kEvents[0]), VT_VOID);
    events->Release();
}

} // namespace

// Reads a type description back in the table's own terms, so that a library can be compared
// with the table row by row.
#include "InterfaceMembers.h"

#include <string>

#include <gtest/gtest.h>

#include "DorvikFTP_h.h"

namespace {

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

} // namespace

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

HRESULT InterfaceVtableSide(ITypeLib* library, ITypeInfo** vtableSide)
{
    ITypeInfo* dispatchSide = nullptr;
    HRESULT hr = library->GetTypeInfoOfGuid(IID_IDorvikFTPCtrl, &dispatchSide);
    if (FAILED(hr))
        return hr;
    HREFTYPE ref = 0;
    hr = dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
    if (SUCCEEDED(hr))
        hr = dispatchSide->GetRefTypeInfo(ref, vtableSide);
    dispatchSide->Release();
    return hr;
}

// The binary contract early-bound hosts compile against: every member of the interface in the
// type library carried by DorvikFTP.dll, with its dispatch identifier, kind, vtable slot and
// parameters, and the event interface's identifiers. Swapping two members in the IDL fails here.
#include <string>
#include <vector>

#include "ControlFixture.h"
#include "InterfaceMembers.h"

namespace {

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
    ITypeInfo* vtableSide = nullptr;
    ASSERT_EQ(S_OK, InterfaceVtableSide(library, &vtableSide));

    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, vtableSide->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
              attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE));
    EXPECT_EQ(65 * sizeof(void*), attr->cbSizeVft);  // IUnknown, IDispatch and 58 entries of our own
    vtableSide->ReleaseTypeAttr(attr);

    ExpectFunctions(vtableSide, kMembers, kMemberCount, VT_HRESULT);
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

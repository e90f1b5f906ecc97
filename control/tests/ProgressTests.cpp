// The progress block between a writer and a reading control: names, reading, stopping, and
// that a read leaves no handle of its own behind.
#include <cstdlib>
#include <string>

#include "ControlFixture.h"

#include <mmsystem.h>

#include "ErrorText.h"
#include "ProgressBlock.h"

namespace {

std::wstring Text(BSTR b)
{
    std::wstring t(b ? b : L"", b ? SysStringLen(b) : 0);
    SysFreeString(b);
    return t;
}

CStr Narrow(const std::wstring& w)
{
    std::string s(w.begin(), w.end());
    return CStr(s.c_str());
}

TEST_F(ControlLibrary, ProgressNamesAreTheTickCountInUpperCaseHex)
{
    IDorvikFTPCtrl* control = NewControl();
    DWORD before = timeGetTime();
    BSTR first = nullptr;
    ASSERT_EQ(S_OK, control->CreateProgressID(&first));
    std::wstring name = Text(first);
    DWORD after = timeGetTime();
    ASSERT_EQ(0u, name.find(L"DorvikFTP"));
    std::wstring hex = name.substr(9);
    ASSERT_FALSE(hex.empty());
    EXPECT_NE(L'0', hex[0]);   // no leading zeros
    for (wchar_t c : hex)
        EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << static_cast<char>(c);
    DWORD ticks = static_cast<DWORD>(wcstoul(hex.c_str(), nullptr, 16));
    EXPECT_LE(before, ticks);
    EXPECT_LE(ticks, after);

    // Creating a name neither stores it nor makes a block.
    BSTR watched = nullptr;
    control->get_ProgressID(&watched);
    EXPECT_EQ(L"", Text(watched));
    HANDLE block = OpenFileMappingA(FILE_MAP_READ, FALSE, Narrow(name).c_str());
    EXPECT_EQ(nullptr, block);
    if (block)
        CloseHandle(block);
    control->Release();
}

TEST_F(ControlLibrary, ProgressReadWithoutANameOrWithoutABlock)
{
    IDorvikFTPCtrl* control = NewControl();
    long bytes = 77, status = 88;
    EXPECT_EQ(DISP_E_EXCEPTION, control->GetProgressInfo(&bytes, &status));
    EXPECT_EQ(L"ProgressID not set.", LastErrorText());
    EXPECT_EQ(77, bytes);
    EXPECT_EQ(88, status);

    BSTR name = SysAllocString(L"DorvikFTPNOSUCHBLOCK");
    control->put_ProgressID(name);
    SysFreeString(name);
    EXPECT_EQ(S_OK, control->GetProgressInfo(&bytes, &status));
    EXPECT_EQ(0, bytes);
    EXPECT_EQ(0, status);
    EXPECT_EQ(S_OK, control->FreeProgressInfo());
    EXPECT_EQ(S_OK, control->FreeProgressInfo());
    control->Release();
}

TEST_F(ControlLibrary, ProgressRoundTripFromOneControlsNameToAnothersRead)
{
    IDorvikFTPCtrl* namer = NewControl();
    IDorvikFTPCtrl* reader = NewControl();
    BSTR created = nullptr;
    ASSERT_EQ(S_OK, namer->CreateProgressID(&created));
    CStr name = Narrow(std::wstring(created, SysStringLen(created)));

    HANDLE writerMapping = nullptr;
    void* writerView = nullptr;
    ASSERT_TRUE(CreateProgressBlock(name, &writerMapping, &writerView));
    ASSERT_NE(nullptr, writerView);
    EXPECT_EQ(1, static_cast<volatile LONG*>(writerView)[kProgressAlive]);
    ASSERT_TRUE(UpdateProgressBlock(writerMapping, writerView, 1000, 2));

    ASSERT_EQ(S_OK, reader->put_ProgressID(created));
    SysFreeString(created);
    long bytes = 0, status = 0;
    ASSERT_EQ(S_OK, reader->GetProgressInfo(&bytes, &status));
    EXPECT_EQ(1000, bytes);
    EXPECT_EQ(2, status);

    // The alive word holds the writer's own handle; freeing the reader's copy must not close it.
    EXPECT_EQ(S_OK, reader->FreeProgressInfo());
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(writerMapping, &flags));

    // A reader that asks the writer to stop (alive word 0): updates write nothing from then on.
    static_cast<volatile LONG*>(writerView)[kProgressAlive] = 0;
    EXPECT_FALSE(UpdateProgressBlock(writerMapping, writerView, 5000, 9));
    ASSERT_EQ(S_OK, reader->GetProgressInfo(&bytes, &status));
    EXPECT_EQ(1000, bytes);
    EXPECT_EQ(2, status);

    // Once the writer lets go, the block is gone: the reads kept nothing open.
    CloseProgressBlock(&writerMapping, &writerView);
    HANDLE left = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    EXPECT_EQ(nullptr, left);
    if (left)
        CloseHandle(left);
    ASSERT_EQ(S_OK, reader->GetProgressInfo(&bytes, &status));
    EXPECT_EQ(0, bytes);
    namer->Release();
    reader->Release();
}

TEST(ProgressWriter, AFailedCreationLeavesAWriterThatNeverWrites)
{
    HANDLE mapping = nullptr;
    void* view = reinterpret_cast<void*>(1);
    // A name with a backslash is refused by the object namespace.
    EXPECT_TRUE(CreateProgressBlock(CStr("No\\Such\\Namespace"), &mapping, &view));
    EXPECT_EQ(nullptr, view);
    EXPECT_TRUE(UpdateProgressBlock(mapping, view, 1, 1));
    CloseProgressBlock(&mapping, &view);
}

} // namespace

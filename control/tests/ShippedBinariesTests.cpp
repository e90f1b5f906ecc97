// The shipped 32-bit DorvikFTP.dll and Velkaro.exe, read as files and never run, so that a machine
// that cannot execute 32-bit code (where the tests run the 64-bit build) still checks what ships:
// its processor, its imports, the DLL's exports and the interface in its type library.
// DORVIK_SHIPPED_BIN_DIR names their folder: the 32-bit build's bin/, which is this build's own
// unless this is the 64-bit build.
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DorvikFTP_h.h"
#include "InterfaceMembers.h"
#include "PeImage.h"
#include "SystemDlls.h"

namespace {

std::string ShippedPath(const char* file)
{
    std::string path = std::string(DORVIK_SHIPPED_BIN_DIR) + "/" + file;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A missing file fails the test: a run that checked nothing must not pass.
::testing::AssertionResult ReadShipped(const char* file, PeImage* image)
{
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(ShippedPath(file), &bytes) || bytes.empty())
        return ::testing::AssertionFailure() << "cannot read " << ShippedPath(file)
                                             << " (the 32-bit build, made first by scripts/build.sh)";
    std::string error = ReadPeImage(bytes, image);
    if (!error.empty())
        return ::testing::AssertionFailure() << ShippedPath(file) << ": " << error;
    return ::testing::AssertionSuccess();
}

TEST(ShippedBinaries, AreI386ImagesImportingOnlySystemDlls)
{
    for (const char* file : {"DorvikFTP.dll", "Velkaro.exe"}) {
        SCOPED_TRACE(file);
        PeImage image;
        ASSERT_TRUE(ReadShipped(file, &image));
        EXPECT_EQ(IMAGE_FILE_MACHINE_I386, image.machine);
        EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, image.optionalMagic);
        EXPECT_FALSE(image.imports.empty());  // every image imports kernel32 at least: none read means a bad read
        EXPECT_EQ(std::vector<std::string>(), ForeignImports(image.imports));
    }
}

TEST(ShippedBinaries, DllExportsTheFourServerEntryPointsAtTheirOrdinals)
{
    PeImage image;
    ASSERT_TRUE(ReadShipped("DorvikFTP.dll", &image));
    std::map<std::string, DWORD> exports;
    for (const PeExport& e : image.exports)
        exports[e.name] = e.ordinal;
    const std::map<std::string, DWORD> expected = {
        {"DllCanUnloadNow", 1}, {"DllGetClassObject", 2}, {"DllRegisterServer", 3}, {"DllUnregisterServer", 4}};
    EXPECT_EQ(expected, exports);
}

// LoadTypeLibEx with REGKIND_NONE reads the library from the DLL's resources as data, which works
// for a 32-bit DLL in a 64-bit process too; offsets in the vtable then come in the reader's pointer size.
TEST(ShippedBinaries, DllTypeLibraryHasEveryInterfaceMemberInItsSlot)
{
    const std::string path = ShippedPath("DorvikFTP.dll");
    std::wstring wide(path.begin(), path.end());
    ITypeLib* library = nullptr;
    ASSERT_EQ(S_OK, LoadTypeLibEx(wide.c_str(), REGKIND_NONE, &library)) << path;

    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&libAttr));
    EXPECT_EQ(SYS_WIN32, libAttr->syskind);
    library->ReleaseTLibAttr(libAttr);

    ITypeInfo* vtableSide = nullptr;
    ASSERT_EQ(S_OK, InterfaceVtableSide(library, &vtableSide));
    ExpectFunctions(vtableSide, kMembers, kMemberCount, VT_HRESULT);
    vtableSide->Release();
    library->Release();
}

} // namespace

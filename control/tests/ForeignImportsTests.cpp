// The import check of the shipped binaries against small made-up images: a compiler runtime DLL
// among the imports, plainly or delay-loaded, must be named; system DLLs in any letter case pass.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PeImage.h"
#include "SystemDlls.h"

namespace {

typedef std::vector<std::string> Names;

template <class T>
void Put(std::vector<unsigned char>* bytes, size_t offset, const T& value)
{
    if (bytes->size() < offset + sizeof(T))
        bytes->resize(offset + sizeof(T));
    std::memcpy(bytes->data() + offset, &value, sizeof(T));
}

// A 32-bit image with one section that holds its import table, its delay-load table and the names.
std::vector<unsigned char> FakeImage(const Names& imports, const Names& delayed)
{
    const DWORD sectionRva = 0x1000, sectionFile = 0x200;
    const size_t importTable = 0, delayTable = (imports.size() + 1) * sizeof(IMAGE_IMPORT_DESCRIPTOR);
    size_t names = delayTable + (delayed.size() + 1) * sizeof(IMAGE_DELAYLOAD_DESCRIPTOR);

    std::vector<unsigned char> section(names);
    auto addName = [&](const std::string& name) {
        DWORD rva = static_cast<DWORD>(sectionRva + section.size());
        section.insert(section.end(), name.begin(), name.end());
        section.push_back(0);
        return rva;
    };
    for (size_t i = 0; i < imports.size(); ++i) {
        IMAGE_IMPORT_DESCRIPTOR d = {};
        d.Name = addName(imports[i]);
        Put(&section, importTable + i * sizeof(d), d);
    }
    for (size_t i = 0; i < delayed.size(); ++i) {
        IMAGE_DELAYLOAD_DESCRIPTOR d = {};
        d.Attributes.AllAttributes = 1;
        d.DllNameRVA = addName(delayed[i]);
        Put(&section, delayTable + i * sizeof(d), d);
    }

    std::vector<unsigned char> bytes(sectionFile + section.size());
    std::memcpy(bytes.data() + sectionFile, section.data(), section.size());
    IMAGE_DOS_HEADER dos = {};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = sizeof(dos);
    Put(&bytes, 0, dos);
    IMAGE_NT_HEADERS32 nt = {};
    nt.Signature = IMAGE_NT_SIGNATURE;
    nt.FileHeader.Machine = IMAGE_FILE_MACHINE_I386;
    nt.FileHeader.NumberOfSections = 1;
    nt.FileHeader.SizeOfOptionalHeader = sizeof(nt.OptionalHeader);
    nt.OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    nt.OptionalHeader.ImageBase = 0x400000;
    nt.OptionalHeader.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT] = {static_cast<DWORD>(sectionRva + importTable),
                                                                      static_cast<DWORD>(delayTable)};
    if (!delayed.empty())
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT] = {
            static_cast<DWORD>(sectionRva + delayTable), static_cast<DWORD>(names - delayTable)};
    Put(&bytes, sizeof(dos), nt);
    IMAGE_SECTION_HEADER header = {};
    std::memcpy(header.Name, ".idata", 6);
    header.VirtualAddress = sectionRva;
    header.Misc.VirtualSize = header.SizeOfRawData = static_cast<DWORD>(section.size());
    header.PointerToRawData = sectionFile;
    Put(&bytes, sizeof(dos) + sizeof(nt), header);
    return bytes;
}

struct ImportCase {
    const char* what;
    Names imports;
    Names delayed;
    Names foreign;
};

const ImportCase kCases[] = {
    {"system DLLs only", {"KERNEL32.dll", "msvcrt.dll", "WS2_32.dll"}, {}, {}},
    {"letter case of a system DLL", {"kernel32.DLL", "WININET.DLL", "ole32.dll"}, {}, {}},
    {"the C++ runtime", {"KERNEL32.dll", "libstdc++-6.dll"}, {}, {"libstdc++-6.dll"}},
    {"the 32-bit gcc runtime", {"libgcc_s_dw2-1.dll", "USER32.dll"}, {}, {"libgcc_s_dw2-1.dll"}},
    {"the threads runtime", {"libwinpthread-1.dll"}, {}, {"libwinpthread-1.dll"}},
    {"a runtime that is delay-loaded", {"KERNEL32.dll"}, {"libstdc++-6.dll"}, {"libstdc++-6.dll"}},
    {"a name that only begins like a system DLL", {"kernel32.dll.local"}, {}, {"kernel32.dll.local"}},
};

TEST(ForeignImports, NameEveryImportedDllThatIsNotASystemOne)
{
    for (const ImportCase& c : kCases) {
        SCOPED_TRACE(c.what);
        PeImage image;
        ASSERT_EQ("", ReadPeImage(FakeImage(c.imports, c.delayed), &image));
        Names all = c.imports;
        all.insert(all.end(), c.delayed.begin(), c.delayed.end());
        EXPECT_EQ(all, image.imports);
        EXPECT_EQ(c.foreign, ForeignImports(image.imports));
    }
}

} // namespace

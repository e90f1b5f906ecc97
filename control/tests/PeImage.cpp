#include "PeImage.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    template <class T>
    bool At(size_t offset, T* out) const
    {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return false;
        std::memcpy(out, bytes_.data() + offset, sizeof(T));
        return true;
    }

    // A NUL-terminated name; a name that runs to the end of the buffer is damage.
    bool NameAt(size_t offset, std::string* out) const
    {
        out->clear();
        for (size_t i = offset; i < bytes_.size(); ++i) {
            if (!bytes_[i])
                return true;
            *out += static_cast<char>(bytes_[i]);
        }
        return false;
    }

private:
    const std::vector<unsigned char>& bytes_;
};

// Where a relative virtual address lies in the file, through the section that holds it.
class Sections {
public:
    Sections(const Reader& reader, size_t table, WORD count) : reader_(reader), table_(table), count_(count) {}

    bool Offset(DWORD rva, size_t* offset) const
    {
        for (WORD i = 0; i < count_; ++i) {
            IMAGE_SECTION_HEADER s;
            if (!reader_.At(table_ + i * sizeof(s), &s))
                return false;
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < s.SizeOfRawData) {
                *offset = s.PointerToRawData + (rva - s.VirtualAddress);
                return true;
            }
        }
        return false;
    }

    bool NameAt(DWORD rva, std::string* name) const
    {
        size_t offset = 0;
        return Offset(rva, &offset) && reader_.NameAt(offset, name);
    }

private:
    const Reader& reader_;
    size_t table_;
    WORD count_;
};

struct Directories {
    IMAGE_DATA_DIRECTORY entry[IMAGE_NUMBEROF_DIRECTORY_ENTRIES] = {};
    ULONGLONG imageBase = 0;
};

// The optional header's two layouts differ in where the directories start and in the image base's size.
template <class OptionalHeader>
bool ReadDirectories(const Reader& reader, size_t at, WORD size, Directories* dirs)
{
    OptionalHeader h;
    if (size < offsetof(OptionalHeader, DataDirectory) || !reader.At(at, &h))
        return false;
    DWORD count = h.NumberOfRvaAndSizes;
    if (count > IMAGE_NUMBEROF_DIRECTORY_ENTRIES)
        count = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    if (size < offsetof(OptionalHeader, DataDirectory) + count * sizeof(IMAGE_DATA_DIRECTORY))
        return false;
    for (DWORD i = 0; i < count; ++i)
        dirs->entry[i] = h.DataDirectory[i];
    dirs->imageBase = h.ImageBase;
    return true;
}

std::string ReadImports(const Reader& reader, const Sections& sections, const IMAGE_DATA_DIRECTORY& dir,
                        std::vector<std::string>* names)
{
    if (!dir.VirtualAddress)
        return "";
    size_t at = 0;
    if (!sections.Offset(dir.VirtualAddress, &at))
        return "import table outside every section";
    for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR d;
        if (!reader.At(at, &d))
            return "import table runs past the end of the file";
        if (!d.Name)
            return "";
        std::string name;
        if (!sections.NameAt(d.Name, &name))
            return "unreadable imported DLL name";
        names->push_back(name);
    }
}

std::string ReadDelayImports(const Reader& reader, const Sections& sections, const Directories& dirs,
                             std::vector<std::string>* names)
{
    const IMAGE_DATA_DIRECTORY& dir = dirs.entry[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (!dir.VirtualAddress)
        return "";
    size_t at = 0;
    if (!sections.Offset(dir.VirtualAddress, &at))
        return "delay-load table outside every section";
    for (;; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        IMAGE_DELAYLOAD_DESCRIPTOR d;
        if (!reader.At(at, &d))
            return "delay-load table runs past the end of the file";
        if (!d.DllNameRVA)
            return "";
        // The oldest linkers wrote addresses instead of relative ones; bit 0 tells them apart.
        DWORD rva = d.DllNameRVA;
        if (!(d.Attributes.AllAttributes & 1))
            rva = static_cast<DWORD>(rva - dirs.imageBase);
        std::string name;
        if (!sections.NameAt(rva, &name))
            return "unreadable delay-loaded DLL name";
        names->push_back(name);
    }
}

std::string ReadExports(const Reader& reader, const Sections& sections, const IMAGE_DATA_DIRECTORY& dir,
                        std::vector<PeExport>* exports)
{
    if (!dir.VirtualAddress)
        return "";
    size_t at = 0;
    IMAGE_EXPORT_DIRECTORY e;
    if (!sections.Offset(dir.VirtualAddress, &at) || !reader.At(at, &e))
        return "unreadable export directory";
    size_t names = 0, ordinals = 0;
    if (e.NumberOfNames && (!sections.Offset(e.AddressOfNames, &names) ||
                            !sections.Offset(e.AddressOfNameOrdinals, &ordinals)))
        return "export name tables outside every section";
    for (DWORD i = 0; i < e.NumberOfNames; ++i) {
        DWORD nameRva = 0;
        WORD index = 0;
        std::string name;
        if (!reader.At(names + i * sizeof(DWORD), &nameRva) || !reader.At(ordinals + i * sizeof(WORD), &index) ||
            !sections.NameAt(nameRva, &name))
            return "unreadable export name";
        exports->push_back({name, e.Base + index});
    }
    return "";
}

} // namespace

std::string ReadPeImage(const std::vector<unsigned char>& bytes, PeImage* image)
{
    *image = PeImage();
    Reader reader(bytes);
    IMAGE_DOS_HEADER dos;
    if (!reader.At(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return "no MZ header";
    size_t pe = static_cast<size_t>(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER file;
    if (dos.e_lfanew < 0 || !reader.At(pe, &signature) || signature != IMAGE_NT_SIGNATURE ||
        !reader.At(pe + sizeof(signature), &file))
        return "no PE header";
    image->machine = file.Machine;

    size_t optional = pe + sizeof(signature) + sizeof(file);
    if (!reader.At(optional, &image->optionalMagic))
        return "no optional header";
    Directories dirs;
    bool read = false;
    if (image->optionalMagic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        read = ReadDirectories<IMAGE_OPTIONAL_HEADER32>(reader, optional, file.SizeOfOptionalHeader, &dirs);
    else if (image->optionalMagic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        read = ReadDirectories<IMAGE_OPTIONAL_HEADER64>(reader, optional, file.SizeOfOptionalHeader, &dirs);
    if (!read)
        return "unreadable optional header";

    Sections sections(reader, optional + file.SizeOfOptionalHeader, file.NumberOfSections);
    std::string error = ReadImports(reader, sections, dirs.entry[IMAGE_DIRECTORY_ENTRY_IMPORT], &image->imports);
    if (error.empty())
        error = ReadDelayImports(reader, sections, dirs, &image->imports);
    if (error.empty())
        error = ReadExports(reader, sections, dirs.entry[IMAGE_DIRECTORY_ENTRY_EXPORT], &image->exports);
    return error;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

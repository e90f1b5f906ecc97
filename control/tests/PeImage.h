// What a test needs to know about a Windows image it must not run: the processor it is built for,
// the DLLs it imports and the names it exports, read from the file's bytes alone. A 32-bit image
// cannot be loaded as code into the 64-bit test programs, and on some machines cannot run at all.
#ifndef DORVIK_TESTS_PEIMAGE_H
#define DORVIK_TESTS_PEIMAGE_H

#include <windows.h>

#include <string>
#include <vector>

struct PeExport {
    std::string name;
    DWORD ordinal;
};

struct PeImage {
    WORD machine = 0;        // IMAGE_FILE_MACHINE_...
    WORD optionalMagic = 0;  // IMAGE_NT_OPTIONAL_HDR32_MAGIC or ..._HDR64_MAGIC
    std::vector<std::string> imports;  // every DLL of the import and the delay-load tables, as written
    std::vector<PeExport> exports;     // the named exports with their ordinals
};

// Fills image from bytes; returns "" on success, otherwise what is wrong with the bytes. Every
// offset is checked against the buffer, so a short or damaged file is reported, not read past.
std::string ReadPeImage(const std::vector<unsigned char>& bytes, PeImage* image);

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes);

#endif

#include "ProgressBlock.h"

#include <mmsystem.h>

namespace {

volatile LONG* Word(void* view, ProgressWord word)
{
    return static_cast<volatile LONG*>(view) + word;
}

} // namespace

CStr NewProgressBlockName()
{
    return CStr::Format("DorvikFTP%lX", static_cast<unsigned long>(timeGetTime()));
}

bool ReadProgressBlock(const CStr& name, HANDLE* mapping, void** view, ProgressReading* out)
{
    *mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (!*mapping)
        return false;
    // A section is at least one page, so the five words are inside whatever view we get.
    *view = MapViewOfFile(*mapping, FILE_MAP_READ, 0, 0, 0);
    bool ok = *view != nullptr;
    if (ok) {
        out->bytes = *Word(*view, kProgressBytes);
        out->status = *Word(*view, kProgressStatus);
        out->alive = static_cast<DWORD>(*Word(*view, kProgressAlive));
        UnmapViewOfFile(*view);
        *view = nullptr;
    }
    CloseHandle(*mapping);
    *mapping = nullptr;
    return ok;
}

bool CreateProgressBlock(const CStr& name, HANDLE* mapping, void** view)
{
    *view = nullptr;
    *mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kProgressBlockSize, name.c_str());
    if (*mapping)
        *view = MapViewOfFile(*mapping, FILE_MAP_WRITE, 0, 0, kProgressBlockSize);
    if (*view)
        *Word(*view, kProgressAlive) = 1;
    return true;
}

bool UpdateProgressBlock(HANDLE mapping, void* view, LONG bytes, LONG status)
{
    if (!view)
        return true;
    if (*Word(view, kProgressAlive) == 0)
        return false;
    *Word(view, kProgressBytes) = bytes;
    *Word(view, kProgressStatus) = status;
    *Word(view, kProgressAlive) = static_cast<LONG>(reinterpret_cast<LONG_PTR>(mapping));
    return true;
}

void CloseProgressBlock(HANDLE* mapping, void** view)
{
    if (*view) {
        UnmapViewOfFile(*view);
        *view = nullptr;
    }
    if (*mapping) {
        CloseHandle(*mapping);
        *mapping = nullptr;
    }
}

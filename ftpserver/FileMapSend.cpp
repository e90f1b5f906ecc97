#include "FileMapSend.h"

#include <vector>

namespace {

// One view at a time, small enough that hundreds of downloads fit a 32-bit address space, large enough
// that each send moves megabytes.
constexpr long long kViewBytes = 4LL * 1024 * 1024;

// Below this size one read costs less than mapping a view: a mapping, a view, its unmapping and the
// mapping's closing are four calls to the Wine server, against one read.
constexpr long long kReadAtOnceBytes = 64 * 1024;

MappedSendResult SendRead(HANDLE file, SOCKET sock, long long bytes, const StopFlags& stop, DWORD idleMs)
{
    std::vector<char> buffer(static_cast<size_t>(bytes));
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(bytes), &got, nullptr))
        return MAPPED_FAILED;
    return SendAll(sock, buffer.data(), static_cast<int>(got), stop, idleMs) ? MAPPED_SENT : MAPPED_FAILED;
}

long long CurrentPosition(HANDLE file)
{
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    return SetFilePointerEx(file, zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
}

}  // namespace

MappedSendResult SendFileMapped(HANDLE file, SOCKET sock, const StopFlags& stop, DWORD idleMs)
{
    LARGE_INTEGER size;
    long long offset = CurrentPosition(file);
    if (offset < 0 || !GetFileSizeEx(file, &size))
        return MAPPED_UNAVAILABLE;
    if (offset >= size.QuadPart)
        return MAPPED_SENT;  // nothing (left) to send; an empty file cannot be mapped anyway
    if (size.QuadPart - offset <= kReadAtOnceBytes)
        return SendRead(file, sock, size.QuadPart - offset, stop, idleMs);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return MAPPED_UNAVAILABLE;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    long long granularity = system.dwAllocationGranularity;
    const long long first = offset;
    bool ok = true;
    while (ok && offset < size.QuadPart) {
        long long viewStart = offset - offset % granularity;
        long long viewBytes = size.QuadPart - viewStart < kViewBytes ? size.QuadPart - viewStart : kViewBytes;
        const char* view = static_cast<const char*>(
            MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(viewStart >> 32),
                          static_cast<DWORD>(viewStart & 0xFFFFFFFF), static_cast<SIZE_T>(viewBytes)));
        if (!view) {
            // Out of address space before anything went out: the caller's buffered way still works.
            if (offset == first) {
                CloseHandle(mapping);
                return MAPPED_UNAVAILABLE;
            }
            ok = false;
            break;
        }
        int skip = static_cast<int>(offset - viewStart);
        ok = SendAll(sock, view + skip, static_cast<int>(viewBytes) - skip, stop, idleMs);
        UnmapViewOfFile(view);
        offset = viewStart + viewBytes;
    }
    CloseHandle(mapping);
    return ok ? MAPPED_SENT : MAPPED_FAILED;
}

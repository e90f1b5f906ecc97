// The local end of a download: the file, and the exact prefix of it a resume keeps.
#include "LocalTransferFiles.h"

HANDLE OpenDownloadTarget(const CStr& local, long offset, CStr* failure)
{
    HANDLE file = CreateFileA(local, GENERIC_WRITE, 0, nullptr, offset ? OPEN_EXISTING : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *failure = CStr::Format("Error opening local file. (code %ld)", static_cast<long>(GetLastError()));
        return file;
    }
    if (offset == 0)
        return file;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < offset) {
        *failure = CStr::Format("The local file is shorter than the offset %ld.", offset);
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    LARGE_INTEGER position;
    position.QuadPart = offset;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) {
        *failure = CStr::Format("Error positioning local file. (code %ld)", static_cast<long>(GetLastError()));
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool DropDownloadTargetTail(HANDLE file, CStr* failure)
{
    if (SetEndOfFile(file))
        return true;
    *failure = CStr::Format("Error positioning local file. (code %ld)", static_cast<long>(GetLastError()));
    return false;
}

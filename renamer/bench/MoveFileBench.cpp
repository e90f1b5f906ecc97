// Prints what the platform alone takes to rename every file of one folder: a bare MoveFileW
// loop, no window and no rules, over names that start with a given piece, each renamed to
// the name without it (what the window bench asks of Velkaro). The folder is made by the
// caller, so that only the renames are timed.
// Usage: velkaro_movefile_bench <folder> <piece to delete>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Seconds.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: velkaro_movefile_bench <folder> <piece to delete>\n");
        return 2;
    }
    const std::wstring dir = argv[1];
    const std::wstring piece = argv[2];

    // The names are taken before the first rename: the loop then times MoveFileW alone.
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\" + piece + L"*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }

    int failed = 0;
    const double t0 = Now();
    for (const std::wstring& name : names) {
        const std::wstring from = dir + L"\\" + name;
        const std::wstring to = dir + L"\\" + name.substr(piece.size());
        if (!MoveFileW(from.c_str(), to.c_str())) ++failed;
    }
    const double t1 = Now();
    printf("MoveFileW loop %d files %.2f s\n", static_cast<int>(names.size()), t1 - t0);
    if (failed) fprintf(stderr, "%d renames failed\n", failed);
    return failed == 0 && !names.empty() ? 0 : 1;
}

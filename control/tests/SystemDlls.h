// The Windows DLLs a shipped binary may import: those every Windows carries in its system folder.
// The binaries must start on a machine where nothing else was installed, so a compiler's runtime
// (libstdc++-6.dll, libgcc_s_*.dll, libwinpthread-1.dll) is linked in statically, never imported.
// msvcrt.dll is the system's own C runtime, the one mingw-w64 links against. rasapi32.dll is not
// here on purpose: dial-up loads it by name at run time, and an import of it would undo that.
#ifndef DORVIK_TESTS_SYSTEMDLLS_H
#define DORVIK_TESTS_SYSTEMDLLS_H

#include <windows.h>

#include <string>
#include <vector>

inline const char* const kSystemDlls[] = {
    "advapi32.dll", "gdi32.dll",  "kernel32.dll", "msvcrt.dll",  "ole32.dll",  "oleaut32.dll",
    "shell32.dll",  "user32.dll", "version.dll",  "wininet.dll", "winmm.dll",  "ws2_32.dll",
};

// The imported DLLs that are not in the list; file names compare without regard to case.
inline std::vector<std::string> ForeignImports(const std::vector<std::string>& imports)
{
    std::vector<std::string> foreign;
    for (const std::string& name : imports) {
        bool system = false;
        for (const char* allowed : kSystemDlls)
            system = system || lstrcmpiA(name.c_str(), allowed) == 0;
        if (!system)
            foreign.push_back(name);
    }
    return foreign;
}

#endif

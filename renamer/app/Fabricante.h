// The program's maker: its host serves the adverts over FTP and its web site, which a click
// on an advert opens. The host name is written once, here.
#ifndef VELKARO_FABRICANTE_H
#define VELKARO_FABRICANTE_H

#include <windows.h>

#include <string>

namespace velkaro {

// A name under the reserved ".example" domain: it never resolves, so no copy of the program
// contacts a host that nobody here runs. A release puts the maker's real host here.
extern const wchar_t kHostDoFabricante[];

// Tests point the advert download and the web link at this machine by setting this variable
// to a loopback name; any other value is ignored, so the variable cannot send the maker's
// login anywhere else.
extern const wchar_t kVariavelDeTeste[];

// kHostDoFabricante, or the loopback name of the test variable.
std::wstring HostDaPropaganda();
// The maker's web site, on the same host.
std::wstring SiteDoFabricante();

// ShellExecuteA, bound by name at its first call; a test may put its own in first.
using FuncaoShellExecuteA = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
extern FuncaoShellExecuteA g_ShellExecuteA;

}  // namespace velkaro

#endif

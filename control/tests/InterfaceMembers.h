// Every member of IDorvikFTPCtrl as early-bound hosts compile against it: dispatch identifier,
// name, kind, vtable slot and parameters, and the one comparison of a type library with it. The
// layout test checks the DLL the tests load, the shipped-binaries test the shipped 32-bit DLL.
#ifndef DORVIK_TESTS_INTERFACEMEMBERS_H
#define DORVIK_TESTS_INTERFACEMEMBERS_H

#include <windows.h>
#include <oaidl.h>
#include <olectl.h>

enum Kind { M = INVOKE_FUNC, GET = INVOKE_PROPERTYGET, PUT = INVOKE_PROPERTYPUT };

struct Member {
    DISPID id;
    const char* name;
    Kind kind;
    int slot;
    const char* params; // "type flags" per parameter, joined by ", "
};

inline constexpr const char* kGetText = "BSTR* out retval";
inline constexpr const char* kGetLong = "long* out retval";

inline constexpr Member kMembers[] = {
    {1, "ServerName", GET, 7, kGetText},
    {1, "ServerName", PUT, 8, "BSTR in"},
    {2, "ServerPort", GET, 9, kGetLong},
    {2, "ServerPort", PUT, 10, "long in"},
    {3, "Username", GET, 11, kGetText},
    {3, "Username", PUT, 12, "BSTR in"},
    {4, "Password", GET, 13, kGetText},
    {4, "Password", PUT, 14, "BSTR in"},
    {5, "Connect", M, 15, ""},
    {6, "Disconnect", M, 16, ""},
    {7, "Quote", M, 17, "BSTR"},
    {8, "Get", M, 18, "BSTR, BSTR, long"},
    {9, "DeleteFile", M, 19, "BSTR"},
    {10, "RenameFile", M, 20, "BSTR, BSTR"},
    {11, "Put", M, 21, "BSTR, BSTR, long"},
    {12, "EnumFiles", M, 22, "BSTR"},
    {13, "LastServerResponse", GET, 23, kGetLong},
    {14, "CurrentWorkingDirectory", GET, 24, kGetText},
    {14, "CurrentWorkingDirectory", PUT, 25, "BSTR in"},
    {15, "Abort", M, 26, ""},
    {16, "BinaryMode", GET, 27, kGetLong},
    {16, "BinaryMode", PUT, 28, "long in"},
    {17, "LastServerResponseText", GET, 29, kGetText},
    {18, "ProxyName", GET, 30, kGetText},
    {18, "ProxyName", PUT, 31, "BSTR in"},
    {19, "ProxyPort", GET, 32, kGetLong},
    {19, "ProxyPort", PUT, 33, "long in"},
    {20, "ProxyUserID", GET, 34, kGetText},
    {20, "ProxyUserID", PUT, 35, "BSTR in"},
    {21, "GetFromURL", M, 36, "BSTR, BSTR, BSTR, BSTR, long"},
    {22, "Busy", GET, 37, kGetLong},
    {23, "RasIsConnected", M, 38, "BSTR, long* out retval"},
    {24, "RasDisconnect", M, 39, ""},
    {25, "RasConnect", M, 40, "BSTR, BSTR, BSTR, long"},
    {26, "PassiveMode", GET, 41, kGetLong},
    {26, "PassiveMode", PUT, 42, "long in"},
    {27, "Timeout", GET, 43, kGetLong},
    {27, "Timeout", PUT, 44, "long in"},
    {28, "ProgressID", GET, 45, kGetText},
    {28, "ProgressID", PUT, 46, "BSTR in"},
    {29, "CreateProgressID", M, 47, kGetText},
    {30, "GetProgressInfo", M, 48, "long*, long* out retval"},
    {31, "FreeProgressInfo", M, 49, ""},
    {32, "BeginGet", M, 50, "BSTR, BSTR, long, long* out retval"},
    {33, "MaxBandwidth", GET, 51, kGetLong},
    {33, "MaxBandwidth", PUT, 52, "long in"},
    {34, "BeginPut", M, 53, "BSTR, BSTR, long"},
    {35, "IsConnected", GET, 54, kGetLong},
    {36, "FileExists", M, 55, "BSTR, long* out retval"},
    {37, "HTTPUpload", M, 56, "BSTR, BSTR, BSTR, BSTR, long* out retval"},
    {38, "Version", GET, 57, kGetText},
    {39, "StartServer", M, 58, "long"},
    {40, "StopServer", M, 59, ""},
    {41, "ServerAddUser", M, 60, "BSTR, BSTR, BSTR, DFTP_SERVER_PERMISSIONS"},
    {42, "MPut", M, 61, "BSTR"},
    {43, "MGet", M, 62, "BSTR, BSTR"},
    {44, "FileListing", GET, 63, kGetText},
    {DISPID_ABOUTBOX, "AboutBox", M, 64, ""},
};

inline constexpr size_t kMemberCount = sizeof(kMembers) / sizeof(kMembers[0]);

// Compares a type description's functions, in order, with the table: identifier, name, kind,
// vtable slot (in the reading process's pointer size, as the loader gives it), parameter types and
// flags, and the result type.
void ExpectFunctions(ITypeInfo* info, const Member* expected, size_t count, VARTYPE result);

// The vtable side of IDorvikFTPCtrl in a library: where the slots of early-bound hosts are.
HRESULT InterfaceVtableSide(ITypeLib* library, ITypeInfo** vtableSide);

#endif

// The library's application object: it starts WinSock and the module when the library is
// attached to a process and stops them when it is detached.
#ifndef DORVIK_DORVIKFTPAPP_H
#define DORVIK_DORVIKFTPAPP_H

#include <windows.h>

class CDorvikFTPApp {
public:
    BOOL InitInstance(HINSTANCE instance);
    BOOL ExitInstance();

private:
    bool m_winsockStarted = false;
};

extern CDorvikFTPApp theApp;

#endif

#include "DorvikFTPApp.h"

#include <winsock2.h>

#include "ClassFactory.h"
#include "DorvikFTP_h.h"
#include "Module.h"

HINSTANCE g_hInstance = nullptr;
CDorvikFTPApp theApp;

extern ClassEntry g_objectMap[];

BOOL CDorvikFTPApp::InitInstance(HINSTANCE instance)
{
    g_hInstance = instance;
    WSADATA data;
    // A failed start is not fatal: every socket call then fails and is reported by its method.
    m_winsockStarted = WSAStartup(0x0201, &data) == 0;
    Module().Init(instance, LIBID_DORVIKFTPLib);
    Module().AddTermHook([] { ReleaseClassObjects(g_objectMap); });
    return TRUE;
}

BOOL CDorvikFTPApp::ExitInstance()
{
    if (m_winsockStarted) {
        WSACancelBlockingCall();
        WSACleanup();
        m_winsockStarted = false;
    }
    Module().Term();
    return TRUE;
}

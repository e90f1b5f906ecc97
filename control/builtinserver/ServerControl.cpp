// The host's handle on the built-in FTP server: start and stop listening, add accounts.
// The server runs on threads of its own; these return at once.
#include "DorvikFTPCtrl.h"

#include "NarrowText.h"

STDMETHODIMP CDorvikFTPCtrl::StartServer(long PortNumber)
try {
    if (m_Server.PortOpen())
        StopServer();
    m_Server.SetEventWindow(m_hNotifyWnd);
    // The control's passive ports; a port that cannot be opened leaves the server silent, not failing.
    m_Server.SetPassivePortWindow(10000, 1000);
    m_Server.OpenControlPort(htonl(INADDR_ANY), static_cast<unsigned short>(PortNumber & 0xFFFF));
    m_Server.LaunchAcceptor();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::StopServer()
try {
    m_Server.CloseControlPort();
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::ServerAddUser(BSTR Username, BSTR Password, BSTR RootFolder,
                                           DFTP_SERVER_PERMISSIONS Permissions)
try {
    // A name or root the code page cannot hold exactly would name another account or folder.
    CStr user, password, root;
    bool exact = NarrowExactAnsi(Username ? Username : L"", user) &&
                 NarrowExactAnsi(Password ? Password : L"", password) &&
                 NarrowExactAnsi(RootFolder ? RootFolder : L"", root);
    if (!exact)
        return Error("ServerAddUser failed!");
    root.Replace("\\", "/");
    if (user.EqualsNoCase("Anonymous")) {
        m_Server.SetAnonymousAccess(true, root.c_str());
        return S_OK;
    }
    FtpAccount* account = m_Server.AddAccount(user.c_str(), password.c_str(), root.c_str());
    if (!account)
        return Error("ServerAddUser failed!");
    m_Server.SetAccountRights(account, static_cast<unsigned char>(Permissions & 0xFF));
    return S_OK;
}
COMKIT_METHOD_CATCH

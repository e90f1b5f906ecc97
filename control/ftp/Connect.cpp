// Connect: the control connection (direct or through the SOCKS4 proxy), the greeting and the
// login.
#include "FtpOperation.h"
#include "SocketHelpers.h"

namespace {

SOCKET NewRegisteredSocket(HWND window, UINT message)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s != INVALID_SOCKET)
        WSAAsyncSelect(s, window, message, DORVIK_SOCKET_EVENTS);
    return s;
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::Connect()
try {
    FtpOperation op(this, FtpOperation::NoConnection);
    if (!op.Admitted())
        return op.Refusal();
    // Refused before anything changes, so a connection that stands stays usable.
    if (!IsSafeCommandArgument(m_strUsername))
        return Error(UnsafeArgumentText("user name"));
    if (!IsSafeCommandArgument(m_strPassword))
        return Error(UnsafeArgumentText("password"));
    if (!m_strProxyName.IsEmpty() && m_strProxyUserID.Find('\0') != CStr::npos)
        return Error("Invalid proxy user id: a SOCKS4 user id cannot hold a NUL character.");

    // The earlier connection's sockets are no longer used; notices still queued for them are
    // recognised as stale by their handles, and nothing it left unread is read as ours.
    CloseSocketMember(&m_sockControl);
    CloseSocketMember(&m_sockData);
    CloseSocketMember(&m_sockListen);
    m_connection.Replace();
    op.AdoptNewConnection();
    m_sockConnectFailed = INVALID_SOCKET;
    m_sockControl = NewRegisteredSocket(m_hNotifyWnd, WM_FTP_CONTROL_SOCKET);
    m_sockData = NewRegisteredSocket(m_hNotifyWnd, WM_FTP_DATA_SOCKET);
    // A handler of the connecting notice already finds the new sockets and no stale answer.
    m_strLastServerResponseText.Empty();
    m_nLastServerResponse = 0;
    // The socket layer's error says why a socket could not be made; the notice's handlers must
    // not change it.
    const int socketError = WSAGetLastError();
    op.Begin(DFTP_STATE_CONNECTING, FtpOperation::kNoState);
    WSASetLastError(socketError);
    // Whatever fails from here on leaves the control disconnected.
    op.EndInState(DFTP_STATE_NOTCONNECTED);
    try {
        bool connected = false;
        if (m_sockControl == INVALID_SOCKET) {
            // no socket could be made; the socket layer's error says why
        } else if (!m_strProxyName.IsEmpty()) {
            connected = ConnectViaSocks4(&m_sockControl, m_strServerName, m_nServerPort) == 0;
        } else {
            m_tOperationStart = NowSeconds();
            if (ConnectSocket(m_sockControl, m_strServerName, m_nServerPort) == 0)
                connected = true;
            else if (WSAGetLastError() == WSAEWOULDBLOCK)
                connected = WaitForConnection(&m_sockControl, true) == 0;
        }

        // Once the connection stands its notices say nothing the replies' own reads do not see,
        // and each would cost a posted message per reply; the socket stays non-blocking.
        if (connected && !op.Lost())
            WSAAsyncSelect(m_sockControl, m_hNotifyWnd, 0, 0);

        bool loggedIn = false;
        if (connected && !op.Lost()) {
            // The server speaks first: its greeting is the first answer we are owed (a 120 "ready
            // soon" comes before it).
            m_connection.owedReplies.assign(1, true);
            int error = WSAGetLastError();
            Fire_StateChange(DFTP_STATE_CONNECTED);
            WSASetLastError(error);
            // Whatever the greeting's code, the login goes on; only no greeting at all ends here.
            if (ReadReply(&m_sockControl) != 0 && !op.Lost()) {
                // Whatever whole line came is the greeting, even one without a code; a greeting
                // still arriving (a partial line, an unfinished multi-line reply, a 120 "ready
                // soon") stays owed, so that USER is sent only once it is all in.
                if (m_nLastServerResponse / 100 != 1 && m_connection.partialLine.IsEmpty() &&
                    m_connection.openMultiLineCode < 0)
                    m_connection.owedReplies.clear();
                SetState(DFTP_STATE_AUTHORIZING);
                int code = 0;
                if (SendCommand(CStr::Format("USER %s\r\n", m_strUsername.c_str())))
                    code = ReadReply(&m_sockControl);
                if (code >= 200 && code <= 399) {
                    code = 0;
                    if (SendCommand(CStr::Format("PASS %s\r\n", m_strPassword.c_str())))
                        code = ReadReply(&m_sockControl);
                    loggedIn = code >= 200 && code <= 399 && !op.Lost();
                }
            }
        }

        if (loggedIn) {
            // The login stands even when PWD is refused; only the logged-in notice depends on it.
            op.EndInState(FtpOperation::kNoState);
            int code = 0;
            if (SendCommand("PWD\r\n"))
                code = ReadReply(&m_sockControl);
            if (code >= 200 && code <= 299 && !op.Lost())
                Fire_StateChange(DFTP_STATE_LOGGEDIN);
            if (!op.Lost())
                return op.Succeed();
        }

        if (op.Lost()) {
            // A Disconnect made from an event handler ended this connection and owns what is left.
            return Error(CStr::Format("Error %d The connection was closed while connecting.", WSAECONNABORTED));
        }
        long error = WSAGetLastError();
        CStr text = CStr::Format("Error %ld %s %s", error, m_strErrorDetail.c_str(),
                                 m_strLastServerResponseText.c_str());
        if (error == WSAEINVAL)
            text = CStr::Format("Invalid host address:%s", m_strServerName.c_str());
        m_strErrorDetail.Empty();
        CloseSocketMember(&m_sockControl);
        m_connection.Replace();
        op.AdoptNewConnection();
        return op.Fail(text);
    } catch (...) {
        CStr text;
        try {
            text = CStr::Format("Error %ld %s", static_cast<long>(WSAGetLastError()), m_strErrorDetail.c_str());
        } catch (...) {
        }
        m_strErrorDetail.Empty();
        if (op.Lost())
            return Error(text);
        CloseSocketMember(&m_sockControl);
        m_connection.Replace();
        op.AdoptNewConnection();
        return op.Fail(text);
    }
}
COMKIT_METHOD_CATCH

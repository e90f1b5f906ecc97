// The FTP commands that need no data connection: Quote, DeleteFile, RenameFile, the working
// directory, and Abort.
#include "ControlChannel.h"

#include "Bstr.h"

namespace {
bool IsSuccess(int code)
{
    return code / 100 == 2;
}
} // namespace

STDMETHODIMP CDorvikFTPCtrl::Quote(BSTR cmd)
try {
    if (m_bBusy)
        return Error("Busy.");
    CStr command = AnsiFromBstr(cmd);
    if (!IsSafeCommandArgument(command))
        return Error(UnsafeArgumentText("command"));
    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    m_bBusy = TRUE;
    SetState(DFTP_STATE_PROCESSING);
    if (!Superseded(serial) && SendCommand(command + "\r\n"))
        ReadReply(&m_sockControl);
    if (Superseded(serial))
        return Error(kClosedUnderCallText);
    m_bBusy = FALSE;
    SetState(DFTP_STATE_LOGGEDIN);
    // The host judges the answer itself, through LastServerResponse.
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::DeleteFile(BSTR Filename)
try {
    if (m_bBusy)
        return Error("Busy.");
    CStr name = AnsiFromBstr(Filename);
    if (!IsSafeCommandArgument(name))
        return Error(UnsafeArgumentText("file name"));
    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    m_bBusy = TRUE;
    SetState(DFTP_STATE_PROCESSING);
    int code = 0;
    if (!Superseded(serial) && SendCommand(CStr::Format("DELE %s\r\n", name.c_str())))
        code = ReadReply(&m_sockControl);
    if (Superseded(serial))
        return Error(kClosedUnderCallText);
    m_bBusy = FALSE;
    SetState(DFTP_STATE_LOGGEDIN);
    if (IsSuccess(code))
        return S_OK;
    return Error("Failure - " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::RenameFile(BSTR OldFilename, BSTR NewFilename)
try {
    if (m_bBusy)
        return Error("Busy.");
    CStr from = AnsiFromBstr(OldFilename);
    CStr to = AnsiFromBstr(NewFilename);
    if (!IsSafeCommandArgument(from) || !IsSafeCommandArgument(to))
        return Error(UnsafeArgumentText("file name"));
    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    m_bBusy = TRUE;
    SetState(DFTP_STATE_PROCESSING);
    int code = 0;
    if (!Superseded(serial) && SendCommand(CStr::Format("RNFR %s\r\n", from.c_str())))
        code = ReadReply(&m_sockControl);
    if (Superseded(serial))
        return Error(kClosedUnderCallText);
    // The usual answer is 350; anything from 101 to 399 lets the rename go on.
    if (code <= 100 || code >= 400) {
        m_bBusy = FALSE;
        SetState(DFTP_STATE_LOGGEDIN);
        return Error("Failure - " + m_strLastServerResponseText);
    }
    code = 0;
    if (SendCommand(CStr::Format("RNTO %s\r\n", to.c_str())))
        code = ReadReply(&m_sockControl);
    if (Superseded(serial))
        return Error(kClosedUnderCallText);
    m_bBusy = FALSE;
    SetState(DFTP_STATE_LOGGEDIN);
    if (IsSuccess(code))
        return S_OK;
    return Error("Failure - " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::put_CurrentWorkingDirectory(BSTR newVal)
try {
    if (m_bBusy)
        return Error("Busy.");
    CStr path = AnsiFromBstr(newVal);
    if (!IsSafeCommandArgument(path))
        return Error(UnsafeArgumentText("directory"));
    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    m_bBusy = TRUE;
    m_bAbort = FALSE;
    long code = ChangeDirectory(path);
    if (Superseded(serial))
        return Error(kClosedUnderCallText);
    m_bBusy = FALSE;
    if (IsSuccess(code))
        return S_OK;
    return Error("CWD failed: " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

long CDorvikFTPCtrl::ChangeDirectory(const CStr& path)
{
    ControlHold hold(this);
    const unsigned serial = m_nSessionSerial;
    if (!SendCommand(CStr::Format("CWD %s\r\n", path.c_str())))
        return 0;
    long code = ReadReply(&m_sockControl);
    if (code != 250 || Superseded(serial))
        return code;
    // Our own join first; the server's answer to PWD, when it gives one, is the better truth.
    if (path.StartsWith("/")) {
        m_strCurrentWorkingDirectory = path;
    } else {
        if (!m_strCurrentWorkingDirectory.EndsWith("/"))
            m_strCurrentWorkingDirectory += '/';
        m_strCurrentWorkingDirectory += path;
    }
    if (SendCommand("PWD\r\n"))
        ReadReply(&m_sockControl);
    return code;
}

STDMETHODIMP CDorvikFTPCtrl::Abort()
try {
    ControlHold hold(this);
    m_bAbort = TRUE;
    // A background transfer ends here: its data connection goes, and the server's answers to
    // the broken transfer are taken so that the next command gets its own reply.
    if (m_hAsyncFile)
        FinishAsyncTransfer(AsyncAborted);
    return S_OK;
}
COMKIT_METHOD_CATCH

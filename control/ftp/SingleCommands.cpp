// The FTP commands that need no data connection: Quote, DeleteFile, RenameFile, the working
// directory, and Abort.
#include "FtpOperation.h"

#include "Bstr.h"

namespace {
const int kReplyTimedOut = -10;

bool IsSuccess(int code)
{
    return code / 100 == 2;
}
} // namespace

STDMETHODIMP CDorvikFTPCtrl::Quote(BSTR cmd)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr command = AnsiFromBstr(cmd);
    if (!IsSafeCommandArgument(command))
        return Error(UnsafeArgumentText("command"));
    op.Begin(DFTP_STATE_PROCESSING, DFTP_STATE_LOGGEDIN);
    if (SendCommand(command + "\r\n") && ReadReply(&m_sockControl) == kReplyTimedOut) {
        // What is stored is the previous command's answer: the host must not judge this one by it.
        m_nLastServerResponse = 0;
        m_strLastServerResponseText.Empty();
        return op.Fail("Timeout");
    }
    // The host judges the answer itself, through LastServerResponse.
    return op.Succeed();
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::DeleteFile(BSTR Filename)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr name = AnsiFromBstr(Filename);
    if (!IsSafeCommandArgument(name))
        return Error(UnsafeArgumentText("file name"));
    op.Begin(DFTP_STATE_PROCESSING, DFTP_STATE_LOGGEDIN);
    int code = 0;
    if (SendCommand(CStr::Format("DELE %s\r\n", name.c_str())))
        code = ReadReply(&m_sockControl);
    if (IsSuccess(code))
        return op.Succeed();
    return op.Fail("Failure - " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::RenameFile(BSTR OldFilename, BSTR NewFilename)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr from = AnsiFromBstr(OldFilename);
    CStr to = AnsiFromBstr(NewFilename);
    if (!IsSafeCommandArgument(from) || !IsSafeCommandArgument(to))
        return Error(UnsafeArgumentText("file name"));
    op.Begin(DFTP_STATE_PROCESSING, DFTP_STATE_LOGGEDIN);
    int code = 0;
    if (SendCommand(CStr::Format("RNFR %s\r\n", from.c_str())))
        code = ReadReply(&m_sockControl);
    // The usual answer is 350; anything from 101 to 399 lets the rename go on.
    if (code <= 100 || code >= 400)
        return op.Fail("Failure - " + m_strLastServerResponseText);
    code = 0;
    if (SendCommand(CStr::Format("RNTO %s\r\n", to.c_str())))
        code = ReadReply(&m_sockControl);
    if (IsSuccess(code))
        return op.Succeed();
    return op.Fail("Failure - " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::put_CurrentWorkingDirectory(BSTR newVal)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr path = AnsiFromBstr(newVal);
    if (!IsSafeCommandArgument(path))
        return Error(UnsafeArgumentText("directory"));
    op.Begin(FtpOperation::kNoState, FtpOperation::kNoState);
    long code = ChangeDirectory(path);
    if (IsSuccess(code))
        return op.Succeed();
    return op.Fail("CWD failed: " + m_strLastServerResponseText);
}
COMKIT_METHOD_CATCH

long CDorvikFTPCtrl::ChangeDirectory(const CStr& path)
{
    const unsigned serial = m_connection.serial;
    if (!SendCommand(CStr::Format("CWD %s\r\n", path.c_str())))
        return 0;
    long code = ReadReply(&m_sockControl);
    if (code != 250 || ConnectionGone(serial))
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
    if (AsyncTransferRunning())
        FinishAsyncTransfer(AsyncAborted);
    return S_OK;
}
COMKIT_METHOD_CATCH

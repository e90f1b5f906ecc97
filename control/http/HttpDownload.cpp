// GetFromURL: one resource over HTTP/1.0 on a plain socket of its own, resumable through Range,
// with a Basic credential when a user name is given. Every line of the answer's head goes to the
// host through Reply; the body goes to the local file in large blocks, with TransferProgress at
// every 2048 bytes.
#include "DorvikFTPCtrl.h"

#include <vector>

#include "Bstr.h"
#include "ControlChannel.h"
#include "HttpGetRequest.h"
#include "HttpResponseHead.h"
#include "SocketHelpers.h"

namespace {

const int kReceiveBlock = 1 << 20;
const unsigned long long kProgressStep = 2048;

// A wait gives up when strictly more than Timeout whole seconds have passed without progress,
// as the FTP waits do: Timeout 0 waits one second, a negative Timeout does not wait.
timeval WaitFor(long timeoutSeconds)
{
    timeval tv;
    tv.tv_sec = timeoutSeconds < 0 ? 0 : timeoutSeconds + 1;
    tv.tv_usec = 0;
    return tv;
}

// Outcome of one receive: bytes (> 0), 0 when the peer closed, -1 with the error in *error
// (WSAETIMEDOUT when nothing came in time).
int ReceiveSome(SOCKET s, char* buffer, int size, long timeoutSeconds, int* error)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv = WaitFor(timeoutSeconds);
    int ready = select(0, &readable, nullptr, nullptr, &tv);
    if (ready == 0) {
        *error = WSAETIMEDOUT;
        return -1;
    }
    if (ready == SOCKET_ERROR) {
        *error = WSAGetLastError();
        return -1;
    }
    int got = recv(s, buffer, size, 0);
    if (got == SOCKET_ERROR) {
        *error = WSAGetLastError();
        return -1;
    }
    return got;
}

// Connects within the time-out; 0 or the socket error.
int ConnectWithin(SOCKET s, const CStr& host, int port, long timeoutSeconds)
{
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    int error = 0;
    if (ConnectSocket(s, host.c_str(), port) == SOCKET_ERROR) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv = WaitFor(timeoutSeconds);
            int ready = select(0, nullptr, &writable, &failed, &tv);
            if (ready == 0) {
                error = WSAETIMEDOUT;
            } else if (ready == SOCKET_ERROR) {
                error = WSAGetLastError();
            } else {
                int soError = 0;
                int length = sizeof(soError);
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length);
                error = FD_ISSET(s, &failed) && soError == 0 ? WSAECONNREFUSED : soError;
            }
        }
    }
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    return error;
}

int SendAll(SOCKET s, const CStr& text)
{
    int sent = 0;
    while (sent < text.GetLength()) {
        int r = send(s, text.c_str() + sent, text.GetLength() - sent, 0);
        if (r == SOCKET_ERROR)
            return WSAGetLastError();
        sent += r;
    }
    return 0;
}

// The local file of one download: created when absent, emptied only once the answer says what
// comes, and removed again if this call created it and nothing ever arrived.
class DownloadFile {
public:
    ~DownloadFile()
    {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
    }
    bool Open(const CStr& name)
    {
        m_name = name;
        m_file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_file == INVALID_HANDLE_VALUE)
            return false;
        m_created = GetLastError() != ERROR_ALREADY_EXISTS;
        return true;
    }
    long long Size() const
    {
        LARGE_INTEGER size;
        return GetFileSizeEx(m_file, &size) ? size.QuadPart : -1;
    }
    // Cuts the file at offset and writes from there on.
    bool StartAt(long long offset)
    {
        LARGE_INTEGER at;
        at.QuadPart = offset;
        return SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) && SetEndOfFile(m_file);
    }
    bool Write(const char* data, int n)
    {
        DWORD written = 0;
        return WriteFile(m_file, data, static_cast<DWORD>(n), &written, nullptr) && written == static_cast<DWORD>(n);
    }
    void DiscardIfUnused()
    {
        if (m_created && Size() == 0) {
            CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
            DeleteFileA(m_name.c_str());
        }
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    CStr m_name;
    bool m_created = false;
};

CStr SocketFailure(int error)
{
    return error == WSAETIMEDOUT ? CStr("Timeout!") : CStr::Format("Connection failed. (code %d)", error);
}

CStr FileFailure(const char* what)
{
    return CStr::Format("Error %s local file. (code %ld)", what, static_cast<long>(GetLastError()));
}

// One answer on the download socket: its head, line by line to the host, then its body into the
// file. Each step returns the error text of its failure, empty when it went well.
class HttpAnswer {
public:
    HttpAnswer(CDorvikFTPCtrl* control, SOCKET s) : m_control(control), m_socket(s), m_block(kReceiveBlock) {}

    CStr ReadHead()
    {
        while (!m_scanner.Done()) {
            int error = 0;
            int got = ReceiveSome(m_socket, m_block.data(), kReceiveBlock, m_control->m_nTimeout, &error);
            if (got < 0)
                return SocketFailure(error);
            if (got == 0) {
                m_closed = true;
                if (m_scanner.HeadEnded())
                    break;
                m_control->Fire_Reply(m_scanner.TakePartial());
                return "Connection closed";
            }
            std::vector<CStr> pieces;
            m_bodyStart = m_scanner.Feed(m_block.data(), got, &pieces);
            m_blockLength = got;
            for (const CStr& piece : pieces)
                m_control->Fire_Reply(piece);
            if (m_control->m_bAbort)
                return "Aborted";
            if (m_scanner.TooLarge())
                return "Invalid HTTP response";
        }
        m_head = ParseResponseHead(m_scanner.Lines());
        return CStr();
    }

    const HttpResponseHead& Head() const { return m_head; }

    // What came with the head first, then block after block until the peer closes or the
    // announced length is reached. TransferProgress at every multiple of 2048 bytes.
    CStr ReceiveBody(DownloadFile* file)
    {
        const long long expected = m_head.contentLength;
        unsigned long long count = 0;
        const char* data = m_block.data() + m_bodyStart;
        int length = m_blockLength - m_bodyStart;
        for (;;) {
            if (expected >= 0 && static_cast<long long>(count + length) > expected)
                length = static_cast<int>(expected - static_cast<long long>(count));
            if (length > 0) {
                if (!file->Write(data, length))
                    return FileFailure("writing");
                unsigned long long before = count;
                count += length;
                for (unsigned long long mark = (before / kProgressStep + 1) * kProgressStep; mark <= count;
                     mark += kProgressStep)
                    m_control->Fire_TransferProgress(static_cast<LONG>(mark));
                if (m_control->m_bAbort)
                    return "Aborted";
            }
            if (m_closed || (expected >= 0 && static_cast<long long>(count) >= expected))
                break;
            int error = 0;
            int got = ReceiveSome(m_socket, m_block.data(), kReceiveBlock, m_control->m_nTimeout, &error);
            if (got < 0)
                return SocketFailure(error);
            m_closed = got == 0;
            data = m_block.data();
            length = got;
        }
        if (expected >= 0 && static_cast<long long>(count) < expected)
            return CStr::Format("Incomplete transfer. (%llu of %lld bytes)", count, expected);
        return CStr();
    }

private:
    CDorvikFTPCtrl* m_control;
    SOCKET m_socket;
    std::vector<char> m_block;
    HttpHeadScanner m_scanner;
    HttpResponseHead m_head;
    int m_bodyStart = 0;
    int m_blockLength = 0;
    bool m_closed = false;
};

// Connect, request, answer: the file is cut and written only once the answer's head says that
// its body belongs there.
CStr Fetch(CDorvikFTPCtrl* control, SOCKET s, const HttpUrlParts& parts, long long offset, const CStr& user,
           const CStr& password, DownloadFile* file)
{
    int error = ConnectWithin(s, parts.host, parts.port, control->m_nTimeout);
    if (error == 0)
        error = SendAll(s, BuildRangeGetRequest(parts, offset, user, password));
    if (error != 0)
        return SocketFailure(error);

    HttpAnswer answer(control, s);
    CStr text = answer.ReadHead();
    if (!text.IsEmpty())
        return text;
    HttpBodyPlan plan = PlanBody(answer.Head(), offset);
    if (plan.kind == HttpBodyPlan::kFail)
        return plan.failure;
    if (!file->StartAt(plan.kind == HttpBodyPlan::kRewrite ? 0 : offset))
        return FileFailure("writing");
    if (plan.kind == HttpBodyPlan::kComplete)
        return CStr();
    return answer.ReceiveBody(file);
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::GetFromURL(BSTR URL, BSTR LocalFile, BSTR Username, BSTR Password, long Resume)
try {
    // Reply and TransferProgress handlers may let go of the host's last reference.
    ControlHold hold(this);
    m_bAbort = FALSE;
    CStr url = AnsiFromBstr(URL);
    CStr localFile = AnsiFromBstr(LocalFile);
    CStr user = AnsiFromBstr(Username);
    CStr password = AnsiFromBstr(Password);

    if (url.Left(3).EqualsNoCase("FTP")) {
        if (FtpGetUrl(url, localFile, user, password, Resume) != 0)
            return Error("Protocol not supported");
        return S_OK;
    }
    // A secure URL fetched as plain HTTP would send its credential in clear text to port 80.
    if (url.Left(4).EqualsNoCase("HTTP") && !url.Left(6).EqualsNoCase("HTTPS:")) {
        CStr failure;
        if (HttpGetFile(url, localFile, user, password, Resume, &failure) != 0)
            return Error(failure);
        return S_OK;
    }
    return Error("Protocol not supported");
}
COMKIT_METHOD_CATCH

int CDorvikFTPCtrl::FtpGetUrl(const CStr&, const CStr&, const CStr&, const CStr&, long)
{
    return -1;
}

int CDorvikFTPCtrl::HttpGetFile(const CStr& url, const CStr& localFile, const CStr& user, const CStr& password,
                                long resume, CStr* failure)
{
    HttpUrlParts parts;
    if (!SplitHttpUrl(url, &parts)) {
        *failure = "Invalid URL";
        return -1;
    }
    if (!IsSendableCredential(user, password)) {
        *failure = "Invalid user name or password";
        return -1;
    }
    DownloadFile file;
    long long offset = 0;
    if (!file.Open(localFile) || (resume && (offset = file.Size()) < 0)) {
        *failure = FileFailure("opening");
        return -1;
    }

    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    m_sockHttp = s;
    CStr text = s == INVALID_SOCKET ? SocketFailure(WSAGetLastError())
                                    : Fetch(this, s, parts, offset, user, password, &file);
    if (s != INVALID_SOCKET)
        closesocket(s);
    if (m_sockHttp == s)
        m_sockHttp = INVALID_SOCKET;
    if (text.IsEmpty())
        return 0;
    if (text == "Timeout!") {
        m_strErrorDetail = text;
        WSASetLastError(WSAETIMEDOUT);
    }
    file.DiscardIfUnused();
    *failure = text;
    return -1;
}

// GetFromURL: one resource over HTTP/1.0 on a plain socket of its own, resumable through Range,
// with a Basic credential when a user name is given. Every line of the answer's head goes to the
// host through Reply; the body goes to the local file in large blocks, with TransferProgress at
// every 2048 bytes.
#include "DorvikFTPCtrl.h"

#include <vector>

#include "Bstr.h"
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

} // namespace

STDMETHODIMP CDorvikFTPCtrl::GetFromURL(BSTR URL, BSTR LocalFile, BSTR Username, BSTR Password, long Resume)
{
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
    if (!file.Open(localFile)) {
        *failure = CStr::Format("Error opening local file. (code %ld)", static_cast<long>(GetLastError()));
        return -1;
    }
    long long offset = resume ? file.Size() : 0;
    if (offset < 0) {
        *failure = CStr::Format("Error opening local file. (code %ld)", static_cast<long>(GetLastError()));
        return -1;
    }
    CStr request = BuildRangeGetRequest(parts, offset, user, password);

    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        *failure = CStr::Format("Connection failed. (code %d)", WSAGetLastError());
        file.DiscardIfUnused();
        return -1;
    }
    m_sockHttp = s;
    // Everything below ends here, so the socket is closed on every path.
    auto finish = [&](const CStr& text) {
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
    };
    auto socketFailure = [](int error) {
        return error == WSAETIMEDOUT ? CStr("Timeout!") : CStr::Format("Connection failed. (code %d)", error);
    };

    int error = ConnectWithin(s, parts.host, parts.port, m_nTimeout);
    if (error == 0)
        error = SendAll(s, request);
    if (error != 0)
        return finish(socketFailure(error));

    std::vector<char> block(kReceiveBlock);
    HttpHeadScanner scanner;
    std::vector<CStr> pieces;
    int bodyStart = 0;
    int blockLength = 0;
    bool closed = false;
    while (!scanner.Done()) {
        int got = ReceiveSome(s, block.data(), kReceiveBlock, m_nTimeout, &error);
        if (got < 0)
            return finish(socketFailure(error));
        if (got == 0) {
            closed = true;
            if (scanner.HeadEnded())
                break;
            Fire_Reply(scanner.TakePartial());
            return finish("Connection closed");
        }
        pieces.clear();
        int used = scanner.Feed(block.data(), got, &pieces);
        for (const CStr& piece : pieces)
            Fire_Reply(piece);
        if (m_bAbort)
            return finish("Aborted");
        if (scanner.TooLarge())
            return finish("Invalid HTTP response");
        bodyStart = used;
        blockLength = got;
    }

    HttpResponseHead head = ParseResponseHead(scanner.Lines());
    HttpBodyPlan plan = PlanBody(head, offset);
    if (plan.kind == HttpBodyPlan::kFail)
        return finish(plan.failure);
    long long writeFrom = plan.kind == HttpBodyPlan::kRewrite ? 0 : offset;
    if (!file.StartAt(writeFrom))
        return finish(CStr::Format("Error writing local file. (code %ld)", static_cast<long>(GetLastError())));
    if (plan.kind == HttpBodyPlan::kComplete)
        return finish(CStr());

    // The body: what came with the head first, then block after block until the peer closes or
    // the announced length is reached.
    const long long expected = head.contentLength;
    unsigned long long count = 0;
    const char* data = block.data() + bodyStart;
    int length = blockLength - bodyStart;
    for (;;) {
        if (expected >= 0 && static_cast<long long>(count + length) > expected)
            length = static_cast<int>(expected - static_cast<long long>(count));
        if (length > 0) {
            if (!file.Write(data, length))
                return finish(CStr::Format("Error writing local file. (code %ld)", static_cast<long>(GetLastError())));
            unsigned long long before = count;
            count += length;
            for (unsigned long long mark = (before / kProgressStep + 1) * kProgressStep; mark <= count;
                 mark += kProgressStep)
                Fire_TransferProgress(static_cast<LONG>(mark));
            if (m_bAbort)
                return finish("Aborted");
        }
        if (closed || (expected >= 0 && static_cast<long long>(count) >= expected))
            break;
        int got = ReceiveSome(s, block.data(), kReceiveBlock, m_nTimeout, &error);
        if (got < 0)
            return finish(socketFailure(error));
        if (got == 0)
            closed = true;
        data = block.data();
        length = got;
    }
    if (expected >= 0 && static_cast<long long>(count) < expected)
        return finish(CStr::Format("Incomplete transfer. (%llu of %lld bytes)", count, expected));
    return finish(CStr());
}

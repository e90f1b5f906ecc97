// HTTPUpload: form fields and files posted to a web page as one multipart/form-data request
// through WinInet. The body's length is worked out first (files are measured, not read), the
// request is started with it, then the fields, each file part and the closing delimiter are
// streamed. The outcome is a small status code, returned as the HRESULT and in ret:
//    0  sent, and the server answered with a 2xx status
//   -1  sent, but the server answered with another status
//   -2  a file named in Files cannot be opened for reading (nothing sent)
//   -3  an argument cannot be sent as given: a server or page with a control character, a
//       name with CR, LF or '"', a value holding the boundary line, or a body of 4 GiB or more
//       (nothing sent)
//   -4  ending the request failed
//   -5  writing a file part header or the closing delimiter failed
//   -6  writing the fields failed
//   -7  starting the request failed
//   -8  opening the request failed
//   -9  connecting failed
//  -10  opening the Internet session failed
// -100  a file gave fewer bytes than it had when it was measured (gone, shortened, or a read or
//       write failed); a file that grew since sends the bytes it was measured with, no more
#include "DorvikFTPCtrl.h"

#include <wininet.h>

#include <vector>

#include "Bstr.h"
#include "MultipartForm.h"

namespace {

const DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                            INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                            INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS |
                            INTERNET_FLAG_NO_UI;
const DWORD kFileBlock = 64 * 1024;
const DWORD kAnswerBytes = 10000;

struct InternetHandle {
    HINTERNET h = nullptr;
    ~InternetHandle()
    {
        if (h)
            InternetCloseHandle(h);
    }
};

bool WriteText(HINTERNET request, const CStr& text)
{
    DWORD written = 0;
    return InternetWriteFile(request, text.c_str(), static_cast<DWORD>(text.GetLength()), &written) &&
           written == static_cast<DWORD>(text.GetLength());
}

// Server and page go into the request line and the Host line: a CR or LF there would start a
// header line of the caller's making.
bool HoldsControl(const CStr& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text.ByteAt(i) < 32 || text.ByteAt(i) == 127)
            return true;
    }
    return false;
}

// "host" or "host:port"; the port defaults to HTTP's.
void SplitServer(const CStr& server, CStr* host, INTERNET_PORT* port)
{
    *host = server;
    *port = INTERNET_DEFAULT_HTTP_PORT;
    int colon = server.ReverseFind(':');
    if (colon <= 0 || colon != server.Find(':'))
        return;
    CStr digits = server.Mid(colon + 1);
    if (digits.IsEmpty() || digits.GetLength() > 5)
        return;
    for (int i = 0; i < digits.GetLength(); ++i) {
        if (digits.At(i) < '0' || digits.At(i) > '9')
            return;
    }
    long value = digits.ToLong();
    if (value < 1 || value > 65535)
        return;
    *host = server.Left(colon);
    *port = static_cast<INTERNET_PORT>(value);
}

// Streams the first `bytes` bytes of a file into the request: the length that was declared for
// it, whatever the file holds by now. Returns how many went out; fewer means the body is short.
unsigned long long SendFileBytes(const CStr& path, HINTERNET request, unsigned long long bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long long total = 0;
    unsigned long long left = bytes;
    std::vector<char> block(kFileBlock);
    while (left > 0) {
        DWORD want = left < kFileBlock ? static_cast<DWORD>(left) : kFileBlock;
        DWORD got = 0;
        if (!ReadFile(h, block.data(), want, &got, nullptr) || got == 0)
            break;
        left -= got;
        DWORD written = 0;
        if (!InternetWriteFile(request, block.data(), got, &written))
            break;
        total += written;
        if (written != got)
            break;
    }
    CloseHandle(h);
    return total;
}

long UploadForm(const CStr& server, const CStr& page, const CStr& fieldsText,
                const CStr& filesText)
{
    if (HoldsControl(server) || HoldsControl(page))
        return -3;
    FormPairs fields = SplitFormPairs(fieldsText);
    FormPairs files = SplitFormPairs(filesText);
    for (const auto& field : fields) {
        if (!IsSendableFormName(field.first) || !IsSendableFormValue(field.second))
            return -3;
    }
    for (const auto& file : files) {
        if (!IsSendableFormName(file.first) || !IsSendableFormName(GetFileNamePart(file.second)))
            return -3;
    }

    CStr host;
    INTERNET_PORT port;
    SplitServer(server, &host, &port);
    InternetHandle session, connection, request;
    session.h = InternetOpenA("DorvikFTP", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session.h)
        return -10;
    connection.h = InternetConnectA(session.h, host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection.h)
        return -9;
    request.h = HttpOpenRequestA(connection.h, "POST", page.c_str(), nullptr, nullptr, nullptr, kRequestFlags, 0);
    if (!request.h)
        return -8;

    CStr header = FormContentTypeHeader();
    CStr fieldPart = FormFieldsText(fields);

    // The declared length, from the files' sizes as they are now; each file then sends exactly
    // that many bytes, so that a body can never differ from what was announced.
    unsigned long long declared = fieldPart.GetLength();
    std::vector<unsigned long long> sizes;
    for (const auto& file : files) {
        declared += FilePartHeader(file.first, GetFileNamePart(file.second)).GetLength();
        HANDLE h = CreateFileA(file.second.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return -2;
        LARGE_INTEGER size;
        BOOL known = GetFileSizeEx(h, &size);
        CloseHandle(h);
        if (!known)
            return -2;
        sizes.push_back(static_cast<unsigned long long>(size.QuadPart));
        declared += sizes.back() + 2;
    }
    declared += FormClosingText(false).GetLength();
    if (declared > 0xFFFFFFFFull)
        return -3;

    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.Next = nullptr;
    buffers.lpcszHeader = header.c_str();
    buffers.dwHeadersLength = static_cast<DWORD>(header.GetLength());
    buffers.dwHeadersTotal = 0;
    buffers.lpvBuffer = nullptr;
    buffers.dwBufferLength = 0;
    buffers.dwBufferTotal = static_cast<DWORD>(declared);
    buffers.dwOffsetLow = 0;
    buffers.dwOffsetHigh = 0;
    if (!HttpSendRequestExA(request.h, &buffers, nullptr, HSR_INITIATE, 0))
        return -7;

    if (!fieldPart.IsEmpty() && !WriteText(request.h, fieldPart))
        return -6;
    for (size_t i = 0; i < files.size(); ++i) {
        CStr partHead = i > 0 ? CStr("\r\n") : CStr();
        partHead += FilePartHeader(files[i].first, GetFileNamePart(files[i].second));
        if (!WriteText(request.h, partHead))
            return -5;
        if (SendFileBytes(files[i].second, request.h, sizes[i]) != sizes[i])
            return -100;
    }
    if (!WriteText(request.h, FormClosingText(!files.empty())))
        return -5;
    if (!HttpEndRequestA(request.h, nullptr, 0, 0))
        return -4;

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!HttpQueryInfoA(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr))
        status = 0;
    std::vector<char> answer(kAnswerBytes);
    DWORD read = 0;
    InternetReadFile(request.h, answer.data(), kAnswerBytes, &read);
    return status / 100 == 2 ? 0 : -1;
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::HTTPUpload(BSTR WebServer, BSTR WebPage, BSTR Fields, BSTR Files, long* ret)
try {
    long status = UploadForm(AnsiFromBstr(WebServer), AnsiFromBstr(WebPage), AnsiFromBstr(Fields),
                             AnsiFromBstr(Files));
    if (ret)
        *ret = status;
    return static_cast<HRESULT>(status);
}
COMKIT_METHOD_CATCH

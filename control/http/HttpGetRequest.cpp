#include "HttpGetRequest.h"

#include "Base64Coder.h"

namespace {

bool IsSpaceOrControl(unsigned char c)
{
    return c <= 32 || c == 127;
}

bool IsCWhiteSpace(unsigned char c)
{
    return c == ' ' || (c >= 9 && c <= 13);
}

bool HoldsSpaceOrControl(const CStr& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        if (IsSpaceOrControl(text.ByteAt(i)))
            return true;
    }
    return false;
}

bool HoldsControl(const CStr& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        unsigned char c = text.ByteAt(i);
        if (c < 32 || c == 127)
            return true;
    }
    return false;
}

} // namespace

bool SplitHttpUrl(const CStr& url, HttpUrlParts* parts)
{
    // Something before the first "/", then "//", the host up to the next "/", then the path.
    int slash = url.Find('/');
    if (slash < 1 || url.At(slash + 1) != '/')
        return false;
    int hostStart = slash + 2;
    int pathStart = url.Find('/', hostStart);
    if (pathStart <= hostStart)
        return false;
    CStr hostText = url.Mid(hostStart, pathStart - hostStart);

    int pathEnd = pathStart;
    while (pathEnd < url.GetLength() && !IsCWhiteSpace(url.ByteAt(pathEnd)))
        ++pathEnd;
    CStr path = url.Mid(pathStart, pathEnd - pathStart);
    // Text after the path would be silently dropped: a different resource would be fetched.
    for (int i = pathEnd; i < url.GetLength(); ++i) {
        if (!IsCWhiteSpace(url.ByteAt(i)))
            return false;
    }

    CStr host = hostText;
    int port = 80;
    int colon = hostText.ReverseFind(':');
    if (colon >= 0) {
        CStr digits = hostText.Mid(colon + 1);
        if (digits.IsEmpty() || digits.GetLength() > 5)
            return false;
        for (int i = 0; i < digits.GetLength(); ++i) {
            if (digits.At(i) < '0' || digits.At(i) > '9')
                return false;
        }
        port = static_cast<int>(digits.ToLong());
        if (port < 1 || port > 65535)
            return false;
        host = hostText.Left(hostText.Find(':'));
    }
    if (host.IsEmpty() || HoldsSpaceOrControl(host) || HoldsSpaceOrControl(path))
        return false;
    parts->host = host;
    parts->port = port;
    parts->path = path;
    return true;
}

bool IsSendableCredential(const CStr& user, const CStr& password)
{
    return !HoldsControl(user) && !HoldsControl(password) && user.Find(':') < 0;
}

CStr BuildRangeGetRequest(const HttpUrlParts& url, long long offset, const CStr& user, const CStr& password)
{
    CStr request = CStr::Format("GET %s HTTP/1.0\r\nHost: %s\r\nRange: bytes=%lld-\r\n", url.path.c_str(),
                                url.host.c_str(), offset);
    if (!user.IsEmpty()) {
        CBase64Coder coder;
        coder.EncodeText((user + ":" + password).c_str());
        request += "Authorization: BASIC ";
        request.Append(coder.Base64Text(), coder.Base64Length());
        request += "\r\n";
    }
    request += "\r\n";
    return request;
}

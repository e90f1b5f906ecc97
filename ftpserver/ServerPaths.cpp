// Path module: every name a client gives passes through here before any file is touched.
#include "BuiltinFtpServer.h"
#include "FtpPaths.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

bool IsDriveRootPrefix(const CStr& text)
{
    return std::isalpha(text.ByteAt(0)) && text.At(1) == ':' && text.At(2) == '/';
}

void RemoveRange(CStr& text, int first, int end)
{
    text = text.Left(first) + text.Mid(end);
}

// The ".." folding of CanonicalizePath: never rises above "/" or a drive root.
void FoldDotDotSegments(CStr& text)
{
    int from = 0;
    for (;;) {
        int at = text.Find("/..", from);
        if (at < 0)
            return;
        int after = at + 3;
        if (after < text.GetLength() && text.At(after) != '/') {
            from = after;  // a name such as "..b", not a parent step
            continue;
        }
        bool followedBySlash = after < text.GetLength();
        if (at == 0) {
            if (!followedBySlash) {
                text = "/";
                return;
            }
            RemoveRange(text, 0, 3);
        } else {
            int before = -1;
            for (int i = at - 1; i >= 0; --i) {
                if (text.At(i) == '/') {
                    before = i;
                    break;
                }
            }
            if (before == 0 || (before == 2 && IsDriveRootPrefix(text))) {
                RemoveRange(text, before + 1, followedBySlash ? after + 1 : after);
            } else if (before > 0) {
                RemoveRange(text, before, after);
            } else {
                RemoveRange(text, at + 1, followedBySlash ? after + 1 : after);
            }
        }
        from = 0;
    }
}

// The digit of a COM or LPT device: 0-9, or the superscripts 1, 2 and 3 that the platform also takes,
// whether they arrive as single ANSI bytes or as UTF-8.
bool IsDeviceDigit(const CStr& rest)
{
    static const char* const digits[] = {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (rest.GetLength() == 1 && rest.At(0) >= '0' && rest.At(0) <= '9')
        return true;
    for (const char* digit : digits) {
        if (rest == digit)
            return true;
    }
    return false;
}

// A device name opens the device whatever extension follows it and whatever dots and spaces trail it.
bool IsDeviceName(const CStr& segment)
{
    int dot = segment.Find('.');
    CStr base = dot < 0 ? segment : segment.Left(dot);
    base.TrimRight(" .");
    base.MakeUpper();
    static const char* const fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* name : fixed) {
        if (base == name)
            return true;
    }
    if (base.StartsWith("COM") || base.StartsWith("LPT"))
        return IsDeviceDigit(base.Mid(3));
    return false;
}

}  // namespace

bool CBuiltinFtpServer::CanonicalizePath(CStr& text)
{
    if (text.IsEmpty())
        return false;
    text.Replace("\\", "/");
    for (int at; (at = text.Find("//")) >= 0;)
        RemoveRange(text, at, at + 1);
    for (int at; (at = text.Find("/./")) >= 0;)
        RemoveRange(text, at, at + 2);
    if (text.StartsWith("./"))
        RemoveRange(text, 0, 1);
    if (text.StartsWith("../"))
        RemoveRange(text, 0, 2);
    for (int at; (at = text.Find("/.")) >= 0 && at == text.GetLength() - 2;) {
        if (at == 0)
            text = "/";
        else
            text.Truncate(at);
    }
    FoldDotDotSegments(text);
    int length = text.GetLength();
    if (text.EndsWith("/")) {
        if (length > 3 && IsDriveRootPrefix(text))
            text.Truncate(length - 1);
        else if (length > 1 && text.At(0) == '/')
            text.Truncate(length - 1);
    }
    return true;
}

CStr CBuiltinFtpServer::ToNativePath(const CStr& path)
{
    CStr native = path;
    native.Replace("/", "\\");
    if (native.GetLength() > 3 && native.EndsWith("\\"))
        native.Truncate(native.GetLength() - 1);
    return native;
}

bool CBuiltinFtpServer::ResolveLocalPath(const CStr& root, const CStr& cwd, const char* argument, CStr& result)
{
    ClientPath path;
    if (!ResolveClientPath(root, cwd, argument, path))
        return false;
    result = path.local;
    return true;
}

bool IsAllowedSegment(const CStr& segment)
{
    if (segment.IsEmpty())
        return false;
    bool onlyDotsAndSpaces = true;
    for (int i = 0; i < segment.GetLength(); ++i) {
        unsigned char c = segment.ByteAt(i);
        if (c < 0x20 || c == 0x7F || std::strchr(":<>\"|?*", c))
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndSpaces = false;
    }
    if (onlyDotsAndSpaces || segment.EndsWith(".") || segment.EndsWith(" "))
        return false;
    return !IsDeviceName(segment);
}

bool ResolveVirtualPath(const CStr& cwd, const char* argument, CStr& virtualPath)
{
    CStr arg = argument ? argument : "";
    CStr joined = (arg.At(0) == '/' || arg.At(0) == '\\') ? arg : cwd + "/" + arg;
    joined.Replace("\\", "/");

    std::vector<CStr> segments;
    int start = 0;
    while (start <= joined.GetLength()) {
        int slash = joined.Find('/', start);
        int end = slash < 0 ? joined.GetLength() : slash;
        CStr segment = joined.Mid(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.IsEmpty() && segment != ".") {
            if (!IsAllowedSegment(segment))
                return false;
            segments.push_back(segment);
        }
        if (slash < 0)
            break;
        start = slash + 1;
    }
    virtualPath.Empty();
    for (const CStr& segment : segments)
        virtualPath += "/" + segment;
    if (virtualPath.IsEmpty())
        virtualPath = "/";
    return true;
}

CStr JoinRootAndVirtual(const CStr& root, const CStr& virtualPath)
{
    if (root.EndsWith("/"))
        return root + virtualPath.Mid(1);
    return root + virtualPath;
}

namespace {

bool FullNativePath(const CStr& path, CStr& full)
{
    CStr native = CBuiltinFtpServer::ToNativePath(path);
    char buffer[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(native, sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer)
        return false;
    full = CStr(buffer, static_cast<int>(length));
    return true;
}

}  // namespace

bool IsWithinRoot(const CStr& root, const CStr& local)
{
    CStr rootFull, localFull;
    if (!FullNativePath(root, rootFull) || !FullNativePath(local, localFull))
        return false;
    if (!rootFull.EndsWith("\\"))
        rootFull += '\\';
    if (!localFull.EndsWith("\\"))
        localFull += '\\';
    return localFull.GetLength() >= rootFull.GetLength() &&
           localFull.Left(rootFull.GetLength()).EqualsNoCase(rootFull);
}

bool ResolveClientPath(const CStr& root, const CStr& cwd, const char* argument, ClientPath& path)
{
    if (root.IsEmpty() || cwd.IsEmpty())
        return false;
    if (!ResolveVirtualPath(cwd, argument, path.virtualPath))
        return false;
    path.local = JoinRootAndVirtual(root, path.virtualPath);
    if (path.local.GetLength() > FTP_MAX_LOCAL_PATH)
        return false;
    if (!IsWithinRoot(root, path.local))
        return false;
    path.native = CBuiltinFtpServer::ToNativePath(path.local);
    return true;
}

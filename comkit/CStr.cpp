#include "CStr.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

CStr::CStr(const char* data, int length)
{
    if (data && length > 0)
        PRIVATE_HANDS_OFF_text.assign(data, static_cast<size_t>(length));
}

CStr CStr::FormatV(const char* format, va_list args)
{
    CStr result;
    va_list probe;
    va_copy(probe, args);
    int needed = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (needed <= 0)
        return result;
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    result.PRIVATE_HANDS_OFF_text.assign(buffer.data(), static_cast<size_t>(needed));
    return result;
}

CStr CStr::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CStr result = FormatV(format, args);
    va_end(args);
    return result;
}

CStr& CStr::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Append(FormatV(format, args));
    va_end(args);
    return *this;
}

CStr& CStr::Append(const char* data, int length)
{
    if (data && length > 0)
        PRIVATE_HANDS_OFF_text.append(data, static_cast<size_t>(length));
    return *this;
}

char CStr::At(int index) const
{
    if (index < 0 || index >= GetLength())
        return '\0';
    return PRIVATE_HANDS_OFF_text[static_cast<size_t>(index)];
}

CStr CStr::Mid(int first, int count) const
{
    int length = GetLength();
    if (first < 0)
        first = 0;
    if (first >= length)
        return CStr();
    if (count < 0 || count > length - first)
        count = length - first;
    return CStr(PRIVATE_HANDS_OFF_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CStr CStr::Right(int count) const
{
    int length = GetLength();
    if (count <= 0)
        return CStr();
    if (count >= length)
        return *this;
    return Mid(length - count);
}

int CStr::Find(char c, int start) const
{
    if (start < 0)
        start = 0;
    size_t at = PRIVATE_HANDS_OFF_text.find(c, static_cast<size_t>(start));
    return at == std::string::npos ? npos : static_cast<int>(at);
}

int CStr::Find(const char* needle, int start) const
{
    if (start < 0)
        start = 0;
    size_t at = PRIVATE_HANDS_OFF_text.find(needle ? needle : "", static_cast<size_t>(start));
    return at == std::string::npos ? npos : static_cast<int>(at);
}

int CStr::ReverseFind(char c) const
{
    size_t at = PRIVATE_HANDS_OFF_text.rfind(c);
    return at == std::string::npos ? npos : static_cast<int>(at);
}

int CStr::FindOneOf(const char* set, int start) const
{
    if (start < 0)
        start = 0;
    size_t at = PRIVATE_HANDS_OFF_text.find_first_of(set ? set : "", static_cast<size_t>(start));
    return at == std::string::npos ? npos : static_cast<int>(at);
}

bool CStr::StartsWith(const char* prefix) const
{
    size_t n = std::strlen(prefix);
    return PRIVATE_HANDS_OFF_text.compare(0, n, prefix) == 0 && PRIVATE_HANDS_OFF_text.size() >= n;
}

bool CStr::EndsWith(const char* suffix) const
{
    size_t n = std::strlen(suffix);
    return PRIVATE_HANDS_OFF_text.size() >= n &&
           PRIVATE_HANDS_OFF_text.compare(PRIVATE_HANDS_OFF_text.size() - n, n, suffix) == 0;
}

bool CStr::EqualsNoCase(const char* other) const
{
    size_t n = std::strlen(other);
    if (n != PRIVATE_HANDS_OFF_text.size())
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(PRIVATE_HANDS_OFF_text[i])) !=
            std::toupper(static_cast<unsigned char>(other[i])))
            return false;
    return true;
}

int CStr::Replace(const char* from, const char* to)
{
    size_t fromLength = std::strlen(from);
    if (fromLength == 0)
        return 0;
    std::string result;
    int replaced = 0;
    size_t at = 0;
    for (;;) {
        size_t hit = PRIVATE_HANDS_OFF_text.find(from, at);
        if (hit == std::string::npos)
            break;
        result.append(PRIVATE_HANDS_OFF_text, at, hit - at);
        result.append(to);
        at = hit + fromLength;
        ++replaced;
    }
    result.append(PRIVATE_HANDS_OFF_text, at, std::string::npos);
    PRIVATE_HANDS_OFF_text.swap(result);
    return replaced;
}

CStr& CStr::MakeUpper()
{
    for (char& c : PRIVATE_HANDS_OFF_text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CStr& CStr::MakeLower()
{
    for (char& c : PRIVATE_HANDS_OFF_text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

CStr& CStr::TrimLeft(const char* set)
{
    size_t at = PRIVATE_HANDS_OFF_text.find_first_not_of(set);
    if (at == std::string::npos)
        PRIVATE_HANDS_OFF_text.clear();
    else
        PRIVATE_HANDS_OFF_text.erase(0, at);
    return *this;
}

CStr& CStr::TrimRight(const char* set)
{
    size_t at = PRIVATE_HANDS_OFF_text.find_last_not_of(set);
    if (at == std::string::npos)
        PRIVATE_HANDS_OFF_text.clear();
    else
        PRIVATE_HANDS_OFF_text.erase(at + 1);
    return *this;
}

void CStr::Truncate(int length)
{
    if (length < 0)
        length = 0;
    if (length < GetLength())
        PRIVATE_HANDS_OFF_text.resize(static_cast<size_t>(length));
}

long long CStr::ToInt64() const
{
    size_t i = 0;
    const std::string& t = PRIVATE_HANDS_OFF_text;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    long long value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        int digit = t[i] - '0';
        if (value > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

long CStr::ToLong() const
{
    long long v = ToInt64();
    if (v > LONG_MAX)
        return LONG_MAX;
    if (v < LONG_MIN)
        return LONG_MIN;
    return static_cast<long>(v);
}

// CStr: the counted single-byte string every part of DorvikFTP works in.
// It is the only code that touches text memory: callers format, cut and search through it and
// never through raw buffers, so protocol code cannot overflow anything. Copies share nothing
// visible (value semantics); the length is always known, so embedded zero bytes are kept.
#ifndef COMKIT_CSTR_H
#define COMKIT_CSTR_H

#include <cstdarg>
#include <cstddef>
#include <string>

class CStr {
public:
    static constexpr int npos = -1;

    CStr() = default;
    CStr(const char* text) : PRIVATE_HANDS_OFF_text(text ? text : "") {}
    CStr(const char* data, int length);
    CStr(const std::string& text) : PRIVATE_HANDS_OFF_text(text) {}

    static CStr Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static CStr FormatV(const char* format, va_list args);

    int GetLength() const { return static_cast<int>(PRIVATE_HANDS_OFF_text.size()); }
    bool IsEmpty() const { return PRIVATE_HANDS_OFF_text.empty(); }
    // Always zero-terminated, valid until the next change of this string.
    const char* c_str() const { return PRIVATE_HANDS_OFF_text.c_str(); }
    operator const char*() const { return c_str(); }
    const std::string& str() const { return PRIVATE_HANDS_OFF_text; }

    // Out-of-range indexes read as a zero byte instead of touching memory.
    char At(int index) const;
    unsigned char ByteAt(int index) const { return static_cast<unsigned char>(At(index)); }

    void Empty() { PRIVATE_HANDS_OFF_text.clear(); }
    CStr& Append(const CStr& more) { PRIVATE_HANDS_OFF_text += more.PRIVATE_HANDS_OFF_text; return *this; }
    CStr& Append(const char* data, int length);
    CStr& AppendChar(char c) { PRIVATE_HANDS_OFF_text += c; return *this; }
    CStr& AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    CStr& operator+=(const CStr& more) { return Append(more); }
    CStr& operator+=(char c) { return AppendChar(c); }
    friend CStr operator+(const CStr& a, const CStr& b) { CStr r(a); r += b; return r; }

    // Substrings clamp their bounds to the text.
    CStr Mid(int first, int count = npos) const;
    CStr Left(int count) const { return Mid(0, count); }
    CStr Right(int count) const;

    int Find(char c, int start = 0) const;
    int Find(const char* needle, int start = 0) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char* set, int start = 0) const;
    bool StartsWith(const char* prefix) const;
    bool EndsWith(const char* suffix) const;
    bool EqualsNoCase(const char* other) const;
    bool ContainsAnyOf(const char* set) const { return FindOneOf(set) != npos; }

    int Replace(const char* from, const char* to);
    CStr& MakeUpper();
    CStr& MakeLower();
    CStr& TrimLeft(const char* set = " \t\r\n");
    CStr& TrimRight(const char* set = " \t\r\n");
    CStr& Trim(const char* set = " \t\r\n") { TrimRight(set); return TrimLeft(set); }
    void Truncate(int length);

    // Decimal value of the leading digits, like atol; overflow saturates.
    long ToLong() const;
    long long ToInt64() const;

    friend bool operator==(const CStr& a, const CStr& b) { return a.PRIVATE_HANDS_OFF_text == b.PRIVATE_HANDS_OFF_text; }
    friend bool operator!=(const CStr& a, const CStr& b) { return !(a == b); }
    friend bool operator==(const CStr& a, const char* b) { return a.PRIVATE_HANDS_OFF_text == (b ? b : ""); }
    friend bool operator!=(const CStr& a, const char* b) { return !(a == b); }
    friend bool operator<(const CStr& a, const CStr& b) { return a.PRIVATE_HANDS_OFF_text < b.PRIVATE_HANDS_OFF_text; }

private:
    std::string PRIVATE_HANDS_OFF_text;
};

#endif

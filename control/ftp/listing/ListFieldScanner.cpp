#include "ListFieldScanner.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

bool IsWhite(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The byte at `at`, or 0 past the end, so that the end and a zero byte stop every directive alike.
unsigned char ByteOrEnd(const CStr& text, int at)
{
    return text.ByteAt(at);
}

int SkipWhite(const CStr& text, int at)
{
    while (IsWhite(ByteOrEnd(text, at)))
        ++at;
    return at;
}

} // namespace

int MeasureDecimalNumber(const CStr& text, int at)
{
    int i = at;
    if (ByteOrEnd(text, i) == '+' || ByteOrEnd(text, i) == '-')
        ++i;
    int digits = 0;
    while (IsDigit(ByteOrEnd(text, i))) {
        ++i;
        ++digits;
    }
    if (ByteOrEnd(text, i) == '.') {
        ++i;
        while (IsDigit(ByteOrEnd(text, i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only with its digits; "12e" is the number 12 followed by "e".
    unsigned char e = ByteOrEnd(text, i);
    if (e == 'e' || e == 'E') {
        int j = i + 1;
        if (ByteOrEnd(text, j) == '+' || ByteOrEnd(text, j) == '-')
            ++j;
        if (IsDigit(ByteOrEnd(text, j))) {
            while (IsDigit(ByteOrEnd(text, j)))
                ++j;
            i = j;
        }
    }
    return i - at;
}

float DecimalToFloat(const CStr& number)
{
    // strtod is exact for the integers a size field holds (below 2^53), so the only rounding is
    // the one to single precision, as in scanf's %f.
    return static_cast<float>(std::strtod(number.c_str(), nullptr));
}

long long DecimalToInt64(const CStr& number)
{
    if (number.FindOneOf(".eE") == CStr::npos)
        return number.ToInt64();
    double value = std::trunc(std::strtod(number.c_str(), nullptr));
    if (value >= 9223372036854775807.0)
        return 9223372036854775807LL;
    if (value <= -9223372036854775807.0)
        return -9223372036854775807LL - 1;
    return static_cast<long long>(value);
}

int ScanListFields(const CStr& line, const char* pattern, std::vector<ScannedField>& fields)
{
    fields.clear();
    int at = 0;
    for (const char* p = pattern; *p; ++p) {
        unsigned char directive = static_cast<unsigned char>(*p);
        if (IsWhite(directive)) {
            at = SkipWhite(line, at);
            continue;
        }
        if (directive != '%') {
            if (ByteOrEnd(line, at) != directive)
                break;
            ++at;
            continue;
        }
        ScannedField field;
        int length = 0;
        if (p[1] == 's') {
            at = SkipWhite(line, at);
            while (ByteOrEnd(line, at + length) && !IsWhite(ByteOrEnd(line, at + length)))
                ++length;
            p += 1;
        } else if (p[1] == 'f') {
            at = SkipWhite(line, at);
            length = MeasureDecimalNumber(line, at);
            p += 1;
        } else if (p[1] == '[' && p[2] == '^' && p[3] == '\r' && p[4] == ']') {
            for (unsigned char c = ByteOrEnd(line, at); c && c != '\r'; c = ByteOrEnd(line, at + length))
                ++length;
            p += 4;
        } else {
            break;  // a directive the listing formats never use
        }
        if (length == 0)
            break;
        field.Text = line.Mid(at, length);
        if (p[0] == 'f')
            field.Number = DecimalToFloat(field.Text);
        at += length;
        fields.push_back(std::move(field));
    }
    return static_cast<int>(fields.size());
}

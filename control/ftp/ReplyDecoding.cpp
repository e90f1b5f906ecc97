#include "ReplyDecoding.h"

#include <vector>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int LeadingCode(const CStr& line, char marker)
{
    if (!IsDigit(line.At(0)) || !IsDigit(line.At(1)) || !IsDigit(line.At(2)) || line.At(3) != marker)
        return -1;
    return (line.At(0) - '0') * 100 + (line.At(1) - '0') * 10 + (line.At(2) - '0');
}

// One field of the 227 list: 1 to 3 digits, 0 to 255.
bool ReadByteField(const CStr& field, long* value)
{
    if (field.IsEmpty() || field.GetLength() > 3)
        return false;
    long v = 0;
    for (int i = 0; i < field.GetLength(); ++i) {
        if (!IsDigit(field.At(i)))
            return false;
        v = v * 10 + (field.At(i) - '0');
    }
    if (v > 255)
        return false;
    *value = v;
    return true;
}

} // namespace

int ReplyLineCode(const CStr& line)
{
    return LeadingCode(line, ' ');
}

int ReplyContinuationCode(const CStr& line)
{
    return LeadingCode(line, '-');
}

void DecodePassiveReply(const CStr& line, CStr* host, long* port)
{
    host->Empty();
    *port = 0;
    CStr text = line;
    if (text.EndsWith("."))
        text.Truncate(text.GetLength() - 1);
    int open = text.Find('(', 1);
    if (open != CStr::npos)
        text = text.Mid(open + 1);
    int close = text.Find(')', 1);
    if (close == CStr::npos)
        return;
    text = text.Left(close);

    std::vector<long> fields;
    int start = 0;
    for (;;) {
        int comma = text.Find(',', start);
        long value = 0;
        if (!ReadByteField(text.Mid(start, comma == CStr::npos ? CStr::npos : comma - start), &value))
            return;
        fields.push_back(value);
        if (comma == CStr::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 6)
        return;
    *host = CStr::Format("%ld.%ld.%ld.%ld", fields[0], fields[1], fields[2], fields[3]);
    *port = fields[4] * 256 + fields[5];
}

CStr DecodeDirectoryReply(const CStr& line)
{
    int open = line.Find('"', 1);
    if (open == CStr::npos)
        return CStr();
    CStr name;
    for (int i = open + 1; i < line.GetLength(); ++i) {
        char c = line.At(i);
        if (c != '"') {
            name += c;
            continue;
        }
        if (line.At(i + 1) == '"' && i + 1 < line.GetLength()) {
            name += '"';
            ++i;
            continue;
        }
        return name;
    }
    // An opening quote without its closing one names nothing.
    return CStr();
}

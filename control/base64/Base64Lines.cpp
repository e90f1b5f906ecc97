#include "Base64Lines.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const int kGroupsPerLine = 19;
const int kLineLength = 76;
// Above this count n * 4 leaves 32 bits.
const int kLargestInput = 0x7FFFFFFF / 4;

} // namespace

int Base64Codec::EncodedLength(int n, DWORD flags)
{
    if (n < 0 || n > kLargestInput)
        return -1;
    int length = n * 4 / 3;
    if (!(flags & NoFill))
        length += n % 3;
    int lines = length / kLineLength + 1;
    int rest = length % kLineLength;
    if (rest != 0 && rest % 4 != 0)
        length += 4 - rest % 4;
    if (!(flags & NoLineBreaks))
        length += 2 * lines;
    return length;
}

BOOL Base64Codec::Encode(const BYTE* data, int n, char* text, int* written, DWORD flags)
{
    if (!data || !text || !written || EncodedLength(n, flags) < 0)
        return FALSE;
    const bool breaks = !(flags & NoLineBreaks);
    int quanta = n / 3;
    int chars = 4 * quanta;
    int fullLines = chars / kLineLength;
    int out = 0;
    const BYTE* in = data;
    for (int line = 0; line <= fullLines; ++line) {
        int groups = line < fullLines ? kGroupsPerLine : (chars % kLineLength) / 4;
        for (int g = 0; g < groups; ++g, in += 3) {
            unsigned value = (unsigned(in[0]) << 16) | (unsigned(in[1]) << 8) | in[2];
            text[out++] = kAlphabet[(value >> 18) & 0x3F];
            text[out++] = kAlphabet[(value >> 12) & 0x3F];
            text[out++] = kAlphabet[(value >> 6) & 0x3F];
            text[out++] = kAlphabet[value & 0x3F];
        }
        if (breaks) {
            text[out++] = '\r';
            text[out++] = '\n';
        }
    }
    // The break after the last pass goes: a partial group follows the last line directly.
    if (out > 0 && breaks)
        out -= 2;
    int rest = n % 3;
    if (rest > 0) {
        unsigned value = unsigned(in[0]) << 16;
        if (rest == 2)
            value |= unsigned(in[1]) << 8;
        for (int k = 0; k <= rest; ++k)
            text[out++] = kAlphabet[(value >> (18 - 6 * k)) & 0x3F];
        if (!(flags & NoFill)) {
            for (int k = rest; k < 3; ++k)
                text[out++] = '=';
        }
    }
    *written = out;
    return TRUE;
}

int Base64Codec::DecodeChar(unsigned int c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<int>(c - 'A');
    if (c >= 'a' && c <= 'z')
        return static_cast<int>(c - 'a') + 26;
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0') + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

BOOL Base64Codec::Decode(const char* text, int length, BYTE* bytes, int* count)
{
    if (!text || !bytes || !count)
        return FALSE;
    int out = 0;
    int i = 0;
    while (i < length) {
        unsigned value = 0;
        int valid = 0;
        while (valid < 4 && i < length) {
            int v = DecodeChar(static_cast<unsigned int>(static_cast<int>(text[i++])));
            if (v < 0)
                continue;
            value |= static_cast<unsigned>(v) << (18 - 6 * valid);
            ++valid;
        }
        for (int k = 0; k < valid * 6 / 8; ++k)
            bytes[out++] = static_cast<BYTE>(value >> (16 - 8 * k));
    }
    *count = out;
    return TRUE;
}

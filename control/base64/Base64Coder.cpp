#include "Base64Coder.h"

#include <cstring>
#include <new>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const unsigned char kPadValue = 0xFF;
const unsigned char kForeignValue = 0xFE;
// The largest side we reserve: its rounded capacity and the int lengths must still fit.
const unsigned kLargestSide = 0x7FFFE000u;

unsigned char s_decodeTable[256];
volatile long s_decodeTableBuilt = 0;

template <typename Byte>
void ReserveSide(Byte*& buffer, unsigned& capacity, int& length, unsigned n)
{
    if (n > kLargestSide)
        throw std::bad_alloc();
    // Strictly more than n, so a side filled to n bytes still ends in a zero; a side never used
    // and asked for nothing stays unallocated.
    bool fits = capacity > n || (capacity == 0 && n == 0);
    if (!fits) {
        delete[] buffer;
        buffer = nullptr;
        capacity = 0;
        unsigned rounded = (n / 4096 + 1) * 4096;
        buffer = new Byte[rounded];
        capacity = rounded;
    }
    if (buffer)
        std::memset(buffer, 0, capacity);
    length = 0;
}

} // namespace

CBase64Coder::~CBase64Coder()
{
    delete[] m_plain;
    delete[] m_base64;
}

void CBase64Coder::EncodeText(const char* text)
{
    if (text)
        EncodeBytes(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned>(std::strlen(text)));
}

void CBase64Coder::EncodeBytes(const unsigned char* data, unsigned n)
{
    if (n > kLargestSide / 2)
        throw std::bad_alloc();
    LoadPlain(data, n);
    ReserveBase64(2 * n);
    Base64Quantum group;
    unsigned i = 0;
    for (; i + 3 <= n; i += 3) {
        group.Clear();
        std::memcpy(group.data, m_plain + i, 3);
        group.count = 3;
        EncodeQuantum(group, m_base64 + m_base64Length);
        m_base64Length += 4;
    }
    if (i < n) {
        group.Clear();
        std::memcpy(group.data, m_plain + i, n - i);
        group.count = static_cast<unsigned char>(n - i);
        EncodeQuantum(group, m_base64 + m_base64Length);
        m_base64Length += 4;
    }
}

void CBase64Coder::DecodeText(const char* text)
{
    if (text)
        DecodeBytes(text, static_cast<unsigned>(std::strlen(text)));
}

void CBase64Coder::DecodeBytes(const char* text, unsigned n)
{
    // The first decode of the process builds the shared table; the guard makes a second thread
    // wait for it instead of reading a half-built table.
    static const bool tableReady = (s_decodeTableBuilt ? true : (BuildDecodeTable(), true));
    (void)tableReady;

    LoadBase64(text, n);
    ReservePlain(n);

    auto valueOf = [this](int index, int position) -> unsigned char {
        unsigned char v = s_decodeTable[static_cast<unsigned char>(m_base64[index])];
        if (v == kPadValue && position >= 2)
            return 0;
        return v;
    };
    // A group's bytes beyond what it carries are cleared again, so the plain side stays zero
    // beyond its length even for input whose spare bits are not zero.
    auto emit = [this](const Base64Quantum& group, int carried) {
        unsigned char* out = m_plain + m_plainLength;
        DecodeQuantum(group, out);
        for (int k = carried; k < 3; ++k)
            out[k] = 0;
        m_plainLength += carried;
    };

    Base64Quantum group;
    int i = 0;
    for (; i + 4 <= m_base64Length; i += 4) {
        group.Clear();
        for (int k = 0; k < 4; ++k)
            group.data[k] = valueOf(i + k, k);
        group.count = 4;
        int carried = 3;
        if (s_decodeTable[static_cast<unsigned char>(m_base64[i + 3])] == kPadValue)
            carried = s_decodeTable[static_cast<unsigned char>(m_base64[i + 2])] == kPadValue ? 1 : 2;
        emit(group, carried);
    }
    int left = m_base64Length - i;
    if (left > 0) {
        group.Clear();
        for (int k = 0; k < left; ++k)
            group.data[k] = valueOf(i + k, k);
        group.count = 4;
        emit(group, left - 1);
    }
}

const unsigned char* CBase64Coder::PlainData() const
{
    return m_plain;
}

const char* CBase64Coder::Base64Text() const
{
    return m_base64;
}

int CBase64Coder::PlainLength() const
{
    return m_plainLength;
}

int CBase64Coder::Base64Length() const
{
    return m_base64Length;
}

void CBase64Coder::ReserveBase64(unsigned n)
{
    ReserveSide(m_base64, m_base64Capacity, m_base64Length, n);
}

void CBase64Coder::ReservePlain(unsigned n)
{
    ReserveSide(m_plain, m_plainCapacity, m_plainLength, n);
}

void CBase64Coder::LoadBase64(const char* text, unsigned n)
{
    ReserveBase64(n);
    for (unsigned i = 0; i < n; ++i) {
        if (!IsSkippedChar(text[i]))
            m_base64[m_base64Length++] = text[i];
    }
}

void CBase64Coder::LoadPlain(const unsigned char* data, unsigned n)
{
    ReservePlain(n);
    if (n)
        std::memcpy(m_plain, data, n);
    m_plainLength = static_cast<int>(n);
}

void CBase64Coder::EncodeQuantum(const Base64Quantum& group, char* out4)
{
    unsigned char sextets[4];
    SplitSextets(sextets, group.data);
    for (int k = 0; k < 4; ++k)
        out4[k] = kAlphabet[sextets[k]];
    if (group.count == 1)
        out4[2] = out4[3] = '=';
    else if (group.count == 2)
        out4[3] = '=';
}

void CBase64Coder::DecodeQuantum(const Base64Quantum& group, unsigned char* out3)
{
    JoinSextets(out3, group.data);
}

void CBase64Coder::SplitSextets(unsigned char* out4, const unsigned char* in3)
{
    out4[0] = static_cast<unsigned char>(in3[0] >> 2);
    out4[1] = static_cast<unsigned char>(((in3[0] << 4) | (in3[1] >> 4)) & 0x3F);
    out4[2] = static_cast<unsigned char>(((in3[1] << 2) | (in3[2] >> 6)) & 0x3F);
    out4[3] = static_cast<unsigned char>(in3[2] & 0x3F);
}

void CBase64Coder::JoinSextets(unsigned char* out3, const unsigned char* in4)
{
    out3[0] = static_cast<unsigned char>((in4[0] << 2) | ((in4[1] >> 4) & 3));
    out3[1] = static_cast<unsigned char>((in4[1] << 4) | ((in4[2] >> 2) & 0x0F));
    out3[2] = static_cast<unsigned char>((in4[2] << 6) | (in4[3] & 0x3F));
}

bool CBase64Coder::IsSkippedChar(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 7 && u <= 13) || u == 32;
}

void CBase64Coder::BuildDecodeTable()
{
    // Built aside and copied in one go: a decoder that already uses the table only ever sees
    // the same values written again.
    unsigned char table[256];
    std::memset(table, kForeignValue, sizeof(table));
    for (int i = 0; i < 64; ++i) {
        unsigned char c = static_cast<unsigned char>(kAlphabet[i]);
        table[c] = static_cast<unsigned char>(i);
        table[c + 128] = static_cast<unsigned char>(i);
    }
    table[static_cast<unsigned char>('=')] = kPadValue;
    table[static_cast<unsigned char>('=') + 128] = kPadValue;
    std::memcpy(s_decodeTable, table, sizeof(table));
    s_decodeTableBuilt = 1;
}

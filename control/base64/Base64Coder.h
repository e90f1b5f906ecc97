// CBase64Coder: bytes to one unbroken line of Base64 text and back (RFC 4648 alphabet, '='
// padding). The coder keeps both sides in buffers of its own, so the caller hands data in, calls
// one operation and reads the result from the object; the HTTP download builds its Basic
// credential with it. Lines of 76 characters are the other codec's business (Base64Lines.h).
#ifndef DORVIK_BASE64CODER_H
#define DORVIK_BASE64CODER_H

// One group in conversion: three plain bytes (encoding) or four 6-bit values (decoding), and how
// many of them are valid.
struct Base64Quantum {
    unsigned char data[4];
    unsigned char count;
    void Clear() { data[0] = data[1] = data[2] = data[3] = 0; count = 0; }
};

class CBase64Coder {
public:
    CBase64Coder() = default;
    virtual ~CBase64Coder();
    CBase64Coder(const CBase64Coder&) = delete;
    CBase64Coder& operator=(const CBase64Coder&) = delete;

    // A null text changes nothing.
    virtual void EncodeText(const char* text);
    virtual void EncodeBytes(const unsigned char* data, unsigned n);
    virtual void DecodeText(const char* text);
    virtual void DecodeBytes(const char* text, unsigned n);

    // Owned by the coder, valid until its next operation; null for a side never reserved.
    // Both sides are zero beyond their length, so they read as NUL-terminated text.
    virtual const unsigned char* PlainData() const;
    virtual const char* Base64Text() const;
    virtual int PlainLength() const;
    virtual int Base64Length() const;

    // Room for n bytes on one side, zeroed, length 0. Capacity grows in steps of 4096 and always
    // keeps one byte beyond n, so the text stays terminated.
    virtual void ReserveBase64(unsigned n);
    virtual void ReservePlain(unsigned n);
    // LoadBase64 drops the characters IsSkippedChar names (line breaks, tabs, spaces).
    virtual void LoadBase64(const char* text, unsigned n);
    virtual void LoadPlain(const unsigned char* data, unsigned n);
    virtual void EncodeQuantum(const Base64Quantum& group, char* out4);
    virtual void DecodeQuantum(const Base64Quantum& group, unsigned char* out3);
    virtual void SplitSextets(unsigned char* out4, const unsigned char* in3);
    virtual void JoinSextets(unsigned char* out3, const unsigned char* in4);
    virtual bool IsSkippedChar(char c);

    static void BuildDecodeTable();

protected:
    // Both sides; the capacities are visible to subclasses so that tests can see the growth rule.
    unsigned char* m_plain = nullptr;
    char* m_base64 = nullptr;
    unsigned m_plainCapacity = 0;
    unsigned m_base64Capacity = 0;
    int m_plainLength = 0;
    int m_base64Length = 0;
};

#endif

// Both Base64 classes: the one-line coder of the HTTP credential and the line-wrapping codec of
// the proxy credential.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Base64Coder.h"
#include "Base64Lines.h"

namespace {

struct Vector {
    const char* plain;
    const char* base64;
};
// RFC 4648, section 10.
const Vector kRfcVectors[] = {
    {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
};

std::string Plain(const CBase64Coder& c)
{
    return c.PlainData() ? std::string(reinterpret_cast<const char*>(c.PlainData()), c.PlainLength()) : std::string();
}

std::string Text(const CBase64Coder& c)
{
    return c.Base64Text() ? std::string(c.Base64Text(), c.Base64Length()) : std::string();
}

std::vector<unsigned char> AllBytes(size_t n)
{
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>(i * 7 + 3);
    return v;
}

class CoderWithCapacities : public CBase64Coder {
public:
    unsigned PlainCapacity() const { return m_plainCapacity; }
    unsigned Base64Capacity() const { return m_base64Capacity; }
};

TEST(Base64Coder, RfcVectorsBothWays)
{
    CBase64Coder coder;  // one coder for all rows: every operation starts both sides afresh
    for (const Vector& v : kRfcVectors) {
        SCOPED_TRACE(v.plain);
        coder.EncodeText(v.plain);
        EXPECT_EQ(v.base64, Text(coder));
        EXPECT_EQ(0, coder.Base64Length() % 4);
        EXPECT_EQ(v.plain, Plain(coder));
        if (coder.Base64Text()) {
            EXPECT_STREQ(v.base64, coder.Base64Text());  // terminated right after its length
        }

        coder.DecodeText(v.base64);
        EXPECT_EQ(v.plain, Plain(coder));
        EXPECT_EQ(v.base64, Text(coder));
    }
}

TEST(Base64Coder, EveryByteValueRoundTrips)
{
    std::vector<unsigned char> data = AllBytes(5000);
    CBase64Coder coder;
    coder.EncodeBytes(data.data(), static_cast<unsigned>(data.size()));
    std::string text = Text(coder);
    ASSERT_EQ(4u * ((data.size() + 2) / 3), text.size());
    EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));  // one unbroken line
    coder.DecodeText(text.c_str());
    EXPECT_EQ(std::string(data.begin(), data.end()), Plain(coder));
}

TEST(Base64Coder, EmptyInputAllocatesNothingOnAFreshCoder)
{
    CBase64Coder fresh;
    fresh.EncodeBytes(nullptr, 0);
    EXPECT_EQ(nullptr, fresh.Base64Text());
    EXPECT_EQ(0, fresh.Base64Length());

    CBase64Coder used;
    used.EncodeText("foo");
    used.EncodeText("");
    ASSERT_NE(nullptr, used.Base64Text());
    EXPECT_STREQ("", used.Base64Text());
}

TEST(Base64Coder, NullTextChangesNothing)
{
    CBase64Coder coder;
    coder.EncodeText("foo");
    coder.EncodeText(nullptr);
    coder.DecodeText(nullptr);
    EXPECT_EQ("Zm9v", Text(coder));
    EXPECT_EQ("foo", Plain(coder));
}

TEST(Base64Coder, BuffersGrowPastTheSizeAskedFor)
{
    std::vector<unsigned char> data = AllBytes(4096);
    CoderWithCapacities coder;
    coder.EncodeBytes(data.data(), 4096);
    EXPECT_EQ(8192u, coder.PlainCapacity());
    EXPECT_EQ(12288u, coder.Base64Capacity());
}

// A reused coder whose buffer holds exactly n bytes must still grow: the byte after the data is
// the terminator the caller reads the text up to.
TEST(Base64Coder, ReusedCoderKeepsATerminatorAfterDataOfExactlyItsCapacity)
{
    CoderWithCapacities coder;
    coder.EncodeText("small");
    ASSERT_EQ(4096u, coder.PlainCapacity());
    std::vector<unsigned char> data(4096, 'x');
    coder.EncodeBytes(data.data(), 4096);
    ASSERT_GT(coder.PlainCapacity(), 4096u);
    EXPECT_EQ(0, coder.PlainData()[4096]);


    CoderWithCapacities decoder;
    decoder.DecodeBytes(std::string(4096, 'A').data(), 4096);
    ASSERT_EQ(8192u, decoder.Base64Capacity());
    const std::string text(8192, 'A');  // decodes to 6144 bytes, inside the plain side
    decoder.DecodeBytes(text.data(), 8192);
    ASSERT_EQ(8192, decoder.Base64Length());
    ASSERT_GT(decoder.Base64Capacity(), 8192u);
    EXPECT_EQ(std::strlen(decoder.Base64Text()), 8192u);
}

TEST(Base64Coder, DecodingSkipsLineBreaksSpacesAndTabs)
{
    std::vector<unsigned char> data = AllBytes(200);
    CBase64Coder coder;
    coder.EncodeBytes(data.data(), static_cast<unsigned>(data.size()));
    std::string flat = Text(coder);
    std::string broken;
    for (size_t i = 0; i < flat.size(); ++i) {
        if (i && i % 76 == 0)
            broken += "\r\n";
        if (i % 50 == 7)
            broken += " \t";
        broken += flat[i];
    }
    coder.DecodeText(broken.c_str());
    EXPECT_EQ(std::string(data.begin(), data.end()), Plain(coder));
    EXPECT_EQ(flat, Text(coder));  // the text side keeps what was decoded, without the skipped characters
}

TEST(Base64Coder, HighBitCharactersDecodeLikeTheirSevenBitTwins)
{
    CBase64Coder coder;
    coder.DecodeText("\xD1\xD5\xCA\xC4");  // "QUJD" with the high bit set
    EXPECT_EQ("ABC", Plain(coder));
}

TEST(Base64Coder, PlainSideStaysTerminatedWhenSpareBitsAreSet)
{
    // "QR" and "QR==" carry one byte but their spare bits are not zero: the byte after the
    // decoded one must still read as the terminator.
    for (const char* text : {"QR", "QR==", "QUJ"}) {
        SCOPED_TRACE(text);
        CBase64Coder coder;
        coder.DecodeText(text);
        ASSERT_NE(nullptr, coder.PlainData());
        EXPECT_EQ(0, coder.PlainData()[coder.PlainLength()]);
        EXPECT_EQ(coder.PlainLength(), static_cast<int>(std::string(reinterpret_cast<const char*>(coder.PlainData())).size()));
    }
}

// ---- Base64Codec ----

std::string Encode(const std::vector<unsigned char>& data, DWORD flags)
{
    Base64Codec codec;
    int room = codec.EncodedLength(static_cast<int>(data.size()), flags);
    std::string text(room + 8, '#');
    int written = -1;
    const unsigned char none = 0;  // an empty input is still a valid pointer
    EXPECT_TRUE(codec.Encode(data.empty() ? &none : data.data(), static_cast<int>(data.size()), &text[0], &written,
                             flags));
    EXPECT_LE(written, room);
    EXPECT_GE(written, room - 4);
    EXPECT_EQ('#', text[room]);  // nothing beyond the room it asked for
    text.resize(written);
    return text;
}

std::vector<unsigned char> Decode(const std::string& text)
{
    Base64Codec codec;
    std::vector<unsigned char> out(text.size() * 3 / 4 + 3);
    int count = -1;
    EXPECT_TRUE(codec.Decode(text.data(), static_cast<int>(text.size()), out.data(), &count));
    out.resize(count);
    return out;
}

TEST(Base64Codec, EncodedLengthRows)
{
    struct Row { int n; DWORD flags; int length; };
    const Row rows[] = {
        {0, 0, 2}, {1, 0, 6}, {1, 1, 6}, {1, 2, 4}, {57, 0, 80}, {58, 0, 84}, {3, 3, 4},
    };
    Base64Codec codec;
    for (const Row& r : rows)
        EXPECT_EQ(r.length, codec.EncodedLength(r.n, r.flags)) << r.n << " flags " << r.flags;
    EXPECT_EQ(-1, codec.EncodedLength(-1, 0));
    EXPECT_EQ(-1, codec.EncodedLength(0x7FFFFFFF, 0));
}

TEST(Base64Codec, LineLayoutAtTheEdges)
{
    std::vector<unsigned char> one = {'f'};
    EXPECT_EQ("Zg==", Encode(one, 0));
    EXPECT_EQ("Zg", Encode(one, Base64Codec::NoFill));
    EXPECT_EQ("", Encode({}, 0));

    std::vector<unsigned char> line = AllBytes(57);
    std::string t57 = Encode(line, 0);
    ASSERT_EQ(78u, t57.size());
    EXPECT_EQ("\r\n", t57.substr(76));

    std::vector<unsigned char> more = AllBytes(58);
    std::string t58 = Encode(more, 0);
    ASSERT_EQ(82u, t58.size());
    EXPECT_EQ(t57, t58.substr(0, 78));
    EXPECT_EQ("==", t58.substr(80));
}

TEST(Base64Codec, EveryLengthDecodesBackAndKeepsItsLines)
{
    for (DWORD flags = 0; flags < 4; ++flags) {
        for (int n = 0; n <= 300; ++n) {
            SCOPED_TRACE(testing::Message() << "n " << n << " flags " << flags);
            std::vector<unsigned char> data = AllBytes(n);
            std::string text = Encode(data, flags);
            size_t start = 0;
            for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
                EXPECT_EQ(76u, end - start);
            if (flags & Base64Codec::NoLineBreaks) {
                EXPECT_EQ(std::string::npos, text.find('\r'));
            } else {
                EXPECT_LE(text.size() - start, 76u);
            }
            if (flags & Base64Codec::NoFill) {
                EXPECT_EQ(std::string::npos, text.find('='));
            }
            EXPECT_EQ(data, Decode(text));
        }
    }
}

TEST(Base64Codec, RfcVectorsWithoutBreaks)
{
    for (const Vector& v : kRfcVectors) {
        std::string plain = v.plain;
        EXPECT_EQ(v.base64, Encode(std::vector<unsigned char>(plain.begin(), plain.end()), 0));
    }
}

TEST(Base64Codec, DecoderSkipsWhatIsNotInTheAlphabet)
{
    auto str = [](const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); };
    EXPECT_EQ("ABC", str(Decode("QU=JD")));       // '=' does not end a group
    EXPECT_EQ("ABC", str(Decode("Q U\r\nJ\xC4" "D")));
    EXPECT_EQ("ABC", str(Decode("QUJDQ")));      // 4k + 1 valid characters: the last gives nothing
    EXPECT_EQ("foob", str(Decode("Zm9vYg==")));
    Base64Codec codec;
    EXPECT_EQ(-1, codec.DecodeChar(static_cast<unsigned int>(static_cast<int>(static_cast<char>(0xC1)))));
    EXPECT_EQ(62, codec.DecodeChar('+'));
    EXPECT_EQ(63, codec.DecodeChar('/'));
}

TEST(Base64Codec, NullPointersAndBadCountsWriteNothing)
{
    Base64Codec codec;
    char text[16] = "untouched";
    unsigned char bytes[16] = {};
    int n = 99;
    EXPECT_FALSE(codec.Encode(nullptr, 3, text, &n, 0));
    EXPECT_FALSE(codec.Encode(bytes, 3, nullptr, &n, 0));
    EXPECT_FALSE(codec.Encode(bytes, 3, text, nullptr, 0));
    EXPECT_FALSE(codec.Encode(bytes, -3, text, &n, 0));
    EXPECT_FALSE(codec.Decode(nullptr, 4, bytes, &n));
    EXPECT_FALSE(codec.Decode("QUJD", 4, nullptr, &n));
    EXPECT_FALSE(codec.Decode("QUJD", 4, bytes, nullptr));
    EXPECT_EQ(99, n);
    EXPECT_STREQ("untouched", text);
    EXPECT_EQ(7, codec.Identity(7));
}

} // namespace

// HTTPUpload against the scripted peer, which keeps each request head and body as received and
// has Python's MIME parser summarise the parts ("name filename length first-bytes-in-hex").
#include <random>

#include "HttpPeerFixture.h"

namespace {

const std::string B = "---------------------------myboundary";

std::string FieldPart(const std::string& name, const std::string& value)
{
    return "--" + B + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

std::string FileHeader(const std::string& field, const std::string& file)
{
    return "--" + B + "\r\nContent-Disposition: form-data; name=\"" + field + "\"; filename=\"" + file +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
}

const std::string kClosing = "--" + B + "--\r\n";

std::string Hex(const std::string& s)
{
    static const char digits[] = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s.substr(0, 32)) {
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

class Upload : public HttpPeers {
protected:
    long ret = 12345;

    HRESULT Post(const std::string& page, const std::string& fields, const std::string& files,
                 const std::string& server = PeerServer())
    {
        for (const char* name : {"upload.head", "upload.body", "upload.parts"})
            DeleteFileA(PeerFile(name).c_str());
        ret = 12345;
        return control->HTTPUpload(Bstr(server), Bstr(page), Bstr(fields), Bstr(files), &ret);
    }
    static std::string Head() { return ReadWholeFile(PeerFile("upload.head")); }
    static std::string Body() { return ReadWholeFile(PeerFile("upload.body")); }
    static std::string Parts() { return ReadWholeFile(PeerFile("upload.parts")); }
    static bool Received() { return FileExists(PeerFile("upload.body")); }

    // The request head must announce exactly the body that came.
    static void ExpectDeclaredLength(const std::string& body)
    {
        std::string head = Head();
        EXPECT_NE(std::string::npos, head.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n")) << head;
    }
};

TEST_F(Upload, FieldsOnly)
{
    ASSERT_EQ(S_OK, Post("/upload", "a|1|b|2", ""));
    EXPECT_EQ(0, ret);
    std::string head = Head();
    EXPECT_EQ(0u, head.find("POST /upload HTTP/1.1\r\n")) << head;
    EXPECT_NE(std::string::npos, head.find("\r\nContent-Type: multipart/form-data; boundary=" + B + "\r\n")) << head;
    EXPECT_NE(std::string::npos, head.find("\r\nUser-Agent: DorvikFTP\r\n")) << head;
    std::string body = Body();
    EXPECT_EQ(FieldPart("a", "1") + FieldPart("b", "2") + kClosing, body);
    ExpectDeclaredLength(body);
    // What a server makes of it: the values exactly as given, no line end added.
    EXPECT_EQ("a - 1 31\nb - 1 32\n", Parts());
}

TEST_F(Upload, LoneLastTokenIsDropped)
{
    ASSERT_EQ(S_OK, Post("/upload", "a|1|b", ""));
    EXPECT_EQ(FieldPart("a", "1") + kClosing, Body());
}

TEST_F(Upload, EmptyRequestIsJustTheClosingDelimiter)
{
    ASSERT_EQ(S_OK, Post("/upload", "", ""));
    EXPECT_EQ(kClosing, Body());
    EXPECT_EQ(43u, Body().size());
    ExpectDeclaredLength(kClosing);
}

TEST_F(Upload, FieldsAndFilesStreamedAsDeclared)
{
    std::string small = "0123456789";
    std::string big(3 * 1024 * 1024 + 17, '\0');
    std::mt19937 random(5);
    for (char& c : big)
        c = static_cast<char>(random());
    std::string smallPath = Work("x.bin");
    std::string bigPath = Work("big.dat");
    WriteWholeFile(smallPath, small);
    WriteWholeFile(bigPath, big);

    ASSERT_EQ(S_OK, Post("/upload", "title|report", "doc|" + smallPath + "|data|" + bigPath));
    EXPECT_EQ(0, ret);
    std::string body = Body();
    std::string expected = FieldPart("title", "report") + FileHeader("doc", "x.bin") + small + "\r\n" +
                           FileHeader("data", "big.dat") + big + "\r\n" + kClosing;
    EXPECT_EQ(expected.size(), body.size());
    EXPECT_TRUE(expected == body);
    ExpectDeclaredLength(body);
    EXPECT_EQ("title - 6 " + Hex("report") + "\ndoc x.bin 10 " + Hex(small) + "\ndata big.dat " +
                  std::to_string(big.size()) + " " + Hex(big) + "\n",
              Parts());
}

// The peer appends to grows.bin once the request is announced; the first file is larger than
// what the sockets can hold, so the client reaches grows.bin only after that.
TEST_F(Upload, FileThatGrowsAfterItWasMeasuredSendsTheMeasuredBytes)
{
    std::string first(32 * 1024 * 1024, 'f');
    std::string firstPath = Work("first.dat");
    WriteWholeFile(firstPath, first);
    const std::string original = "measured bytes";
    WriteWholeFile(PeerFile("grows.bin"), original);

    ASSERT_EQ(S_OK, Post("/grow", "", "a|" + firstPath + "|b|" + PeerFile("grows.bin")));
    EXPECT_EQ(0, ret);
    ASSERT_EQ(original.size() + 1000, ReadWholeFile(PeerFile("grows.bin")).size());
    std::string body = Body();
    std::string expected = FileHeader("a", "first.dat") + first + "\r\n" + FileHeader("b", "grows.bin") + original +
                           "\r\n" + kClosing;
    EXPECT_EQ(expected.size(), body.size());
    EXPECT_TRUE(expected == body);
    ExpectDeclaredLength(body);
}

TEST_F(Upload, EmptyFileIsAPartLikeAnyOther)
{
    std::string path = Work("empty.txt");
    WriteWholeFile(path, "");
    ASSERT_EQ(S_OK, Post("/upload", "", "doc|" + path));
    EXPECT_EQ(FileHeader("doc", "empty.txt") + "\r\n" + kClosing, Body());
    EXPECT_EQ("doc empty.txt 0 \n", Parts());
}

TEST_F(Upload, FieldsLongerThanAnyFixedBufferArriveWhole)
{
    std::string fields;
    std::string summary;
    for (int i = 0; i < 600; ++i) {
        std::string name = "f" + std::to_string(i), value = "value-" + std::to_string(i);
        fields += (i ? "|" : "") + name + "|" + value;
        summary += name + " - " + std::to_string(value.size()) + " " + Hex(value) + "\n";
    }
    ASSERT_GT(fields.size(), 4096u);
    ASSERT_EQ(S_OK, Post("/upload", fields, ""));
    EXPECT_EQ(summary, Parts());
}

TEST_F(Upload, RefusedBeforeAnythingIsSent)
{
    std::string present = Work("present.bin");
    WriteWholeFile(present, "x");
    struct Row { std::string page, fields, files; long status; };
    const Row rows[] = {
        {"/upload", "a|1", "doc|" + EnvText("DORVIK_HTTP_WORK") + "\\absent.bin", -2},
        {"/upload", "a\"b|1", "", -3},
        {"/upload", "a\r\nContent-Type: text/html|1", "", -3},
        {"/upload", "a|x\r\n--" + B + "--\r\n", "", -3},
        {"/upload", "", "do\"c|" + present, -3},
        {"/upload", "", "doc|" + EnvText("DORVIK_HTTP_WORK") + "\\we\"ird.bin", -3},
        {"/upload HTTP/1.1\r\nX-Injected: 1\r\nX-Rest:", "a|1", "", -3},
    };
    const std::string logBefore = RequestLog();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.page + " / " + r.fields + " / " + r.files);
        EXPECT_EQ(static_cast<HRESULT>(r.status), Post(r.page, r.fields, r.files));
        EXPECT_EQ(r.status, ret);
        EXPECT_FALSE(Received());
    }
    EXPECT_EQ(logBefore, RequestLog());
}

TEST_F(Upload, ServerErrorIsNotSuccess)
{
    EXPECT_EQ(static_cast<HRESULT>(-1), Post("/fail500", "a|1", ""));
    EXPECT_EQ(-1, ret);
    EXPECT_EQ(FieldPart("a", "1") + kClosing, Body());  // sent in full all the same
}

TEST_F(Upload, NothingListening)
{
    HRESULT hr = Post("/upload", "a|1", "", "127.0.0.1:" + std::to_string(ClosedPort()));
    EXPECT_EQ(static_cast<HRESULT>(-7), hr);
    EXPECT_EQ(-7, ret);
}

} // namespace

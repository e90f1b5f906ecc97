// GetFromURL against nginx and against the scripted peer.
#include "HttpPeerFixture.h"

namespace {

const size_t kWholeSize = 2500000;
const std::string kEchoRequest = "GET /echo HTTP/1.0\r\nHost: 127.0.0.1\r\nRange: bytes=0-\r\n\r\n";

class Download : public HttpPeers {};

TEST_F(Download, WholeFileReplacesWhatWasThere)
{
    std::string local = Work("whole.bin");
    WriteWholeFile(local, std::string(3000000, 'j'));  // longer than the resource: must not survive
    ASSERT_EQ(S_OK, Fetch(NginxUrl("/whole.bin"), local));
    std::string served = ReadWholeFile(Served("whole.bin"));
    ASSERT_EQ(kWholeSize, served.size());
    EXPECT_TRUE(ReadWholeFile(local) == served);

    std::vector<std::string> replies = Replies();
    ASSERT_GE(replies.size(), 3u);
    EXPECT_EQ(0u, replies[0].find("HTTP/1.1 20")) << replies[0];
    EXPECT_EQ("", replies.back());
    EXPECT_EQ(ProgressMarks(kWholeSize), Progress());
}

TEST_F(Download, ResumeAppendsTheRestFromThePartialContent)
{
    std::string served = ReadWholeFile(Served("whole.bin"));
    std::string local = Work("resume.bin");
    WriteWholeFile(local, served.substr(0, 1000000));
    ASSERT_EQ(S_OK, Fetch(NginxUrl("/whole.bin"), local, "", "", 1));
    EXPECT_TRUE(ReadWholeFile(local) == served);
    ASSERT_FALSE(Replies().empty());
    EXPECT_EQ("HTTP/1.1 206 Partial Content", Replies()[0]);
    EXPECT_EQ(ProgressMarks(kWholeSize - 1000000), Progress());  // counted from the resume point
}

TEST_F(Download, ResumeOfACompleteFileFetchesNothing)
{
    std::string served = ReadWholeFile(Served("whole.bin"));
    std::string local = Work("complete.bin");
    WriteWholeFile(local, served);
    ASSERT_EQ(S_OK, Fetch(NginxUrl("/whole.bin"), local, "", "", 1)) << ErrorText();
    EXPECT_TRUE(ReadWholeFile(local) == served);
    ASSERT_FALSE(Replies().empty());
    EXPECT_EQ(0u, Replies()[0].find("HTTP/1.1 416")) << Replies()[0];
    EXPECT_TRUE(Progress().empty());
}

TEST_F(Download, BasicAuthorizationAcceptedAndRefused)
{
    std::string local = Work("secret.txt");
    ASSERT_EQ(S_OK, Fetch(NginxUrl("/secret/file.txt"), local, "dorvik", "s3cret pass")) << ErrorText();
    EXPECT_EQ("for the eyes of dorvik only\r\n", ReadWholeFile(local));

    // Refused: the error names the status; the local file is left exactly as it was.
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(NginxUrl("/secret/file.txt"), local, "dorvik", "wrong"));
    EXPECT_EQ("Failure - HTTP/1.1 401 Unauthorized", ErrorText());
    EXPECT_EQ("for the eyes of dorvik only\r\n", ReadWholeFile(local));

    std::string fresh = Work("secret-fresh.txt");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(NginxUrl("/secret/file.txt"), fresh));
    EXPECT_EQ("Failure - HTTP/1.1 401 Unauthorized", ErrorText());
    EXPECT_FALSE(FileExists(fresh));
}

TEST_F(Download, MissingResourceLeavesNoFile)
{
    std::string local = Work("missing.bin");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(NginxUrl("/no/such/file"), local));
    EXPECT_EQ("Failure - HTTP/1.1 404 Not Found", ErrorText());
    EXPECT_FALSE(FileExists(local));
}

TEST_F(Download, NothingListening)
{
    std::string local = Work("refused.bin");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x", local));
    EXPECT_EQ("Connection failed. (code 10061)", ErrorText());
    EXPECT_FALSE(FileExists(local));
}

TEST_F(Download, RequestAsSent)
{
    // The peer answers /echo with the request it received, so the file is the request.
    std::string local = Work("echo.txt");
    ASSERT_EQ(S_OK, Fetch(PeerUrl("/echo"), local));
    EXPECT_EQ(kEchoRequest, ReadWholeFile(local));

    ASSERT_EQ(S_OK, Fetch(PeerUrl("/echo"), local, "u", ""));
    EXPECT_EQ("GET /echo HTTP/1.0\r\nHost: 127.0.0.1\r\nRange: bytes=0-\r\nAuthorization: BASIC dTo=\r\n\r\n",
              ReadWholeFile(local));

    // A resume that the server ignores (200, not 206) replaces the partial file instead of
    // appending the whole resource to it.
    WriteWholeFile(local, std::string(500, 'p'));
    ASSERT_EQ(S_OK, Fetch(PeerUrl("/echo"), local, "", "", 1));
    EXPECT_EQ("GET /echo HTTP/1.0\r\nHost: 127.0.0.1\r\nRange: bytes=500-\r\n\r\n", ReadWholeFile(local));

    ASSERT_EQ(S_OK, Fetch("HtTp://127.0.0.1:" + EnvText("DORVIK_HTTP_PEER_PORT") + "/echo", local));
    EXPECT_EQ(kEchoRequest, ReadWholeFile(local));
}

TEST_F(Download, HeadLinesAndBodies)
{
    struct Row {
        const char* path;
        std::vector<std::string> replies;
        std::string body;
        std::vector<long> progress;
    };
    const Row rows[] = {
        {"/three", {"HTTP/1.0 200 OK", "X-Test: 1", ""}, "abc", {}},
        // A header line of one character is a line like any other: it does not end the head.
        {"/one-char-header", {"HTTP/1.0 200 OK", "X", "Content-Type: text/plain", ""}, "body", {}},
        // Long lines reach the host in pieces of 1000 characters.
        {"/long-header",
         {"HTTP/1.0 200 OK", "X-Long: " + std::string(992, 'L'), "X-Longer: " + std::string(990, 'M'),
          std::string(500, 'M'), ""},
         PeerBody(100), {}},
        {"/no-length", {"HTTP/1.0 200 OK", ""}, PeerBody(5000), {2048, 4096}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        std::string local = Work("edge.bin");
        ASSERT_EQ(S_OK, Fetch(PeerUrl(r.path), local)) << ErrorText();
        EXPECT_EQ(r.replies, Replies());
        EXPECT_TRUE(ReadWholeFile(local) == r.body);
        EXPECT_EQ(r.progress, Progress());
    }
}

TEST_F(Download, BrokenAnswersAreReportedAndKeepWhatArrived)
{
    std::string local = Work("early.bin");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(PeerUrl("/close-early"), local));
    EXPECT_EQ("Incomplete transfer. (5000 of 10000 bytes)", ErrorText());
    EXPECT_TRUE(ReadWholeFile(local) == PeerBody(5000));  // a resume can go on from here
    EXPECT_EQ((std::vector<long>{2048, 4096}), Progress());

    std::string head = Work("head.bin");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(PeerUrl("/close-in-head"), head));
    EXPECT_EQ("Connection closed", ErrorText());
    EXPECT_EQ((std::vector<std::string>{"HTTP/1.0 200 OK", "X-Par"}), Replies());
    EXPECT_FALSE(FileExists(head));

    std::string partial = Work("range.bin");
    WriteWholeFile(partial, std::string(500, 'p'));
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(PeerUrl("/wrong-range"), partial, "", "", 1));
    EXPECT_EQ("Failure - Content-Range: bytes 0-9/10", ErrorText());
    EXPECT_EQ(std::string(500, 'p'), ReadWholeFile(partial));

    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(PeerUrl("/not-http"), Work("html.bin")));
    EXPECT_EQ("Invalid HTTP response", ErrorText());
}

TEST_F(Download, StalledServerTimesOut)
{
    ASSERT_EQ(S_OK, control->put_Timeout(1));
    std::string local = Work("stall.bin");
    EXPECT_EQ(DISP_E_EXCEPTION, Fetch(PeerUrl("/stall"), local));
    EXPECT_EQ("Timeout!", ErrorText());
    EXPECT_EQ("0123456789", ReadWholeFile(local));
}

TEST_F(Download, RefusedBeforeAnythingIsSent)
{
    const std::string port = EnvText("DORVIK_HTTP_PEER_PORT");
    const std::string missingFolder = EnvText("DORVIK_HTTP_WORK") + "\\no-such-folder\\x.bin";
    struct Row { std::string url, local, user, password, error; };
    const Row rows[] = {
        {"ftp://127.0.0.1:" + port + "/echo", "", "", "", "Protocol not supported"},
        {"gopher://127.0.0.1:" + port + "/echo", "", "", "", "Protocol not supported"},
        {"https://127.0.0.1:" + port + "/echo", "", "dorvik", "s3cret", "Protocol not supported"},
        {"http://127.0.0.1:" + port, "", "", "", "Invalid URL"},
        {"http://127.0.0.1:" + port + "\r\nX-Injected: 1/echo", "", "", "", "Invalid URL"},
        {"http://127.0.0.1:" + port + "/echo trailing", "", "", "", "Invalid URL"},
        {"http://127.0.0.1:" + port + "/echo", "", "us:er", "x", "Invalid user name or password"},
        {"http://127.0.0.1:" + port + "/echo", "", "user\r\nX-Injected: 1", "x", "Invalid user name or password"},
        {"http://127.0.0.1:" + port + "/echo", missingFolder, "", "", "Error opening local file. (code 3)"},
    };
    const std::string logBefore = RequestLog();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.url);
        std::string local = r.local.empty() ? Work("refused.bin") : r.local;
        EXPECT_EQ(DISP_E_EXCEPTION, Fetch(r.url, local, r.user, r.password));
        EXPECT_EQ(r.error, ErrorText());
        EXPECT_FALSE(FileExists(local));
        EXPECT_TRUE(sink.events.empty());
    }
    EXPECT_EQ(logBefore, RequestLog());
}

} // namespace

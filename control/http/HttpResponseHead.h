// The response head of the HTTP download: cutting it into the lines the Reply event reports, and
// reading from it what the body may be written as.
#ifndef DORVIK_HTTPRESPONSEHEAD_H
#define DORVIK_HTTPRESPONSEHEAD_H

#include <vector>

#include "CStr.h"

// Lines end at CR; bytes 0 to 12 (LF among them) never reach a line. A line longer than 1000
// characters is reported in pieces of 1000, as the FTP reply reader does, but it stays one line
// for the end-of-head test: only an empty line ends the head. The LF after that line's CR is
// taken with it; whatever follows is body.
class HttpHeadScanner {
public:
    static const int kPieceLength = 1000;
    // A head this long is no HTTP answer; the scanner gives up instead of growing.
    static const int kLargestHead = 1 << 20;

    // Takes bytes from data and returns how many it used; stops after the head. Each piece it
    // finishes is appended to pieces, in order.
    int Feed(const char* data, int n, std::vector<CStr>* pieces);
    // The connection closed: the text gathered so far, as the last piece.
    CStr TakePartial();

    bool Done() const { return m_state == kDone; }
    bool HeadEnded() const { return m_state != kInHead; }
    bool TooLarge() const { return m_size > kLargestHead; }
    // The head's lines, long lines whole, the empty line left out.
    const std::vector<CStr>& Lines() const { return m_lines; }

private:
    enum State { kInHead, kAfterEmptyLine, kDone };
    State m_state = kInHead;
    CStr m_piece;
    CStr m_line;
    bool m_lineHadPieces = false;
    int m_size = 0;
    std::vector<CStr> m_lines;
};

struct HttpResponseHead {
    int status = 0;             // 0: the first line is no HTTP status line
    CStr statusLine;
    long long contentLength = -1;
    CStr contentRangeLine;      // the whole header line, for error texts
    bool hasContentRange = false;
    long long rangeFirst = -1;  // -1 for "bytes */total"
    long long rangeTotal = -1;  // -1 for an unknown total ("/*")
};

HttpResponseHead ParseResponseHead(const std::vector<CStr>& lines);

// What to do with the body of an answer to a request for the bytes from offset on.
struct HttpBodyPlan {
    enum Kind {
        kAppend,         // 206 from the offset: the body continues the local file
        kRewrite,        // a whole resource (the server ignored the range): the file starts again
        kComplete,       // 416 saying the resource is as long as the local file: nothing to fetch
        kFail            // an error status or an answer that does not fit the request
    } kind = kFail;
    CStr failure;        // the error text for kFail
};

HttpBodyPlan PlanBody(const HttpResponseHead& head, long long offset);

#endif

// Cuts the byte stream of a LIST data connection into lines.
// The data connection is read in large blocks (one receive costs ~100 us under Wine, so one per
// byte would make a big listing take minutes); the splitter gives exactly the lines a byte-by-byte
// reader would have seen: a line ends only at a CR, and a last line without a CR never appears.
#ifndef FTPLISTING_LISTLINESPLITTER_H
#define FTPLISTING_LISTLINESPLITTER_H

#include "CStr.h"

#include <cstddef>
#include <vector>

enum class LineFeedRule {
    Drop,  // EnumFiles and MGet: an LF never enters a line, so CR LF and LF CR both end one line
    Keep,  // FileExists: every byte but the CR goes into the line, LF included
};

class ListLineSplitter {
public:
    // Real lines stay far below this (a 255-byte name and a 4 KiB link target); a longer one is
    // not a listing entry, and keeping it would let a hostile server grow our memory without end.
    static const int kMaxLineLength = 16384;

    explicit ListLineSplitter(LineFeedRule rule = LineFeedRule::Drop, int maxLineLength = kMaxLineLength);

    // Takes the next block of the stream, of any size (zero included); lines it completes wait
    // for NextLine in the order they arrived.
    void Feed(const char* data, int length);

    // The next complete line without its CR; false when none is waiting.
    bool NextLine(CStr& line);

    int WaitingLines() const { return static_cast<int>(m_ready.size() - m_nextReady); }
    // Lines dropped whole because they outgrew the cap before their CR came.
    int OverlongLines() const { return m_overlongLines; }
    // Bytes of the line still open (no CR yet); they are dropped if the stream ends here.
    int OpenLineLength() const { return m_discarding ? 0 : m_open.GetLength(); }

private:
    void AppendToOpenLine(const char* data, int length);
    void EndOpenLine();

    LineFeedRule m_rule;
    int m_maxLineLength;
    CStr m_open;
    bool m_discarding = false;  // the open line has outgrown the cap; its bytes go nowhere until its CR
    int m_overlongLines = 0;
    std::vector<CStr> m_ready;
    std::size_t m_nextReady = 0;
};

#endif

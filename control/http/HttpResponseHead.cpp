#include "HttpResponseHead.h"

namespace {

const char kCR = 13;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number at text[*at], moving *at past it; -1 when there is none or it is too long
// to be a file size.
long long ReadNumber(const CStr& text, int* at)
{
    long long value = 0;
    int start = *at;
    while (IsDigit(text.At(*at))) {
        if (*at - start >= 18)
            return -1;
        value = value * 10 + (text.At(*at) - '0');
        ++*at;
    }
    return *at > start ? value : -1;
}

// "bytes first-last/total" or "bytes */total"; total may be "*".
bool ParseContentRange(CStr value, HttpResponseHead* head)
{
    value.Trim(" ");
    if (value.Left(6).EqualsNoCase("bytes ") == false)
        return false;
    CStr range = value.Mid(6);
    range.TrimLeft(" ");
    int at = 0;
    long long first = -1;
    if (range.At(0) == '*') {
        at = 1;
    } else {
        first = ReadNumber(range, &at);
        if (first < 0 || range.At(at) != '-')
            return false;
        ++at;
        if (ReadNumber(range, &at) < first)
            return false;
    }
    if (range.At(at) != '/')
        return false;
    ++at;
    long long total = -1;
    if (range.At(at) == '*')
        ++at;
    else if ((total = ReadNumber(range, &at)) < 0)
        return false;
    if (at != range.GetLength())
        return false;
    head->rangeFirst = first;
    head->rangeTotal = total;
    return true;
}

} // namespace

int HttpHeadScanner::Feed(const char* data, int n, std::vector<CStr>* pieces)
{
    int used = 0;
    while (used < n && m_state != kDone && !TooLarge()) {
        char c = data[used];
        if (m_state == kAfterEmptyLine) {
            if (c == '\n')
                ++used;
            m_state = kDone;
            break;
        }
        ++used;
        ++m_size;
        unsigned char u = static_cast<unsigned char>(c);
        if (c == kCR) {
            // The CR right after a piece of exactly 1000 characters ends that long line; it is
            // no empty line of its own.
            if (!m_piece.IsEmpty() || !m_lineHadPieces)
                pieces->push_back(m_piece);
            m_line += m_piece;
            m_piece.Empty();
            m_lineHadPieces = false;
            if (m_line.IsEmpty())
                m_state = kAfterEmptyLine;
            else
                m_lines.push_back(m_line);
            m_line.Empty();
            continue;
        }
        if (u < kCR)
            continue;
        m_piece.AppendChar(c);
        if (m_piece.GetLength() == kPieceLength) {
            pieces->push_back(m_piece);
            m_line += m_piece;
            m_piece.Empty();
            m_lineHadPieces = true;
        }
    }
    return used;
}

CStr HttpHeadScanner::TakePartial()
{
    CStr partial = m_piece;
    m_piece.Empty();
    return partial;
}

HttpResponseHead ParseResponseHead(const std::vector<CStr>& lines)
{
    HttpResponseHead head;
    if (lines.empty())
        return head;
    const CStr& status = lines[0];
    head.statusLine = status;
    int space = status.Find(' ');
    if (status.Left(5).EqualsNoCase("HTTP/") && space > 5) {
        CStr code = status.Mid(space + 1, 3);
        if (code.GetLength() == 3 && IsDigit(code.At(0)) && IsDigit(code.At(1)) && IsDigit(code.At(2)) &&
            (status.At(space + 4) == ' ' || status.At(space + 4) == 0))
            head.status = static_cast<int>(code.ToLong());
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        const CStr& line = lines[i];
        int colon = line.Find(':');
        if (colon <= 0)
            continue;
        CStr name = line.Left(colon);
        name.Trim(" ");
        CStr value = line.Mid(colon + 1);
        value.Trim(" ");
        if (name.EqualsNoCase("Content-Length")) {
            int at = 0;
            long long length = ReadNumber(value, &at);
            head.contentLength = at == value.GetLength() ? length : -1;
        } else if (name.EqualsNoCase("Content-Range")) {
            head.contentRangeLine = line;
            head.hasContentRange = ParseContentRange(value, &head);
        }
    }
    return head;
}

HttpBodyPlan PlanBody(const HttpResponseHead& head, long long offset)
{
    HttpBodyPlan plan;
    if (head.status == 0) {
        plan.failure = "Invalid HTTP response";
        return plan;
    }
    if (head.status == 206) {
        // Only the bytes that start where the local file ends may be appended to it.
        if (head.hasContentRange && head.rangeFirst == offset)
            plan.kind = HttpBodyPlan::kAppend;
        else
            plan.failure = "Failure - " + (head.contentRangeLine.IsEmpty() ? head.statusLine : head.contentRangeLine);
        return plan;
    }
    if (head.status / 100 == 2) {
        plan.kind = HttpBodyPlan::kRewrite;
        return plan;
    }
    if (head.status == 416 && head.hasContentRange && head.rangeFirst < 0 && head.rangeTotal == offset) {
        plan.kind = HttpBodyPlan::kComplete;
        return plan;
    }
    plan.failure = "Failure - " + head.statusLine;
    return plan;
}

#include "ListLineSplitter.h"

#include <cstring>
#include <utility>

ListLineSplitter::ListLineSplitter(LineFeedRule rule, int maxLineLength)
    : m_rule(rule), m_maxLineLength(maxLineLength > 0 ? maxLineLength : kMaxLineLength)
{
}

void ListLineSplitter::Feed(const char* data, int length)
{
    if (!data || length <= 0)
        return;
    const char* end = data + length;
    while (data < end) {
        const char* cr = static_cast<const char*>(std::memchr(data, '\r', static_cast<size_t>(end - data)));
        const char* stop = cr ? cr : end;
        if (m_rule == LineFeedRule::Drop) {
            while (data < stop) {
                const char* lf = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(stop - data)));
                const char* pieceEnd = lf ? lf : stop;
                AppendToOpenLine(data, static_cast<int>(pieceEnd - data));
                data = lf ? lf + 1 : stop;
            }
        } else {
            AppendToOpenLine(data, static_cast<int>(stop - data));
        }
        data = stop;
        if (cr) {
            EndOpenLine();
            ++data;
        }
    }
}

void ListLineSplitter::AppendToOpenLine(const char* data, int length)
{
    if (m_discarding || length <= 0)
        return;
    if (length > m_maxLineLength - m_open.GetLength()) {
        m_discarding = true;
        m_open.Empty();
        return;
    }
    m_open.Append(data, length);
}

void ListLineSplitter::EndOpenLine()
{
    if (m_discarding) {
        ++m_overlongLines;
        m_discarding = false;
        return;
    }
    if (m_nextReady == m_ready.size()) {
        m_ready.clear();
        m_nextReady = 0;
    }
    m_ready.push_back(std::move(m_open));
    m_open.Empty();
}

bool ListLineSplitter::NextLine(CStr& line)
{
    if (m_nextReady >= m_ready.size())
        return false;
    line = std::move(m_ready[m_nextReady++]);
    if (m_nextReady == m_ready.size()) {
        m_ready.clear();
        m_nextReady = 0;
    }
    return true;
}

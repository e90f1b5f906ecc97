// The download's bytes-per-second budget. A piece counts against the calendar second in which it
// arrived, not the one in which it was asked for: a receive that returns after the second turned
// would otherwise leave the new second its whole budget on top of that piece.
#ifndef DORVIK_DOWNLOADBUDGET_H
#define DORVIK_DOWNLOADBUDGET_H

class DownloadBudget {
public:
    // How many bytes the next receive may ask for in second `now`, at most `piece`; 0 means the
    // second's budget is spent. A limit of 0 or less is no limit.
    int Wanted(long limit, long long now, int piece)
    {
        Enter(now);
        if (limit <= 0)
            return piece;
        const unsigned long budget = static_cast<unsigned long>(limit);
        if (m_count >= budget)
            return 0;
        const unsigned long rest = budget - m_count;
        return rest < static_cast<unsigned long>(piece) ? static_cast<int>(rest) : piece;
    }
    // Counts `got` bytes against the second `now` in which they arrived.
    void Arrived(long long now, int got)
    {
        Enter(now);
        m_count += static_cast<unsigned long>(got);
    }
    // The bytes counted so far against `second` (0 for any second but the current one).
    unsigned long CountedIn(long long second) const { return second == m_second ? m_count : 0; }

private:
    void Enter(long long now)
    {
        if (now != m_second) {
            m_second = now;
            m_count = 0;
        }
    }
    long long m_second = 0;
    unsigned long m_count = 0;
};

#endif

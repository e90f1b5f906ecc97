// The download's per-second budget, with the clock given by the test: a piece counts against
// the second in which it arrived, so no calendar second ever carries more than the limit.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "DownloadBudget.h"

namespace {

const int kPiece = 32768;

// One receive: asked for in second `asked`, `got` bytes back in second `arrived`.
struct Receive {
    long long asked;
    int expectWanted;
    long long arrived;
    int got;
};

TEST(DownloadBudget, EveryArrivalSecondStaysWithinTheLimit)
{
    const struct {
        const char* what;
        long limit;
        std::vector<Receive> receives;
    } rows[] = {
        {"a second fills up and waits for the next", 1000,
         {{10, 1000, 10, 600}, {10, 400, 10, 400}, {10, 0, 10, 0}, {11, 1000, 11, 1000}}},
        // Asked for at the end of second 10, arrived in 11: second 11 has only the rest left.
        {"a piece that arrives after the second turned counts against the new one", 1000,
         {{10, 1000, 10, 900}, {10, 100, 11, 100}, {11, 900, 11, 900}, {11, 0, 11, 0}, {12, 1000, 12, 1}}},
        {"a limit above a piece asks for whole pieces", 100000,
         {{5, kPiece, 5, kPiece}, {5, kPiece, 5, kPiece}, {5, kPiece, 5, kPiece}, {5, 100000 - 3 * kPiece, 6, 10}}},
        {"no limit", 0, {{5, kPiece, 5, kPiece}, {5, kPiece, 5, kPiece}}},
        {"a negative limit is no limit", -5, {{5, kPiece, 5, kPiece}, {5, kPiece, 5, kPiece}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        DownloadBudget budget;
        std::map<long long, long> perSecond;
        for (const Receive& r : row.receives) {
            EXPECT_EQ(r.expectWanted, budget.Wanted(row.limit, r.asked, kPiece));
            if (r.got == 0)
                continue;
            budget.Arrived(r.arrived, r.got);
            perSecond[r.arrived] += r.got;
            EXPECT_EQ(static_cast<unsigned long>(perSecond[r.arrived]), budget.CountedIn(r.arrived));
        }
        if (row.limit > 0) {
            for (const auto& second : perSecond)
                EXPECT_LE(second.second, row.limit) << "second " << second.first;
        }
    }
}

} // namespace

#include "support/USplitPositions.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>

namespace {

struct TSplitCase
{
    int start;
    int end;
    int count;
    std::vector<int> positions;
};

} // namespace

TEST(SplitPositionsTest, PositionsOfKnownSplits)
{
    const TSplitCase cases[] = {
        {0, 80000, 8, {1111, 12222, 23333, 34444, 45556, 56667, 67778, 78889}},
        {10000, 70000, 2, {15000, 65000}},
        // step 5 / 7.2: a range shorter than the count repeats positions.
        {0, 5, 8, {0, 1, 1, 2, 3, 4, 4, 5}},
        // step 10: 1 and 11 exactly; step 25: 2.5 and 27.5 round to even.
        {0, 12, 2, {1, 11}},
        {0, 30, 2, {2, 28}},
        {500, 500, 3, {500, 500, 500}},
        {0, 1000, 0, {}},
        {1000, 0, 2, {}},
    };
    for (const TSplitCase& c : cases)
        EXPECT_EQ(SplitPositions(c.start, c.end, c.count), c.positions) << c.start << "-" << c.end << " / " << c.count;
    const std::vector<int> sixteen = SplitPositions(0, 600000, 16);
    EXPECT_EQ(sixteen.front(), 3947);
    EXPECT_EQ(sixteen.back(), 596053);
}

TEST(SplitPositionsTest, LongRangesStayInOrderAndInside)
{
    // 98 x 36,000,000 does not fit in 32 bits.
    constexpr int tenHours = 36000000;
    for (const auto& [start, end] : {std::pair{0, tenHours}, std::pair{1000, tenHours + 1000},
                                     std::pair{0, std::numeric_limits<int>::max()}}) {
        const std::vector<int> positions = SplitPositions(start, end, 99);
        ASSERT_EQ(positions.size(), 99u);
        EXPECT_GT(positions.front(), start);
        EXPECT_LT(positions.back(), end);
        for (size_t i = 1; i < positions.size(); ++i)
            ASSERT_LT(positions[i - 1], positions[i]) << i;
    }
    // Position 98 of ten hours: 98.1 x 36,000,000 / 98.2.
    EXPECT_EQ(SplitPositions(0, tenHours, 99).back(), 35963340);
}

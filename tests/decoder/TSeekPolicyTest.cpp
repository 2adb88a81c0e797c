// The seek rules as arithmetic: where each try of a seek starts, how far
// decoding forward may go, and when a key frame ahead makes a seek cheaper.

#include "decoder/USeekPolicy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

namespace {

// Key frames at the given timestamps; trusted (Reaches) up to the last one
// unless made of searched packets.
class TListIndex : public TKeyFrameIndex
{
public:
    explicit TListIndex(std::vector<int64_t> keys, bool searched = false) : keys(std::move(keys)), searched(searched) {}

    std::optional<int64_t> KeyFrameAtOrBefore(int64_t ts) const override
    {
        const auto after = std::upper_bound(keys.begin(), keys.end(), ts);
        return after == keys.begin() ? std::nullopt : std::optional<int64_t>(*(after - 1));
    }
    int64_t FirstTimestamp() const override { return keys.empty() ? INT64_MIN : keys.front(); }
    bool Reaches(int64_t ts) const override { return !searched && !keys.empty() && keys.back() >= ts; }

private:
    std::vector<int64_t> keys;
    bool searched;
};

} // namespace

TEST(TSeekPolicyTest, NextSeekPoint)
{
    const TListIndex none({});
    const TListIndex keys({0, 600, 1200, 1800});
    const TListIndex mp4({-2, 600, 1200}); // indexed by decoding time
    const TListIndex searched({0, 500, 1000}, true);
    struct TRow
    {
        const TKeyFrameIndex* index;
        int64_t ts, previous;
        int attempt;
        int64_t keyInterval, expected;
    };
    const TRow rows[] = {
        {&keys, 1000, 0, 0, 0, 600},          // the index's key frame before the target
        {&keys, 2500, 0, 0, 0, 2500},         // past the index: the target itself
        {&keys, 2500, 0, 0, 400, 2000},       // ... less 1.25 key-frame distances
        {&searched, 1000, 0, 0, 0, 1000},     // searched packets are no key frames
        {&none, 1000, 1000, 1, 0, 990},       // steps of 10,
        {&none, 1000, 990, 2, 0, 950},        // 40,
        {&none, 1000, 950, 3, 0, 790},        // 160 units
        {&none, 1000, 1000, 3, 100, 600},     // or the key-frame distance doubled twice
        {&keys, 1000, 600, 1, 0, 0},          // at least back to the previous key frame
        {&none, 5, 5, 1, 0, 0},               // never below 0 ...
        {&mp4, 5, 5, 1, 0, -2},               // ... unless the index starts there
        {&none, 5, INT64_MIN, 1, 0, 0},       // no overflow at the ends
        {&none, INT64_MIN + 5, 0, 0, INT64_MAX, 0},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(NextSeekPoint(row.ts, row.previous, row.attempt, row.keyInterval, *row.index), row.expected)
            << "ts " << row.ts << " previous " << row.previous << " attempt " << row.attempt;
}

TEST(TSeekPolicyTest, ForwardBudget)
{
    const AVRational ms{1, 1000};
    struct TRow
    {
        int64_t ts, from;
        AVRational base, rate;
        int expected;
    };
    const TRow rows[] = {
        {1000, AV_NOPTS_VALUE, ms, {25, 1}, 200}, // nothing known: the fixed allowance
        {1000, 2000, ms, {25, 1}, 200},           // backwards
        {2000, 1000, ms, {25, 1}, 250},           // 25 frames, twice
        {2000, 1000, ms, {0, 1}, 440},            // unknown rate counts as 120
        {90000 * 20, 0, {1, 90000}, {30, 1}, 200 + 2 * 600},
        {INT64_MAX, INT64_MIN + 1, ms, {120, 1}, 200 + 24 * 3600 * 120}, // a day at most
    };
    for (const TRow& row : rows)
        EXPECT_EQ(ForwardBudget(row.ts, row.from, row.base, row.rate), row.expected) << row.ts << " from " << row.from;
}

TEST(TSeekPolicyTest, KeyFrameBetween)
{
    const AVRational ms{1, 1000};
    const TListIndex keys({0, 2000, 4000});
    const TListIndex none({});
    struct TRow
    {
        const TKeyFrameIndex* index;
        int64_t current, ts, keyInterval;
        bool expected;
    };
    const TRow rows[] = {
        {&keys, 0, 1000, 0, false},   // within a second: never
        {&keys, 0, 2500, 0, true},    // the key frame at 2000 lies between
        {&keys, 1500, 3000, 0, false}, // the key frame at 2000 is not a second after 1500
        {&none, 0, 2500, 1000, true},  // more than two key-frame distances
        {&none, 0, 2000, 1000, false}, // exactly two
        {&none, INT64_MAX - 10, INT64_MAX, 1, false},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(KeyFrameBetween(row.current, row.ts, row.keyInterval, ms, *row.index), row.expected)
            << row.current << " to " << row.ts;
}

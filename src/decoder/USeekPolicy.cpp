#include "decoder/USeekPolicy.h"

#include <algorithm>
#include <climits>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr int64_t BackOffStep = 10; // time-base units of the first back-off
constexpr int MinForwardPackets = 200;
constexpr int64_t MaxForwardFrames = 24 * 3600 * 120;

} // namespace

int64_t SaturatingSubtract(int64_t value, int64_t amount)
{
    int64_t result;
    if (__builtin_sub_overflow(value, amount, &result))
        return amount > 0 ? INT64_MIN : INT64_MAX;
    return result;
}

int64_t SaturatingAdd(int64_t value, int64_t amount)
{
    int64_t result;
    if (__builtin_add_overflow(value, amount, &result))
        return amount > 0 ? INT64_MAX : INT64_MIN;
    return result;
}

int64_t ClampToStart(int64_t point, const TKeyFrameIndex& index)
{
    if (point >= 0)
        return point;
    const int64_t first = index.FirstTimestamp();
    return first < 0 && first != INT64_MIN ? std::max(point, first) : 0;
}

// The growing steps let streams whose index is made of arbitrary packets
// reach the group of pictures before the target in a few tries: fixed steps
// of 10 units are 0.1 ms at 90 kHz.
int64_t NextSeekPoint(int64_t ts, int64_t previous, int attempt, int64_t keyInterval, const TKeyFrameIndex& index)
{
    const bool indexed = index.Reaches(ts);
    if (attempt == 0) {
        if (indexed)
            if (const std::optional<int64_t> key = index.KeyFrameAtOrBefore(ts))
                return *key;
        return keyInterval > 0 ? ClampToStart(SaturatingSubtract(ts, SaturatingAdd(keyInterval, keyInterval / 4)), index) : ts;
    }
    // The distance is doubled at every try in case it was learned too short.
    int64_t step = BackOffStep;
    int64_t distance = keyInterval;
    for (int i = 1; i < attempt && step < INT64_MAX / 8; ++i) {
        step *= 4;
        distance = distance < INT64_MAX / 4 ? distance * 2 : distance;
    }
    int64_t point = ClampToStart(SaturatingSubtract(previous, std::max(step, distance)), index);
    if (indexed && previous > INT64_MIN)
        if (const std::optional<int64_t> key = index.KeyFrameAtOrBefore(previous - 1))
            point = std::min(point, *key);
    return point;
}

int ForwardBudget(int64_t ts, int64_t fromPts, AVRational timeBase, AVRational frameRate)
{
    if (fromPts == AV_NOPTS_VALUE || ts <= fromPts)
        return MinForwardPackets;
    if (frameRate.num <= 0 || frameRate.den <= 0)
        frameRate = AVRational{120, 1};
    // frames = (ts - from) * timeBase * frameRate
    const int64_t frames = av_rescale(SaturatingSubtract(ts, fromPts), int64_t(timeBase.num) * frameRate.num,
                                      int64_t(timeBase.den) * frameRate.den);
    return MinForwardPackets + static_cast<int>(std::clamp<int64_t>(2 * std::min(frames, MaxForwardFrames), 0,
                                                                    MaxForwardFrames));
}

bool KeyFrameBetween(int64_t currentPts, int64_t ts, int64_t keyInterval, AVRational timeBase,
                     const TKeyFrameIndex& index)
{
    const int64_t oneSecond = av_rescale_q(1, AVRational{1, 1}, timeBase);
    const int64_t after = SaturatingAdd(currentPts, oneSecond);
    if (ts <= after)
        return false;
    if (keyInterval > 0 && SaturatingSubtract(ts, currentPts) > SaturatingAdd(keyInterval, keyInterval))
        return true;
    const std::optional<int64_t> key = index.KeyFrameAtOrBefore(ts);
    return key && *key > after;
}

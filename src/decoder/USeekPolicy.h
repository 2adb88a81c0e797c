#pragma once

// The arithmetic by which the FFmpeg back end chooses where to seek and how
// far it may decode forward. Pure functions of timestamps (stream time-base
// units) and of what is known about the stream's key frames, so that each
// rule can be checked on its own.

#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/rational.h>
}

// What the seek rules know of the stream's key frames: the container's index,
// or the one libavformat builds while reading.
class TKeyFrameIndex
{
public:
    virtual ~TKeyFrameIndex() = default;
    // The last indexed key frame at or before ts; none when the index has
    // no key frame there.
    virtual std::optional<int64_t> KeyFrameAtOrBefore(int64_t ts) const = 0;
    // The timestamp of the first entry; INT64_MIN when the index is empty.
    virtual int64_t FirstTimestamp() const = 0;
    // The index covers ts with real key frames. Demuxers that seek by
    // searching timestamps (MPEG program and transport streams, ...) fill it
    // with whatever packets the search visited: such an index reaches nothing.
    virtual bool Reaches(int64_t ts) const = 0;
};

// Timestamps come from the file: arithmetic on them saturates instead of
// overflowing.
int64_t SaturatingAdd(int64_t value, int64_t amount);
int64_t SaturatingSubtract(int64_t value, int64_t amount);

// Each try of a seek lands on the first key frame at or after the point
// returned. Attempt 0: the indexed key frame at or before the target, or,
// without an index that reaches the target, the target less 1.25 learned
// key-frame distances (keyInterval, 0 = unknown). Attempt n > 0 starts
// earlier than the previous point by at least 10 · 4^(n−1) units and at least
// keyInterval · 2^(n−1), and at least as early as the index's key frame
// before the previous point.
int64_t NextSeekPoint(int64_t ts, int64_t previous, int attempt, int64_t keyInterval, const TKeyFrameIndex& index);

// A point computed by stepping back stops at 0; an index may start below it
// (MP4 key frames are indexed by decoding time), and then its first entry is
// the floor.
int64_t ClampToStart(int64_t point, const TKeyFrameIndex& index);

// The packets decoding forward from fromPts to ts may take: the frames the
// timestamps say lie between (twice, for fields and repeated timestamps,
// at most a day of frames) plus a fixed allowance for packets that yield
// nothing. frameRate ≤ 0 counts as 120 frames per second.
int ForwardBudget(int64_t ts, int64_t fromPts, AVRational timeBase, AVRational frameRate);

// A key frame well after the delivered frame (currentPts) lies before the
// target: seeking there costs less than decoding everything before it. Only
// targets more than a second ahead; known from the index, or because the
// target lies more than two learned key-frame distances ahead.
bool KeyFrameBetween(int64_t currentPts, int64_t ts, int64_t keyInterval, AVRational timeBase,
                     const TKeyFrameIndex& index);

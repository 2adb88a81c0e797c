// Frame-by-frame stepping of the FFmpeg back end. Stepping forward decodes
// one frame on; stepping back reuses the frames kept while decoding, and
// when they run out, seeks once and decodes the group of pictures forward
// again, keeping the last frames before the one on screen.

#include "decoder/UFFmpegBackend.h"
#include "support/ULog.h"

#include <algorithm>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
}

namespace {

// Memory for the kept frames: about 30 frames of 1080p.
constexpr int64_t StepBackBudgetBytes = 96LL * 1024 * 1024;
constexpr int MinKeptFrames = 2;
constexpr int MaxKeptFrames = 64;

// Runs `step` with every frame decoded (none skipped) and, with `keep`, kept
// for stepping back, then restores the skipping. A decode error ends the
// step: logged, false.
template <typename TStep>
bool StepKeepingFrames(bool& keepForStepBack, bool& skipNonReference, const char* where, bool keep, TStep step)
{
    const bool skip = skipNonReference;
    keepForStepBack = keep;
    skipNonReference = false;
    bool stepped = false;
    try {
        stepped = step();
    } catch (...) {
        LogDroppedError(where);
    }
    keepForStepBack = false;
    skipNonReference = skip;
    return stepped;
}

} // namespace

int TFFmpegBackend::StepBackCapacity() const
{
    const AVFrame* frame = currentFrame.get();
    const int bytes = frame && frame->format >= 0
                          ? av_image_get_buffer_size(static_cast<AVPixelFormat>(frame->format), width, height, 1)
                          : 0;
    if (bytes <= 0)
        return MinKeptFrames;
    return static_cast<int>(std::clamp<int64_t>(StepBackBudgetBytes / bytes, MinKeptFrames, MaxKeptFrames));
}

// The picture on screen lives in currentFrame: showing another kept frame
// puts the current one back into its entry first.
void TFFmpegBackend::Show(int index)
{
    if (shownIndex >= 0)
        std::swap(currentFrame, stepBack[static_cast<size_t>(shownIndex)].frame);
    shownIndex = index;
    if (shownIndex >= 0)
        std::swap(currentFrame, stepBack[static_cast<size_t>(shownIndex)].frame);
}

void TFFmpegBackend::ForgetStepBack()
{
    Show(-1);
    stepBack.clear();
}

// Called for every frame the decoder delivers. While stepping the frame it
// replaces is kept; otherwise frames may have been skipped unseen and the
// kept ones no longer lead up to the delivered frame.
void TFFmpegBackend::KeepForStepBack()
{
    Show(-1);
    if (!keepForStepBack) {
        stepBack.clear();
        return;
    }
    if (!reached.haveFrame || !currentFrame || !currentFrame->data[0])
        return;
    TKeptFrame kept;
    kept.pts = reached.framePts;
    kept.precedingPts = reached.precedingPts;
    kept.frame.reset(av_frame_alloc());
    if (!kept.frame) {
        stepBack.clear();
        return;
    }
    const size_t capacity = static_cast<size_t>(StepBackCapacity());
    av_frame_move_ref(kept.frame.get(), currentFrame.get());
    if (stepBack.size() >= capacity)
        stepBack.erase(stepBack.begin(), stepBack.begin() + static_cast<std::ptrdiff_t>(stepBack.size() - capacity + 1));
    stepBack.push_back(std::move(kept));
}

int64_t TFFmpegBackend::ShownPts() const
{
    if (!reached.haveFrame)
        return AV_NOPTS_VALUE;
    return shownIndex >= 0 ? stepBack[static_cast<size_t>(shownIndex)].pts : reached.framePts;
}

// Whether ts, before the kept frame, still gives it: after the frame before
// it, or, where that one is unknown, the frame's own rounded position.
bool TFFmpegBackend::KeptFrameCovers(const TKeptFrame& kept, int64_t ts) const
{
    if (kept.precedingPts != AV_NOPTS_VALUE)
        return ts > kept.precedingPts;
    const int position = PositionOf(kept.pts);
    return position < Duration() && ts == TargetTimestamp(position);
}

// A position fetched again after a step lands on a kept frame: shown
// without decoding anything.
bool TFFmpegBackend::KeptFrameAnswers(int64_t ts)
{
    for (size_t i = 0; i < stepBack.size(); ++i) {
        const TKeptFrame& kept = stepBack[i];
        if (ts == kept.pts || (ts < kept.pts && KeptFrameCovers(kept, ts))) {
            Show(static_cast<int>(i));
            return true;
        }
    }
    Show(-1);
    return false;
}

bool TFFmpegBackend::NextFrame()
{
    return StepForward(true);
}

bool TFFmpegBackend::NextFrameUnkept()
{
    return StepForward(false);
}

bool TFFmpegBackend::StepForward(bool keep)
{
    if (!format || !codec || !reached.haveFrame || reached.framePts == AV_NOPTS_VALUE)
        return false;
    if (shownIndex >= 0) {
        const int next = shownIndex + 1;
        Show(next < static_cast<int>(stepBack.size()) ? next : -1);
        return true;
    }
    if (reached.drained)
        return false;
    ArmDeadline();
    const int64_t from = reached.framePts;
    return StepKeepingFrames(keepForStepBack, skipNonReference, "TFFmpegBackend::NextFrame", keep,
                             [&] { return DeliverFrameAt(from + 1) && ShownPts() > from; });
}

bool TFFmpegBackend::PreviousFrame()
{
    if (!format || !codec || !reached.haveFrame || reached.framePts == AV_NOPTS_VALUE)
        return false;
    if (shownIndex > 0) {
        Show(shownIndex - 1);
        return true;
    }
    if (shownIndex < 0 && !stepBack.empty()) {
        Show(static_cast<int>(stepBack.size()) - 1);
        return true;
    }
    return RefillStepBack(ShownPts());
}

// Seeks to the key frame before the frame on screen and decodes forward to
// it, every frame, keeping the last ones; then shows the one just before.
bool TFFmpegBackend::RefillStepBack(int64_t shownPts)
{
    if (shownPts == AV_NOPTS_VALUE)
        return false;
    ArmDeadline();
    return StepKeepingFrames(keepForStepBack, skipNonReference, "TFFmpegBackend::RefillStepBack", true,
                             [&] { return SeekAndDecode(shownPts - 1) && ShowLatestBefore(shownPts); });
}

bool TFFmpegBackend::ShowLatestBefore(int64_t pts)
{
    if (!reached.haveFrame)
        return false;
    if (reached.framePts != AV_NOPTS_VALUE && reached.framePts < pts) {
        Show(-1);
        return true;
    }
    for (int i = static_cast<int>(stepBack.size()) - 1; i >= 0; --i)
        if (stepBack[static_cast<size_t>(i)].pts < pts) {
            Show(i);
            return true;
        }
    return false; // the first frame of the video
}

// The frame's time in milliseconds, rounded down, then moved back while
// the rounding to the time base would land after the frame.
int TFFmpegBackend::PositionOf(int64_t pts) const
{
    if (!stream || pts == AV_NOPTS_VALUE)
        return -1;
    const int64_t offset = startOffset >= 0 ? startOffset : 0;
    const AVRational base = stream->time_base;
    const int64_t ms = av_rescale_rnd(pts - offset, 1000LL * base.num, base.den, AV_ROUND_DOWN);
    int position = static_cast<int>(std::clamp<int64_t>(ms, 0, std::max(Duration(), 0)));
    while (position > 0 && TargetTimestamp(position) > pts)
        --position;
    return position;
}

int TFFmpegBackend::FramePosition() const
{
    return PositionOf(ShownPts());
}

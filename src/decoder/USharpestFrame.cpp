#include "decoder/USharpestFrame.h"

#include "decoder/UMovieDecoder.h"
#include "picture/USharpness.h"

#include <algorithm>

namespace {

// A second at 1000 frames per second: no real video has more frames in the
// window, and a broken one cannot keep the search going.
constexpr int MaxExaminedFrames = 1000;

} // namespace

TSharpestFrame FindSharpestFrame(TMovieDecoder& decoder, int position, int radiusMs)
{
    TSharpestFrame best;
    const int duration = decoder.Duration();
    if (!decoder.Active() || duration <= 0)
        return best;
    position = std::clamp(position, 0, duration);
    const int first = std::max(position - radiusMs, 0);
    const int last = std::min(position + radiusMs, duration);
    bool onFrame = decoder.FetchFrame(std::min(first, duration - 1));
    while (onFrame && best.examined < MaxExaminedFrames) {
        const int framePosition = decoder.FramePosition();
        if (framePosition < 0 || framePosition > last)
            break;
        ++best.examined;
        const std::optional<double> score = SharpnessScore(decoder.FrameBitmap().Image());
        if (score && (best.position < 0 || *score > best.score)) {
            best.position = framePosition;
            best.score = *score;
        }
        if (framePosition >= last)
            break;
        onFrame = decoder.NextFrame();
    }
    if (best.position >= 0 && !decoder.FetchFrame(best.position))
        best.position = -1;
    if (best.position < 0)
        decoder.FetchFrame(std::min(position, duration - 1));
    return best;
}

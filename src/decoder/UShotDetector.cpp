#include "decoder/UShotDetector.h"

#include "decoder/TRangeReader.h"
#include "decoder/UMovieDecoder.h"
#include "picture/USharpness.h"
#include "support/ULog.h"

#include <QImage>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// A reduced frame as the comparison sees it: luma and the two colour
// differences, one byte each per pixel.
struct TSignature
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> luma;
    std::vector<uint8_t> blue;  // Cb
    std::vector<uint8_t> red;   // Cr
    std::vector<uint8_t> coarse; // luma in 2 x 2 blocks, for the comparisons further back
};

uint8_t ClampByte(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

void MakeSignature(const QImage& bgr, TSignature& signature)
{
    signature.width = bgr.width();
    signature.height = bgr.height();
    const size_t count = static_cast<size_t>(bgr.width()) * static_cast<size_t>(bgr.height());
    signature.luma.resize(count);
    signature.blue.resize(count);
    signature.red.resize(count);
    size_t i = 0;
    for (int y = 0; y < bgr.height(); ++y) {
        const uchar* pixel = bgr.constScanLine(y);
        for (int x = 0; x < bgr.width(); ++x, pixel += 3, ++i) {
            const int b = pixel[0];
            const int g = pixel[1];
            const int r = pixel[2];
            // BT.601, full range, in integers (weights out of 1024).
            const int luma = (306 * r + 601 * g + 117 * b + 512) >> 10;
            signature.luma[i] = ClampByte(luma);
            signature.blue[i] = ClampByte(128 + (((b - luma) * 579) >> 10));
            signature.red[i] = ClampByte(128 + (((r - luma) * 730) >> 10));
        }
    }
    const int coarseWidth = bgr.width() / 2;
    const int coarseHeight = bgr.height() / 2;
    signature.coarse.resize(static_cast<size_t>(coarseWidth) * static_cast<size_t>(coarseHeight));
    for (int y = 0; y < coarseHeight; ++y) {
        const uint8_t* top = signature.luma.data() + static_cast<size_t>(2 * y) * static_cast<size_t>(bgr.width());
        const uint8_t* bottom = top + bgr.width();
        for (int x = 0; x < coarseWidth; ++x)
            signature.coarse[static_cast<size_t>(y * coarseWidth + x)] =
                static_cast<uint8_t>((top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1] + 2) / 4);
    }
}

float MeanLuma(const TSignature& signature)
{
    if (signature.luma.empty())
        return 0;
    uint64_t sum = 0;
    for (uint8_t value : signature.luma)
        sum += value;
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(signature.luma.size()));
}

uint64_t AbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += static_cast<uint64_t>(std::abs(int(a[i]) - int(b[i])));
    return sum;
}

// Mean absolute difference, luma counted twice, 0-255. Pictures of
// different sizes (a stream that changes its size) differ completely.
float Difference(const TSignature& a, const TSignature& b)
{
    if (a.width != b.width || a.height != b.height || a.luma.empty())
        return 255.0f;
    const uint64_t sum = 2 * AbsoluteDifference(a.luma, b.luma) + AbsoluteDifference(a.blue, b.blue)
                         + AbsoluteDifference(a.red, b.red);
    return static_cast<float>(static_cast<double>(sum) / (4.0 * static_cast<double>(a.luma.size())));
}

// The same from the coarse luma alone: the comparisons with the frames
// further back only tell a picture that comes back from one that does not.
float CoarseDifference(const TSignature& a, const TSignature& b)
{
    if (a.width != b.width || a.height != b.height || a.coarse.empty())
        return 255.0f;
    return static_cast<float>(static_cast<double>(AbsoluteDifference(a.coarse, b.coarse))
                              / static_cast<double>(a.coarse.size()));
}

// The numbers of one frame against the frames before it (newest last).
TShotFrame MeasureFrame(int position, const QImage& picture, const TSignature& signature,
                        const std::deque<TSignature>& before)
{
    TShotFrame frame;
    frame.position = position;
    frame.luma = MeanLuma(signature);
    frame.sharpness = static_cast<float>(SharpnessScore(picture).value_or(-1.0));
    frame.back.fill(-1.0f);
    const int count = static_cast<int>(before.size());
    if (count > 0)
        frame.change = Difference(signature, before[static_cast<size_t>(count - 1)]);
    for (int k = 0; k < MaxFlashFrames && k + 2 <= count; ++k)
        frame.back[static_cast<size_t>(k)] = CoarseDifference(signature, before[static_cast<size_t>(count - 2 - k)]);
    return frame;
}

// What one decoder scanned: its frames, and the signatures of its first and
// last frames, which the join compares with the neighbouring parts.
struct TPart
{
    int from = 0;                         // where the decoder is sent
    std::vector<TShotFrame> frames;
    std::vector<TSignature> head;         // the first MaxFlashFrames + 1
    std::deque<TSignature> tail;          // the last MaxFlashFrames + 1
};

// The first frame of a stretch is compared with nothing before it.
void ForgetBeforeFirst(std::vector<TShotFrame>& frames)
{
    for (size_t i = 0; i < frames.size() && i < MaxFlashFrames + 2; ++i) {
        if (i == 0)
            frames[i].change = 0;
        for (size_t k = 0; k < MaxFlashFrames; ++k)
            if (k + 2 > i)
                frames[i].back[k] = -1.0f;
    }
}

constexpr int FirstUnknown = -1;
constexpr int PartFailed = INT_MAX;

struct TScanState
{
    QString fileName;
    int duration = 0;
    int end = 0;
    int decoderThreads = 0;
    std::vector<TPart> parts;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> firsts;              // each part's first frame position, FirstUnknown, PartFailed
    std::vector<std::atomic<int>> done;   // milliseconds covered by each part
    std::atomic<bool> cancelled{false};
    int running = 0;

    explicit TScanState(size_t count) : parts(count), firsts(count, FirstUnknown), done(count) {}

    void Publish(size_t part, int first)
    {
        {
            const std::lock_guard lock(mutex);
            firsts[part] = first;
        }
        changed.notify_all();
    }

    // Where part `part` stops: the first frame of the next part that
    // decodes; past the end for the last one. Waits until that is known.
    int Limit(size_t part)
    {
        std::unique_lock lock(mutex);
        for (size_t next = part + 1; next < firsts.size(); ++next) {
            changed.wait(lock, [&] { return cancelled || firsts[next] != FirstUnknown; });
            if (cancelled)
                return INT_MIN;
            if (firsts[next] != PartFailed)
                return firsts[next];
        }
        return end + 1;
    }
};

void ScanPart(TScanState& state, size_t index)
{
    TPart& part = state.parts[index];
    TMovieDecoder decoder(state.decoderThreads);
    QImage picture;
    bool fetched = false;
    try {
        fetched = decoder.Open(state.fileName) && decoder.FetchFrame(std::clamp(part.from, 0, state.duration - 1))
                  && decoder.RenderReduced(picture, ShotScanWidth);
    } catch (...) {
        LogDroppedError("ScanShotFrames: opening a decoder");
    }
    if (!fetched) {
        state.Publish(index, PartFailed);
        return;
    }
    int position = decoder.FramePosition();
    state.Publish(index, position);
    int limit = INT_MAX;      // known once the frames reach the next part's key frame
    int nextFrom = index + 1 < state.parts.size() ? state.parts[index + 1].from : INT_MAX;
    std::deque<TSignature> before;
    try {
        for (;;) {
            if (state.cancelled)
                return;
            if (limit == INT_MAX && position >= nextFrom - 1000) {
                limit = state.Limit(index);
                nextFrom = INT_MAX;
                if (limit == INT_MIN)
                    return;
            }
            if (position >= limit || position > state.end)
                break;
            // The oldest signature's buffers are reused for the newest.
            TSignature signature;
            if (before.size() > MaxFlashFrames) {
                signature = std::move(before.front());
                before.pop_front();
            }
            MakeSignature(picture, signature);
            part.frames.push_back(MeasureFrame(position, picture, signature, before));
            if (part.head.size() < MaxFlashFrames + 1)
                part.head.push_back(signature);
            before.push_back(std::move(signature));
            state.done[index] = std::max(position - part.from, 0);
            if (!decoder.NextFrameReduced(picture, ShotScanWidth))
                break;
            position = decoder.FramePosition();
        }
    } catch (...) {
        // The frames scanned so far stay; the join goes on from them.
        LogDroppedError("ScanShotFrames: scanning");
    }
    part.tail = std::move(before);
}

// The first frames of a part compared with the end of the part before.
void JoinPart(TPart& part, const std::deque<TSignature>& previous)
{
    for (size_t i = 0; i < part.head.size() && i < part.frames.size(); ++i) {
        // before: the previous part's tail, then this part's frames up to i.
        std::deque<TSignature> before(previous.begin(), previous.end());
        for (size_t j = 0; j < i; ++j)
            before.push_back(part.head[j]);
        while (before.size() > MaxFlashFrames + 1)
            before.pop_front();
        TShotFrame& frame = part.frames[i];
        const int count = static_cast<int>(before.size());
        if (count > 0)
            frame.change = Difference(part.head[i], before[static_cast<size_t>(count - 1)]);
        for (int k = 0; k < MaxFlashFrames && k + 2 <= count; ++k)
            frame.back[static_cast<size_t>(k)] = CoarseDifference(part.head[i], before[static_cast<size_t>(count - 2 - k)]);
    }
}

// Where the parts start: the stretch's start, then the key frames nearest
// to equal shares of it (at least two seconds apart, so that a decoder's
// open pays for itself).
std::vector<int> PartStarts(const std::vector<int>& keyFrames, int start, int end, int decoders)
{
    std::vector<int> starts{start};
    constexpr int MinPartMs = 2000;
    for (int i = 1; i < decoders; ++i) {
        const int wanted = start + static_cast<int>(static_cast<int64_t>(end - start) * i / decoders);
        const auto nearest = std::min_element(keyFrames.begin(), keyFrames.end(), [&](int a, int b) {
            return std::abs(int64_t(a) - wanted) < std::abs(int64_t(b) - wanted);
        });
        if (nearest == keyFrames.end())
            break;
        if (*nearest - starts.back() >= MinPartMs && end - *nearest >= MinPartMs)
            starts.push_back(*nearest);
    }
    return starts;
}

} // namespace

std::optional<std::vector<TShotFrame>> ScanShotFrames(const TMovieDecoder& movie, int start, int end,
                                                      const TShotScanOptions& options, const TScanProgress& progress)
{
    const int duration = movie.Duration();
    if (!movie.Active() || duration <= 0)
        return std::vector<TShotFrame>{};
    start = std::clamp(start, 0, duration);
    end = std::clamp(end, start, duration);
    const int decoders = options.decoders > 0 ? std::min(options.decoders, TRangeReader::MaxDecoders)
                                              : TRangeReader::DefaultDecoderCount();
    const std::vector<int> starts =
        PartStarts(decoders > 1 ? movie.KeyFramePositions() : std::vector<int>{}, start, end, decoders);

    TScanState state(starts.size());
    state.fileName = movie.FileName();
    state.duration = duration;
    state.end = end;
    const int parts = static_cast<int>(starts.size());
    state.decoderThreads = TRangeReader::ThreadsPerDecoder(parts, options.decoderThreads);
    for (size_t i = 0; i < starts.size(); ++i)
        state.parts[i].from = starts[i];
    state.running = static_cast<int>(starts.size());
    {
        std::vector<std::jthread> workers;
        auto stop = [&state] {
            state.cancelled = true;
            state.changed.notify_all();
        };
        try {
            for (size_t i = 0; i < starts.size(); ++i)
                workers.emplace_back([&state, i] {
                    ScanPart(state, i);
                    const std::lock_guard lock(state.mutex);
                    --state.running;
                    state.changed.notify_all();
                });
        } catch (...) {
            // Threads never started never count themselves off.
            {
                const std::lock_guard lock(state.mutex);
                state.running -= static_cast<int>(starts.size() - workers.size());
            }
            stop();
            throw;
        }
        // The caller hears of the progress while the parts are decoded.
        std::unique_lock lock(state.mutex);
        while (state.running > 0) {
            if (progress) {
                lock.unlock();
                int covered = 0;
                for (const std::atomic<int>& part : state.done)
                    covered += part;
                if (!progress(std::clamp(covered, 0, end - start), end - start))
                    stop();
                lock.lock();
            }
            state.changed.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    if (state.cancelled)
        return std::nullopt;

    std::vector<TShotFrame> frames;
    const std::deque<TSignature>* previous = nullptr;
    for (TPart& part : state.parts) {
        if (part.frames.empty())
            continue;
        if (previous)
            JoinPart(part, *previous);
        frames.insert(frames.end(), part.frames.begin(), part.frames.end());
        previous = &part.tail;
    }
    ForgetBeforeFirst(frames);
    return frames;
}

namespace {

// The usual distance between frames, for rules given in milliseconds.
int FrameStepMs(const std::vector<TShotFrame>& frames)
{
    std::vector<int> steps;
    for (size_t i = 1; i < frames.size(); ++i)
        if (frames[i].position > frames[i - 1].position)
            steps.push_back(frames[i].position - frames[i - 1].position);
    if (steps.empty())
        return 40;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    return std::max(steps[steps.size() / 2], 1);
}

struct TCandidate
{
    int index = 0;
    double strength = 0;
};

// How much frame `index` differs from the frame `distance` before it (-1:
// not known), less what the shot's own motion changes over that distance
// (the same distance just before).
float Beyond(const std::vector<TShotFrame>& frames, int index, int distance)
{
    const int k = distance - 2;
    if (k < 0 || k >= MaxFlashFrames || index < 0 || index >= static_cast<int>(frames.size()))
        return -1.0f;
    const float difference = frames[static_cast<size_t>(index)].back[static_cast<size_t>(k)];
    if (difference < 0)
        return -1.0f;
    const int earlier = index - distance;
    const float motion = earlier >= 0 ? frames[static_cast<size_t>(earlier)].back[static_cast<size_t>(k)] : -1.0f;
    return std::max(difference - std::max(motion, 0.0f), 0.0f);
}

// A jump at `index` that is a flash, a flicker or a dropped frame rather
// than a cut: within `flashFrames` the picture comes back to the frame
// before the jump, or the jump itself goes back to a frame before that.
bool IsFlash(const std::vector<TShotFrame>& frames, int index, int flashFrames, double within)
{
    for (int distance = 2; distance <= flashFrames + 1; ++distance) {
        const float comesBack = Beyond(frames, index - 1 + distance, distance);
        if (comesBack >= 0 && comesBack <= within)
            return true;
        const float goesBack = Beyond(frames, index, distance);
        if (goesBack >= 0 && goesBack <= within)
            return true;
    }
    return false;
}

// Dark frames from `index` to before `after` that are a black flash: the
// picture drops to black and comes back at once (a fade goes and comes
// gradually), to a picture like the one before.
bool IsBlackFlash(const std::vector<TShotFrame>& frames, int index, int after, int flashFrames, const TCutRule& rule)
{
    const int distance = after - (index - 1);
    if (after - index > flashFrames || distance - 2 >= MaxFlashFrames)
        return false;
    const double drop = frames[static_cast<size_t>(index)].change;
    if (drop < rule.minChange || frames[static_cast<size_t>(after)].change < rule.minChange)
        return false;
    const float back = frames[static_cast<size_t>(after)].back[static_cast<size_t>(distance - 2)];
    return back >= 0 && back <= rule.flashReturn * drop;
}

} // namespace

std::vector<int> FindCuts(const std::vector<TShotFrame>& frames, const TCutRule& rule)
{
    const int count = static_cast<int>(frames.size());
    if (count < 2)
        return {};
    const int frameMs = FrameStepMs(frames);
    const int flashFrames = std::clamp((rule.maxFlashMs + frameMs / 2) / frameMs, 1, MaxFlashFrames);
    auto dark = [&](int i) { return frames[static_cast<size_t>(i)].luma < rule.darkLuma; };

    std::vector<TCandidate> candidates;
    // Hard cuts: a change that stands out against its neighbours.
    for (int i = 1; i < count; ++i) {
        const double change = frames[static_cast<size_t>(i)].change;
        if (change < rule.minChange || dark(i) || dark(i - 1))
            continue;
        double sum = 0;
        int neighbours = 0;
        for (int j = std::max(i - rule.neighbours, 1); j <= std::min(i + rule.neighbours, count - 1); ++j)
            if (j != i) {
                sum += frames[static_cast<size_t>(j)].change;
                ++neighbours;
            }
        const double mean = neighbours > 0 ? sum / neighbours : 0.0;
        if (change < rule.ratio * mean)
            continue;
        // A flash leaves the picture and comes back: the frame after it
        // differs little from the frame before it.
        if (IsFlash(frames, i, flashFrames, rule.flashReturn * change))
            continue;
        candidates.push_back({i, change / std::max(mean, 1.0)});
    }
    // Fades through black: one cut where the picture comes back.
    for (int i = 1; i < count; ++i) {
        if (!dark(i) || dark(i - 1))
            continue;
        int after = i;
        while (after < count && dark(after))
            ++after;
        if (after < count && !IsBlackFlash(frames, i, after, flashFrames, rule))
            candidates.push_back({after, 1e9});
        i = after;
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const TCandidate& a, const TCandidate& b) { return a.index < b.index; });

    // No shot shorter than the minimum: of two cuts too close together the
    // stronger stays.
    auto positionOf = [&](int index) { return frames[static_cast<size_t>(index)].position; };
    const int firstPosition = positionOf(0);
    std::vector<TCandidate> cuts;
    for (const TCandidate& candidate : candidates) {
        if (!cuts.empty() && cuts.back().index == candidate.index) {
            cuts.back().strength = std::max(cuts.back().strength, candidate.strength);
            continue;
        }
        const int position = positionOf(candidate.index);
        const int previous = cuts.empty() ? firstPosition : positionOf(cuts.back().index);
        if (position - previous >= rule.minShotMs) {
            cuts.push_back(candidate);
            continue;
        }
        if (cuts.empty() || candidate.strength <= cuts.back().strength)
            continue;
        const int beforePrevious = cuts.size() > 1 ? positionOf(cuts[cuts.size() - 2].index) : firstPosition;
        if (position - beforePrevious >= rule.minShotMs)
            cuts.back() = candidate;
    }
    const int endPosition = positionOf(count - 1) + frameMs;
    while (!cuts.empty() && endPosition - positionOf(cuts.back().index) < rule.minShotMs)
        cuts.pop_back();
    std::vector<int> indices;
    for (const TCandidate& cut : cuts)
        indices.push_back(cut.index);
    return indices;
}

std::vector<TShotPick> PickShotFrames(const std::vector<TShotFrame>& frames, const std::vector<int>& cuts, int room)
{
    std::vector<TShotPick> shots;
    if (frames.empty() || room <= 0)
        return shots;
    const int frameMs = FrameStepMs(frames);
    std::vector<int> starts{0};
    for (int cut : cuts)
        if (cut > starts.back() && cut < static_cast<int>(frames.size()))
            starts.push_back(cut);
    for (size_t s = 0; s < starts.size(); ++s) {
        TShotPick shot;
        shot.first = starts[s];
        shot.end = s + 1 < starts.size() ? starts[s + 1] : static_cast<int>(frames.size());
        shot.start = frames[static_cast<size_t>(shot.first)].position;
        const int next = shot.end < static_cast<int>(frames.size()) ? frames[static_cast<size_t>(shot.end)].position
                                                                      : frames.back().position + frameMs;
        shot.length = std::max(next - shot.start, 1);
        // The middle: the first and last tenth left out.
        const int low = shot.start + shot.length / 10;
        const int high = next - shot.length / 10;
        const int middle = shot.start + shot.length / 2;
        int best = -1;
        int nearest = shot.first;
        for (int i = shot.first; i < shot.end; ++i) {
            const TShotFrame& frame = frames[static_cast<size_t>(i)];
            if (std::abs(frame.position - middle) < std::abs(frames[static_cast<size_t>(nearest)].position - middle))
                nearest = i;
            if (frame.position < low || frame.position >= high || frame.sharpness < 0)
                continue;
            if (best < 0 || frame.sharpness > frames[static_cast<size_t>(best)].sharpness)
                best = i;
        }
        shot.position = frames[static_cast<size_t>(best >= 0 ? best : nearest)].position;
        shots.push_back(shot);
    }
    if (static_cast<int>(shots.size()) > room) {
        std::stable_sort(shots.begin(), shots.end(),
                         [](const TShotPick& a, const TShotPick& b) { return a.length > b.length; });
        shots.resize(static_cast<size_t>(room));
        std::sort(shots.begin(), shots.end(), [](const TShotPick& a, const TShotPick& b) { return a.first < b.first; });
    }
    return shots;
}

void TShotScoreCache::Reset(const QString& fileName)
{
    movie = fileName;
    scans.clear();
}

std::optional<std::vector<TShotFrame>> TShotScoreCache::Find(const QString& fileName, int start, int end) const
{
    if (fileName != movie)
        return std::nullopt;
    for (const TScan& scan : scans) {
        if (scan.start > start || scan.end < end)
            continue;
        std::vector<TShotFrame> frames;
        for (const TShotFrame& frame : scan.frames)
            if (frame.position >= start && frame.position <= end)
                frames.push_back(frame);
        ForgetBeforeFirst(frames);
        return frames;
    }
    return std::nullopt;
}

void TShotScoreCache::Keep(const QString& fileName, int start, int end, std::vector<TShotFrame> frames)
{
    if (fileName != movie)
        Reset(fileName);
    scans.push_back({start, end, std::move(frames)});
}

#include "decoder/TRangeReader.h"

#include "decoder/UMovieDecoder.h"
#include "support/ULog.h"

#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

TRangeReader::TFrame UnfetchedFrame(int index, int position)
{
    TRangeReader::TFrame frame;
    frame.index = index;
    frame.position = position;
    return frame;
}

} // namespace

struct TRangeReader::TShared
{
    // Set before the workers start, read-only afterwards.
    QString fileName;
    std::vector<int> positions;
    std::vector<int> segmentStarts; // index of each segment's first position
    int duration = 0;
    int maxWaiting = DefaultMaxWaiting;
    int decoderThreads = 0;         // FFmpeg's own threads in each decoder
    bool storedPixels = false;      // as the movie's decoder delivers them

    mutable std::mutex mutex;
    std::condition_variable changed;
    bool cancelled = false;
    size_t nextSegment = 0;         // the next segment nobody has taken
    int nextIndex = 0;              // the next index handed back
    int reserved = 0;               // frames fetched or kept before their turn
    struct TWaiting
    {
        TFrame frame;
        bool reserved = false;
    };
    std::map<int, TWaiting> ready;
    TStatistics statistics;

    int SegmentEnd(size_t segment) const
    {
        return segment + 1 < segmentStarts.size() ? segmentStarts[segment + 1] : static_cast<int>(positions.size());
    }
};

int TRangeReader::DefaultDecoderCount()
{
    // PELLUMO_DECODERS=1 forces one decoder, for comparisons.
    bool set = false;
    const int forced = qEnvironmentVariableIntValue("PELLUMO_DECODERS", &set);
    if (set && forced > 0)
        return std::min(forced, MaxDecoders);
    return std::clamp(QThread::idealThreadCount(), 1, MaxDecoders);
}

int TRangeReader::ThreadsPerDecoder(int decoders, int requested)
{
    if (requested >= 0)
        return requested;
    return decoders > 1 ? std::max(QThread::idealThreadCount() / decoders, 1) : 0;
}

std::vector<int> TRangeReader::SegmentStarts(const std::vector<int>& positions, const std::vector<int>& keyFrames)
{
    std::vector<int> starts;
    if (positions.empty())
        return starts;
    starts.push_back(0);
    if (!std::is_sorted(positions.begin(), positions.end()))
        return starts;
    // The key frame at or before each position names its group of pictures.
    auto group = [&](int position) { return std::upper_bound(keyFrames.begin(), keyFrames.end(), position); };
    for (size_t i = 1; i < positions.size(); ++i)
        if (group(positions[i]) != group(positions[i - 1]))
            starts.push_back(static_cast<int>(i));
    return starts;
}

TRangeReader::TRangeReader(const TMovieDecoder& movie, std::vector<int> positions)
    : TRangeReader(movie, std::move(positions), TOptions{})
{
}

TRangeReader::TRangeReader(const TMovieDecoder& movie, std::vector<int> positions, TOptions options)
    : shared(std::make_unique<TShared>())
{
    TShared& state = *shared;
    state.fileName = movie.FileName();
    state.storedPixels = movie.StoredPixels();
    state.duration = movie.Duration();
    state.maxWaiting = std::max(options.maxWaiting, 0);
    state.positions = std::move(positions);
    const int wanted = options.decoders > 0 ? std::min(options.decoders, MaxDecoders) : DefaultDecoderCount();
    state.segmentStarts = SegmentStarts(state.positions, wanted > 1 ? movie.KeyFramePositions() : std::vector<int>{});
    const int decoders = std::min(wanted, static_cast<int>(state.segmentStarts.size()));
    state.decoderThreads = ThreadsPerDecoder(decoders, options.decoderThreads);
    state.statistics.segments = static_cast<int>(state.segmentStarts.size());
    state.statistics.decoders = movie.Active() ? decoders : 0;
    if (!movie.Active()) {
        // Nothing to decode: every position is handed back without a frame.
        for (size_t i = 0; i < state.positions.size(); ++i)
            state.ready[static_cast<int>(i)].frame = UnfetchedFrame(static_cast<int>(i), state.positions[i]);
        state.statistics.failed = static_cast<int>(state.positions.size());
        return;
    }
    try {
        for (int i = 0; i < decoders; ++i)
            workers.emplace_back([this] { Work(); });
    } catch (...) {
        // The destructor does not run for a reader never made: stop the
        // threads already started before they wait for a reader that never
        // takes a frame.
        Cancel();
        workers.clear();
        throw;
    }
}

TRangeReader::~TRangeReader()
{
    Cancel();
    workers.clear(); // joins
}

void TRangeReader::Cancel()
{
    {
        const std::lock_guard lock(shared->mutex);
        shared->cancelled = true;
    }
    shared->changed.notify_all();
}

TRangeReader::TStatistics TRangeReader::Statistics() const
{
    const std::lock_guard lock(shared->mutex);
    return shared->statistics;
}

bool TRangeReader::Next(TFrame& frame)
{
    TShared& state = *shared;
    std::unique_lock lock(state.mutex);
    const int count = static_cast<int>(state.positions.size());
    state.changed.wait(lock, [&] { return state.cancelled || state.nextIndex >= count || state.ready.count(state.nextIndex); });
    if (state.cancelled || state.nextIndex >= count)
        return false;
    const auto found = state.ready.find(state.nextIndex);
    frame = std::move(found->second.frame);
    if (found->second.reserved)
        --state.reserved;
    state.ready.erase(found);
    ++state.nextIndex;
    lock.unlock();
    state.changed.notify_all();
    return true;
}

void TRangeReader::Work()
{
    TShared& state = *shared;
    TMovieDecoder decoder(state.decoderThreads);
    decoder.SetStoredPixels(state.storedPixels);
    bool opened = false;
    try {
        opened = decoder.Open(state.fileName);
    } catch (...) {
        LogDroppedError("TRangeReader: opening a decoder");
    }
    const int last = std::max(state.duration - 1, 0);
    for (;;) {
        std::unique_lock lock(state.mutex);
        if (state.cancelled || state.nextSegment >= state.segmentStarts.size())
            return;
        const size_t segment = state.nextSegment++;
        const int end = state.SegmentEnd(segment);
        for (int index = state.segmentStarts[segment]; index < end; ++index) {
            // A frame before its turn needs a free place among the waiting ones.
            state.changed.wait(lock, [&] {
                return state.cancelled || index == state.nextIndex || state.reserved < state.maxWaiting;
            });
            if (state.cancelled)
                return;
            const bool reserve = index != state.nextIndex;
            if (reserve) {
                ++state.reserved;
                state.statistics.peakWaiting = std::max(state.statistics.peakWaiting, state.reserved);
            }
            lock.unlock();

            TFrame frame = UnfetchedFrame(index, state.positions[static_cast<size_t>(index)]);
            try {
                if (opened && decoder.FetchFrame(std::clamp(frame.position, 0, last))) {
                    frame.fetched = true;
                    frame.framePosition = decoder.FramePosition();
                    // A picture of its own: the decoder writes the next frame into its bitmap.
                    frame.picture.SetImage(decoder.FrameBitmap().Image().copy());
                }
            } catch (...) {
                LogDroppedError("TRangeReader: fetching a frame");
                frame = UnfetchedFrame(index, frame.position);
            }

            lock.lock();
            ++(frame.fetched ? state.statistics.fetched : state.statistics.failed);
            state.ready[index] = TShared::TWaiting{std::move(frame), reserve};
            state.changed.notify_all();
        }
    }
}

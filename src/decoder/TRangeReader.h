#pragma once

#include "picture/TSafetyBitmap.h"

#include <QString>

#include <memory>
#include <thread>
#include <vector>

class TMovieDecoder;

// Serves a list of positions of one movie with several decoders side by
// side, one per worker thread, and hands the frames back one by one in the
// order of the list.
//
// An ascending list is cut into segments at the key frames the container's
// index knows; each decoder takes the next segment nobody has taken yet, so
// no group of pictures is decoded twice. Where the index knows no key frame
// (MPEG program and transport streams, the AVI back end), and for a list
// that is not ascending, one decoder serves the whole list as the movie
// decoder would. Every frame is the one TMovieDecoder::FetchFrame gives for
// the position (positions at or past the end give the last frame).
//
// Memory stays bounded: a decoder fetches a frame whose turn has not come
// only while fewer than maxWaiting such frames are kept; the others wait.
// Cancel (or destroying the reader) stops every decoder after the fetch it
// is in.
class TRangeReader
{
public:
    static constexpr int MaxDecoders = 4;
    static constexpr int DefaultMaxWaiting = 8;

    struct TOptions
    {
        int decoders = 0;                     // 0: DefaultDecoderCount()
        int maxWaiting = DefaultMaxWaiting;   // frames kept before their turn
        // FFmpeg's own threads in each decoder; 0: FFmpeg's choice (one per
        // core); -1: the cores shared out among the decoders (one each on
        // two cores). Side by side, single-threaded decoders finish a split
        // sooner than as many frame-threaded ones: frame threading costs
        // CPU time of its own.
        int decoderThreads = -1;
    };

    struct TFrame
    {
        int index = -1;          // in the list given
        int position = 0;        // the position asked for
        bool fetched = false;    // false: no frame for it, picture empty
        int framePosition = -1;  // the frame's own position (TMovieDecoder::FramePosition)
        TSafetyBitmap picture;
    };

    struct TStatistics
    {
        int decoders = 0;     // decoder threads started
        int segments = 0;
        int fetched = 0;
        int failed = 0;
        int peakWaiting = 0;  // most frames kept at once before their turn
    };

    // movie: an open decoder, asked only here for its file, duration and
    // index; the reader opens its own decoders on the file.
    TRangeReader(const TMovieDecoder& movie, std::vector<int> positions, TOptions options);
    TRangeReader(const TMovieDecoder& movie, std::vector<int> positions);
    ~TRangeReader();
    TRangeReader(const TRangeReader&) = delete;
    TRangeReader& operator=(const TRangeReader&) = delete;

    // Waits for the frame of the next position in the list. False once
    // every position has been handed back, or after Cancel.
    bool Next(TFrame& frame);
    void Cancel();
    TStatistics Statistics() const;

    // Follows the cores: QThread::idealThreadCount(), at most MaxDecoders,
    // one on a single core. The environment variable PELLUMO_DECODERS (1 to
    // 4) sets the count instead, e.g. to compare with one decoder.
    static int DefaultDecoderCount();
    // FFmpeg's own threads for each of `decoders` decoders side by side:
    // `requested` when it is 0 or more; otherwise the cores shared out among
    // them (at least one each), or FFmpeg's choice (0) for a single decoder.
    static int ThreadsPerDecoder(int decoders, int requested = -1);

    // Indices into an ascending list where a new segment starts (always 0
    // first): at the first position at or after each key frame.
    static std::vector<int> SegmentStarts(const std::vector<int>& positions, const std::vector<int>& keyFrames);

private:
    struct TShared;
    void Work();

    std::unique_ptr<TShared> shared;
    std::vector<std::jthread> workers;
};

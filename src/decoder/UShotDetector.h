#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class TMovieDecoder;

// Where the shots of a movie change, and one good frame per shot.
//
// The scan decodes every frame of a stretch in order, reduces each to at
// most ShotScanWidth pixels wide and records for it how much it changed
// from the frame before, its mean luma, its sharpness and how far it lies
// from the few frames before the previous one (TShotFrame). FindCuts then
// reads the cuts from these numbers alone (TCutRule), and PickShotFrames
// chooses the frame to take for each shot. The algorithm and its
// parameters are described in docs/decoder.md, "Shots".

// The width of the pictures the scan compares.
inline constexpr int ShotScanWidth = 256;
// How many frames back a flash may reach: the frames 2 to MaxFlashFrames + 1
// before each frame are compared with it.
inline constexpr int MaxFlashFrames = 8;

struct TShotFrame
{
    int position = 0;        // the frame's own position (TMovieDecoder::FramePosition)
    float change = 0;        // mean absolute difference from the frame before, 0-255; 0 for the first
    float luma = 0;          // mean luma, 0-255
    float sharpness = -1;    // SharpnessScore of the reduced picture; -1: none (near black or uniform)
    // back[k]: the difference from the frame k + 2 before; -1 where there is none.
    std::array<float, MaxFlashFrames> back{};
};

struct TCutRule
{
    double minChange = 12.0;     // a cut changes the picture at least this much (0-255)
    double ratio = 3.0;          // ... and this many times the mean change of its neighbours
    int neighbours = 2;          // frames either side that make the neighbours' mean
    int minShotMs = 600;         // no shot is shorter (nor the pieces at either end of the stretch)
    double darkLuma = 24.0;      // frames darker than this are black (fades)
    int maxFlashMs = 250;        // a picture that comes back within this is a flash, not a cut
    double flashReturn = 0.4;    // "comes back": differs by at most this share of the jump
};

// The indices of the frames that start a new shot, ascending; never 0.
std::vector<int> FindCuts(const std::vector<TShotFrame>& frames, const TCutRule& rule = {});

struct TShotPick
{
    int first = 0;       // index of the shot's first frame
    int end = 0;         // index after its last frame
    int start = 0;       // position of its first frame
    int length = 0;      // milliseconds, to the next shot's first frame (or past the last frame)
    int position = 0;    // the frame taken
};

// One frame per shot: the sharpest frame of the shot's middle (its first
// and last tenth left out; the frame nearest the middle when none there has
// a sharpness), in time order. With more shots than room, the room longest
// ones (the earlier of equals).
std::vector<TShotPick> PickShotFrames(const std::vector<TShotFrame>& frames, const std::vector<int>& cuts, int room);

struct TShotScanOptions
{
    int decoders = 0;           // 0: TRangeReader::DefaultDecoderCount(); 1: one pass
    int decoderThreads = 0;     // FFmpeg's own threads in each decoder (0: one per core)
};

// Called now and then from the scanning thread's caller with the
// milliseconds of the stretch covered so far and in all; false cancels.
using TScanProgress = std::function<bool(int done, int total)>;

// Decodes every frame of [start, end] of the movie (kept inside it) with
// decoders of its own opened on the movie's file, and returns the frames'
// numbers in order. With several decoders the stretch is cut at key frames
// the container's index knows, each part decoded by one, and the parts
// joined. nullopt when cancelled; an empty list when nothing could be
// decoded.
std::optional<std::vector<TShotFrame>> ScanShotFrames(const TMovieDecoder& movie, int start, int end,
                                                      const TShotScanOptions& options = {},
                                                      const TScanProgress& progress = {});

// The numbers of the stretches scanned for one movie, so that a second run
// over a stretch already scanned decodes nothing. Forgotten when another
// movie is opened (Reset).
class TShotScoreCache
{
public:
    void Reset(const QString& fileName = {});
    // The frames of [start, end] when a scan covered it.
    std::optional<std::vector<TShotFrame>> Find(const QString& fileName, int start, int end) const;
    void Keep(const QString& fileName, int start, int end, std::vector<TShotFrame> frames);

private:
    struct TScan
    {
        int start = 0;
        int end = 0;
        std::vector<TShotFrame> frames;
    };
    QString movie;
    std::vector<TScan> scans;
};

#pragma once

#include <QFile>
#include <QImage>
#include <QString>

#include <sys/stat.h>

#include <vector>

class TSafetyBitmap;

// Why an open failed. The window shows one message for every reason;
// pellumo-grab names it.
enum class TOpenError {
    None,
    NotRegularFile,  // missing, a folder, a FIFO or a device
    Unreadable,      // not a container either back end reads, or no picture decodes
    NoVideoStream,
    ExcludedCodec,   // left to the AVI back end, which could not serve it either
    TooLarge,        // pictures over 8192 pixels a side
    UnknownDuration,
    TooShort,        // 40 ms or less
    TooLong,         // beyond 32-bit milliseconds (about 24.8 days)
};

// One way of decoding a video file. The movie decoder owns one of each kind
// and dispatches to the one that opened the current file. Positions and
// durations are milliseconds; failures are reported as false or -1, never
// raised.
class TMovieBackend
{
public:
    virtual ~TMovieBackend() = default;

    // Opens the file and prepares frame (24 bits, the video's size, black).
    // On failure OpenError() says why.
    virtual bool Open(const QString& fileName, TSafetyBitmap& frame) = 0;
    TOpenError OpenError() const { return openError; }
    // Releases everything the back end holds; false when a release failed.
    virtual bool Close() = 0;
    virtual int Duration() const = 0;
    virtual int FrameWidth() const = 0;
    virtual int FrameHeight() const = 0;
    // Makes the frame for the position the current frame.
    virtual bool SeekTo(int position) = 0;
    // Converts the current frame into frame.
    virtual bool RenderFrame(TSafetyBitmap& frame) = 0;
    // A small picture of the current frame, at most maxWidth pixels wide
    // (TFrameConversion::ConvertReduced); false where the back end has no
    // quicker way than RenderFrame.
    virtual bool RenderReduced(QImage& /*picture*/, int /*maxWidth*/) { return false; }

    // Frame by frame: makes the frame that follows (precedes) the current
    // one in presentation order the current frame. False at either end of
    // the video, where the current frame stays, or on failure.
    virtual bool NextFrame() = 0;
    virtual bool PreviousFrame() = 0;
    // NextFrame for a scan that never steps back: the frames passed are not
    // kept for PreviousFrame.
    virtual bool NextFrameUnkept() { return NextFrame(); }
    // The position of the current frame: its own time in milliseconds,
    // rounded so that fetching the position gives this very frame back, at
    // most the duration; -1 without a current frame.
    virtual int FramePosition() const = 0;
    // The positions of the key frames the container's index knows, in
    // milliseconds, ascending; empty where it knows none or where its
    // entries are not key frames (demuxers that seek by searching).
    virtual std::vector<int> KeyFramePositions() const { return {}; }

    // The picture as stored (no turn by the display matrix, no square
    // pixels) from the next open on; colours are converted all the same.
    virtual void SetStoredPixels(bool) {}
    // What was done to the stored picture to show it (turn, aspect, colours),
    // for the provenance of saved pictures; empty when nothing was.
    virtual QString PictureCorrection() const { return {}; }

    // Videos are regular files: opening a FIFO blocks until a writer comes,
    // and a device may never end.
    static bool IsRegularFile(const QString& fileName)
    {
        struct stat info {};
        return !fileName.isEmpty() && ::stat(QFile::encodeName(fileName).constData(), &info) == 0
               && S_ISREG(info.st_mode);
    }

protected:
    // Records why the open failed; returns false for the caller to return.
    bool Refuse(TOpenError reason)
    {
        openError = reason;
        return false;
    }

    TOpenError openError = TOpenError::None;
};

#pragma once

#include "decoder/UMovieBackend.h"
#include "picture/TSafetyBitmap.h"

#include <QString>
#include <memory>


// Opens one video at a time and delivers the picture at any millisecond
// position as a 24-bit bitmap. The FFmpeg back end is tried first; a file it
// refuses is offered to the AVI back end. Failures are false or -1.
class TMovieDecoder
{
public:
    // decoderThreads: FFmpeg's own decoding threads (0: one per core).
    explicit TMovieDecoder(int decoderThreads = 0);
    ~TMovieDecoder();
    TMovieDecoder(const TMovieDecoder&) = delete;
    TMovieDecoder& operator=(const TMovieDecoder&) = delete;

    bool Open(const QString& fileName);
    bool Close();
    // Why the last Open failed (None after a successful one).
    TOpenError OpenError() const { return openError; }

    bool Active() const { return active; }
    const QString& FileName() const { return fileName; }
    bool UseAviFile() const { return useAviFile; }

    int Duration() const;
    int FrameWidth() const;
    int FrameHeight() const;

    // Pictures as stored, without the display matrix's turn and square
    // pixels, from the next Open on (pellumo-grab --stored-pixels).
    void SetStoredPixels(bool stored);
    bool StoredPixels() const { return storedPixels; }
    // What was done to the stored picture of the open video to show it
    // upright, in square pixels and in sRGB ("rotated 90° clockwise; ...");
    // empty when nothing was.
    QString PictureCorrection() const;

    bool SeekTo(int position);
    bool RenderFrame();
    bool FetchFrame(int position);

    // Frame by frame: renders the frame after (before) the one on screen in
    // presentation order. False at either end, the frame unchanged.
    bool NextFrame();
    bool PreviousFrame();
    // Scanning a stretch frame by frame: steps to the next frame and
    // delivers only a small picture of it, at most maxWidth pixels wide
    // (as stored, not turned; BGR). FrameBitmap() is not brought up to
    // date, and the frames passed are not kept for PreviousFrame. False at
    // the end or on failure.
    bool NextFrameReduced(QImage& picture, int maxWidth);
    // The same small picture of the frame rendered last.
    bool RenderReduced(QImage& picture, int maxWidth);
    // The position of the frame on screen: fetching it gives this frame.
    int FramePosition() const;
    // Key frames the container's index knows (ms, ascending); may be empty.
    std::vector<int> KeyFramePositions() const;

    // The picture of the last rendered frame; one object for the decoder's
    // life. Callers copy it.
    const TSafetyBitmap& FrameBitmap() const { return frameBitmap; }

private:
    TMovieBackend* CurrentBackend() const;

    QString fileName;
    bool active = false;
    bool useAviFile = false;
    bool storedPixels = false;
    TOpenError openError = TOpenError::None;
    TSafetyBitmap frameBitmap;
    std::unique_ptr<TMovieBackend> ffmpegBackend;
    std::unique_ptr<TMovieBackend> aviBackend;
};

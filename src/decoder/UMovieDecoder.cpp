#include "decoder/UMovieDecoder.h"

#include "decoder/UAviBackend.h"
#include "decoder/UFFmpegBackend.h"
#include "decoder/UFFmpegLog.h"

TMovieDecoder::TMovieDecoder(int decoderThreads)
    : ffmpegBackend(std::make_unique<TFFmpegBackend>(decoderThreads))
    , aviBackend(std::make_unique<TAviBackend>())
{
    RouteFFmpegLog();
}

TMovieDecoder::~TMovieDecoder()
{
    if (active)
        Close();
}

TMovieBackend* TMovieDecoder::CurrentBackend() const
{
    return useAviFile ? aviBackend.get() : ffmpegBackend.get();
}

bool TMovieDecoder::Open(const QString& name)
{
    if (active)
        Close();
    useAviFile = false;
    openError = TOpenError::None;
    if (!TMovieBackend::IsRegularFile(name)) {
        openError = TOpenError::NotRegularFile;
        return false;
    }
    if (ffmpegBackend && ffmpegBackend->Open(name, frameBitmap)) {
        fileName = name;
        active = true;
        return true;
    }
    if (aviBackend->Open(name, frameBitmap)) {
        useAviFile = true;
        fileName = name;
        active = true;
        return true;
    }
    // The AVI back end's reason where it knew the file better.
    const TOpenError ffmpegError = ffmpegBackend ? ffmpegBackend->OpenError() : TOpenError::Unreadable;
    const TOpenError aviError = aviBackend->OpenError();
    openError = ffmpegError == TOpenError::Unreadable && aviError != TOpenError::None ? aviError : ffmpegError;
    return false;
}

bool TMovieDecoder::Close()
{
    if (!active)
        return true;
    bool released = true;
    if (ffmpegBackend)
        released = ffmpegBackend->Close();
    aviBackend->Close();
    fileName.clear();
    active = false;
    return released;
}

int TMovieDecoder::Duration() const
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend ? backend->Duration() : -1;
}

int TMovieDecoder::FrameWidth() const
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend ? backend->FrameWidth() : -1;
}

int TMovieDecoder::FrameHeight() const
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend ? backend->FrameHeight() : -1;
}

bool TMovieDecoder::SeekTo(int position)
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend && backend->SeekTo(position);
}

bool TMovieDecoder::RenderFrame()
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend && backend->RenderFrame(frameBitmap);
}

bool TMovieDecoder::FetchFrame(int position)
{
    return active && SeekTo(position) && RenderFrame();
}

bool TMovieDecoder::NextFrame()
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend && backend->NextFrame() && RenderFrame();
}

bool TMovieDecoder::NextFrameReduced(QImage& picture, int maxWidth)
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend && backend->NextFrameUnkept() && RenderReduced(picture, maxWidth);
}

bool TMovieDecoder::RenderReduced(QImage& picture, int maxWidth)
{
    TMovieBackend* backend = CurrentBackend();
    if (!active || !backend || maxWidth <= 0)
        return false;
    if (backend->RenderReduced(picture, maxWidth))
        return true;
    // Back ends without a quick way: the whole picture, then reduced.
    if (!backend->RenderFrame(frameBitmap) || frameBitmap.Image().isNull())
        return false;
    const QImage& whole = frameBitmap.Image();
    picture = whole.width() > maxWidth ? whole.scaledToWidth(maxWidth, Qt::SmoothTransformation) : whole;
    picture = picture.convertToFormat(QImage::Format_BGR888);
    return !picture.isNull();
}

bool TMovieDecoder::PreviousFrame()
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend && backend->PreviousFrame() && RenderFrame();
}

int TMovieDecoder::FramePosition() const
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend ? backend->FramePosition() : -1;
}

void TMovieDecoder::SetStoredPixels(bool stored)
{
    storedPixels = stored;
    if (ffmpegBackend)
        ffmpegBackend->SetStoredPixels(stored);
}

QString TMovieDecoder::PictureCorrection() const
{
    return active ? CurrentBackend()->PictureCorrection() : QString();
}

std::vector<int> TMovieDecoder::KeyFramePositions() const
{
    TMovieBackend* backend = CurrentBackend();
    return active && backend ? backend->KeyFramePositions() : std::vector<int>{};
}

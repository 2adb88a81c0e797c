#include "app/TPlaybackController.h"

#include "app/UPlaybackClock.h"
#include "app/UWaitCursor.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/USharpestFrame.h"
#include "support/ULog.h"

#include <QAbstractSlider>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int TickInterval = 97;

} // namespace

TPlaybackController::TPlaybackController(QAbstractSlider& bar, QObject* parent)
    : QObject(parent), bar(bar), decoder(std::make_unique<TMovieDecoder>()),
      tickSource(std::make_unique<TSystemTickSource>())
{
    playStartTick = tickSource->TickCount();
    timer = new QTimer(this);
    timer->setObjectName("Timer2");
    timer->setInterval(TickInterval);
    connect(timer, &QTimer::timeout, this, &TPlaybackController::Tick);
    connect(&bar, &QAbstractSlider::valueChanged, this, &TPlaybackController::BarChanged);
    connect(&bar, &QAbstractSlider::sliderReleased, this, &TPlaybackController::RebaseClock);
}

TPlaybackController::~TPlaybackController() = default;

bool TPlaybackController::Ticking() const
{
    return timer->isActive();
}

void TPlaybackController::SetTickSource(std::unique_ptr<TTickSource> source)
{
    tickSource = std::move(source);
    playStartTick = tickSource->TickCount();
}

TPlaybackController::TOpenResult TPlaybackController::Open(const QString& path)
{
    if (splitRunning)
        return TOpenResult::Refused; // the split's positions belong to the open movie
    timer->stop();
    if (playState == TPlayState::Playing)
        playState = TPlayState::Paused; // without the timer nothing plays: show Play
    tickBusy = false;
    fetchBusy = false;
    if (!QFileInfo(path).isFile()) {
        emit PlayStateChanged();
        return TOpenResult::NotAFile;
    }
    playState = TPlayState::Paused;
    frameShown = false;
    bar.setEnabled(false);
    TOpenResult result = TOpenResult::Failed;
    if (decoder->Open(path)) {
        bar.setValue(0);
        bar.setMinimum(0);
        bar.setMaximum(std::max(decoder->Duration(), 0));
        playState = TPlayState::Playing;
        lastFetchedPosition = -1;
        framePosition = -1;
        decoderBehindScreen = false;
        moviePath = path;
        timer->start();
        bar.setEnabled(true);
        playStartTick = tickSource->TickCount();
        result = TOpenResult::Opened;
    } else {
        // The previous movie is closed: none of its pictures or positions
        // stay on screen.
        moviePath.clear();
        currentFrame = TSafetyBitmap();
        framePosition = -1;
        lastFetchedPosition = -1;
        bar.setRange(0, 0);
    }
    emit FrameChanged();
    emit PlayStateChanged();
    return result;
}

void TPlaybackController::Tick()
{
    if (tickBusy)
        return;
    TBusyMark busy(tickBusy);
    if (!decoder->Active() || playState != TPlayState::Playing || splitRunning)
        return;
    if (bar.isSliderDown()) {
        // While the user holds the handle the bar follows the mouse only,
        // and the time it is held does not count as played.
        RebaseClock();
        return;
    }
    const qint32 elapsed = TTickSource::Elapsed(playStartTick, tickSource->TickCount());
    if (elapsed < bar.maximum()) {
        Seek(std::max(elapsed, 0));
    } else if (frameShown) {
        // The end goes back to the first frame and pauses there (before the
        // first frame is shown there is nothing to rewind or pause).
        Rewind();
        Pause();
    }
}

void TPlaybackController::RebaseClock()
{
    playStartTick = tickSource->TickCount() - static_cast<quint32>(bar.value());
}

void TPlaybackController::Seek(int position)
{
    // The bar clamps and reports a change only when its value really moves.
    bar.setValue(position);
}

void TPlaybackController::SeekAndShow(int position)
{
    Seek(position);
    BarChanged(); // the bar may already stand there (a movie opens at 0)
}

void TPlaybackController::BarChanged()
{
    if (barBusy)
        return;
    TBusyMark busy(barBusy);
    if (!decoder->Active())
        return;
    const int position = bar.value();
    RebaseClock();
    emit PositionShown(position);
    if (position != lastFetchedPosition) {
        lastFetchedPosition = position;
        ShowFrameAtPosition();
        frameShown = true; // the controls stay usable even when the fetch failed
    }
}

void TPlaybackController::ShowFrameAtPosition()
{
    if (fetchBusy || !decoder->Active())
        return;
    TBusyMark busy(fetchBusy);
    decoderBehindScreen = false;
    try {
        int position = bar.value();
        frameShown = false;
        const int duration = decoder->Duration();
        if (position >= duration)
            position = duration - 1;
        framePosition = -1;
        if (decoder->FetchFrame(position))
            TakeDecoderFrame(bar.value());
        emit FrameChanged();
    } catch (...) {
        // A failed fetch keeps the previous picture on screen.
        LogDroppedError("showing the frame");
    }
}

// position: the bar position that fetches this very frame again (a scene's
// origin), or -1 when the decoder cannot tell.
void TPlaybackController::TakeDecoderFrame(int position)
{
    // A copy of its own: the decoder writes the next frame into its bitmap.
    TSafetyBitmap frame;
    frame.SetImage(decoder->FrameBitmap().Image().copy());
    currentFrame = std::move(frame);
    framePosition = position;
    frameShown = true;
}

void TPlaybackController::Play()
{
    playState = TPlayState::Playing;
    timer->start();
    RebaseClock();
    emit PlayStateChanged();
}

void TPlaybackController::Pause()
{
    playState = TPlayState::Paused;
    timer->stop();
    emit PlayStateChanged();
}

void TPlaybackController::Rewind()
{
    Seek(0);
    emit PositionShown(0);
    playStartTick = tickSource->TickCount();
}

void TPlaybackController::StepBy(int direction, int unitMs)
{
    const qint64 target = static_cast<qint64>(bar.value()) + static_cast<qint64>(direction) * unitMs;
    Seek(static_cast<int>(std::clamp<qint64>(target, 0, bar.maximum())));
}

// Frame by frame and the sharpest frame ask the decoder for a frame rather
// than a position: the frame is shown as the decoder delivers it and the bar
// then moves to the frame's own position, marked as fetched, so that moving
// it fetches nothing again.

// After the automatic split the frame on screen came from the split's own
// decoders: the movie decoder is brought to it before stepping from it.
void TPlaybackController::CatchUpDecoder()
{
    if (!decoderBehindScreen)
        return;
    decoderBehindScreen = false;
    decoder->FetchFrame(std::clamp(lastFetchedPosition, 0, std::max(decoder->Duration() - 1, 0)));
}

void TPlaybackController::ShowDecodedFrame()
{
    decoderBehindScreen = false;
    const int position = decoder->FramePosition();
    TakeDecoderFrame(position);
    if (position >= 0) {
        lastFetchedPosition = std::min(position, bar.maximum());
        Seek(position);
        // The bar may not move (the frame lies at its end); the label shows
        // the frame's time all the same.
        emit PositionShown(bar.value());
    }
    emit FrameChanged();
}

void TPlaybackController::StepFrame(bool forward)
{
    if (fetchBusy || !decoder->Active())
        return;
    bool stepped = false;
    {
        TBusyMark busy(fetchBusy);
        CatchUpDecoder();
        stepped = forward ? decoder->NextFrame() : decoder->PreviousFrame();
    }
    if (stepped)
        ShowDecodedFrame(); // at either end nothing changes
}

void TPlaybackController::ShowSharpestFrame()
{
    if (fetchBusy || !decoder->Active())
        return;
    const TWaitCursor wait;
    {
        TBusyMark busy(fetchBusy);
        FindSharpestFrame(*decoder, bar.value());
    }
    ShowDecodedFrame();
}

bool TPlaybackController::ShowSplitFrame(int position, const TSafetyBitmap* picture)
{
    // The bar moves without fetching again.
    lastFetchedPosition = position;
    Seek(position);
    decoderBehindScreen = true;
    framePosition = -1;
    frameShown = true;
    if (picture) {
        currentFrame = *picture;
        framePosition = position;
    }
    emit FrameChanged();
    // A frame that could not be fetched leaves an earlier picture on screen,
    // which is not the frame at this position.
    return framePosition == position;
}

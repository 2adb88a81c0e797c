#pragma once

#include "app/UBusyMark.h"
#include "picture/TSafetyBitmap.h"

#include <QObject>
#include <QString>
#include <memory>

class QAbstractSlider;
class QTimer;
class TMovieDecoder;
class TTickSource;

// The open movie and the frame on screen: the decoder, the playback clock and
// its tick timer, the play state and the picture shown with its position.
//
// The position bar is the single source of truth for the place in the movie:
// playback, stepping and rewinding only move the bar, and every real change of
// the bar fetches and shows the frame there. The controller drives the bar it
// is given; the window only draws what the signals announce.
class TPlaybackController : public QObject
{
    Q_OBJECT
public:
    enum class TPlayState { None, Paused, Playing };
    enum class TOpenResult { Refused, NotAFile, Opened, Failed };

    // bar: the position bar (its range is set here on opening).
    explicit TPlaybackController(QAbstractSlider& bar, QObject* parent = nullptr);
    ~TPlaybackController() override;

    // Makes path the open movie and starts playing it from the beginning.
    // Refused (the split runs) changes nothing; NotAFile only pauses
    // playing; Failed closes the movie that was open.
    TOpenResult Open(const QString& path);

    TPlayState PlayState() const { return playState; }
    // The tick timer runs (the movie plays).
    bool Ticking() const;
    const QString& MoviePath() const { return moviePath; }
    const TMovieDecoder& Decoder() const { return *decoder; }
    // Some frame has been shown since the movie was opened.
    bool FrameShown() const { return frameShown; }
    // The bar position whose frame CurrentFrame holds; -1 when the last
    // fetch failed (the picture on screen is then an earlier one).
    int FramePosition() const { return framePosition; }
    const TSafetyBitmap& CurrentFrame() const { return currentFrame; }
    // A frame is being fetched: the picture on screen is being replaced.
    bool Fetching() const { return fetchBusy; }

    // The playback clock's source; the system's monotonic clock by default.
    void SetTickSource(std::unique_ptr<TTickSource> source);
    // One playback tick (the timer runs it every 97 ms while playing).
    void Tick();

    void Play();
    void Pause();
    // Back to the first frame; playing goes on from there.
    void Rewind();
    // Moves the bar (which fetches the frame there when it really moves).
    void Seek(int position);
    // Moves the bar and shows its frame even when it stands there already.
    void SeekAndShow(int position);
    // Moves the bar by direction * unitMs, clamped to the movie.
    void StepBy(int direction, int unitMs);
    // One decoded frame forward or back; nothing changes at either end.
    void StepFrame(bool forward);
    // The sharpest frame near the bar's position.
    void ShowSharpestFrame();
    // Playing goes on from the bar's position as of now.
    void RebaseClock();

    // While the automatic split runs, ticks and opening wait for it.
    [[nodiscard]] TBusyMark HoldForSplit() { return TBusyMark(splitRunning); }
    bool SplitRunning() const { return splitRunning; }
    // Shows a frame the split read with its own decoders at position
    // (picture nullptr: it could not be fetched); true when that frame is
    // the one on screen.
    bool ShowSplitFrame(int position, const TSafetyBitmap* picture);

signals:
    // The picture on screen changed (or is being replaced): repaint.
    void FrameChanged();
    // The time label shows position.
    void PositionShown(int position);
    // Playing started or stopped: the commands' enabling changes.
    void PlayStateChanged();

private:
    void BarChanged();
    void ShowFrameAtPosition();
    void TakeDecoderFrame(int position);
    void ShowDecodedFrame();
    void CatchUpDecoder();

    QAbstractSlider& bar;
    std::unique_ptr<TMovieDecoder> decoder;
    std::unique_ptr<TTickSource> tickSource;
    QTimer* timer = nullptr;
    QString moviePath;
    TPlayState playState = TPlayState::None;
    quint32 playStartTick = 0;
    int lastFetchedPosition = -1;
    bool frameShown = false;
    int framePosition = -1;
    TSafetyBitmap currentFrame;
    bool decoderBehindScreen = false; // the frame on screen came from the split's own decoders
    bool splitRunning = false;
    bool fetchBusy = false; // a frame is being fetched
    bool tickBusy = false;  // the timer's running-tick guard
    bool barBusy = false;   // the bar's change guard
};

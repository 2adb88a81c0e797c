// TfrmKadrix: opening a movie, the frame on screen, playback and stepping.
//
// The position bar is the single source of truth for the place in the movie:
// playback, stepping and rewinding only move the bar, and every real change of
// the bar fetches and shows the frame there.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UBusyMark.h"
#include "support/UFormatPosition.h"
#include "app/UFrameGeometry.h"
#include "app/UPlaybackClock.h"
#include "decoder/UMovieDecoder.h"
#include "picture/UDeinterlace.h"
#include "support/ULog.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"
#include "widgets/UHistoryManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

namespace {

const QString OpenFailedMessage = QStringLiteral("動画シーンの取得ができませんでした。");
constexpr int StepUnits[] = {600000, 60000, 20000, 10000, 5000, 2000, 1000, 500, 100};

} // namespace

int TfrmKadrix::StepUnitMs(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(StepUnits)))
        return 0;
    return StepUnits[index];
}

void TfrmKadrix::SetTickSource(std::unique_ptr<TTickSource> source)
{
    tickSource = std::move(source);
    playStartTick = tickSource->TickCount();
}

void TfrmKadrix::OpenMovie(const QString& path, bool noHistory)
{
    if (autoSplitRunning)
        return; // the split's positions belong to the open movie
    timer2->stop();
    if (playState == TPlayState::Playing)
        playState = TPlayState::Paused; // without the timer nothing plays: show Play
    timer2Busy = false;
    fetchBusy = false;
    if (QFileInfo(path).isFile()) {
        playState = TPlayState::Paused;
        frameShown = false;
        ui.TrackBar1->setEnabled(false);
        if (movieDecoder->Open(path)) {
            ui.TrackBar1->setValue(0);
            ui.TrackBar1->setMinimum(0);
            ui.TrackBar1->setMaximum(std::max(movieDecoder->Duration(), 0));
            ResetSplitRange();
            ui.lblCurPos->setText(FormatPosition(0));
            ui.lblStopPos->setText(FormatPosition(ui.TrackBar1->maximum()));
            playState = TPlayState::Playing;
            lastFetchedPosition = -1;
            framePosition = -1;
            decoderBehindScreen = false;
            moviePath = path;
            timer2->start();
            ui.TrackBar1->setEnabled(true);
            playStartTick = tickSource->TickCount();
            ui.lblPicSize->setText(
                QString::asprintf("%d x %d", movieDecoder->FrameWidth(), movieDecoder->FrameHeight()));
            ui.PaintBox1->update();
            if (!noHistory)
                hmOpenHistory->Add(path);
        } else {
            // The previous movie is closed: none of its pictures, positions
            // or range stay on screen under the blank labels.
            playState = TPlayState::Paused;
            moviePath.clear();
            currentFrame = TSafetyBitmap();
            framePosition = -1;
            lastFetchedPosition = -1;
            ui.TrackBar1->setRange(0, 0);
            ResetSplitRange();
            ui.PaintBox1->update();
            ui.lblPicSize->clear();
            ui.lblCurPos->clear();
            ui.lblStopPos->clear();
            TDialogs::Current().Notify(this, windowTitle(), OpenFailedMessage);
            hmOpenHistory->Remove(path);
        }
        // The button's popup follows the File menu's list.
        hmOpenHistoryButton->RebuildMenu();
    }
    ui.edFileName->setText(QFileInfo(moviePath).fileName());
}

void TfrmKadrix::Timer2Timer()
{
    if (timer2Busy)
        return;
    TBusyMark busy(timer2Busy);
    if (!movieDecoder->Active() || playState != TPlayState::Playing || autoSplitRunning)
        return;
    if (ui.TrackBar1->isSliderDown()) {
        // While the user holds the handle the bar follows the mouse only,
        // and the time it is held does not count as played.
        RebaseClock();
        return;
    }
    const qint32 elapsed = TTickSource::Elapsed(playStartTick, tickSource->TickCount());
    if (elapsed >= ui.TrackBar1->maximum()) {
        // The end goes back to the first frame and pauses there.
        actions.actRewind->Execute();
        actions.actPause->Execute();
    } else {
        SetBarPosition(std::max(elapsed, 0));
    }
}

void TfrmKadrix::RebaseClock()
{
    // Playing goes on from the bar's position as of now.
    playStartTick = tickSource->TickCount() - static_cast<quint32>(ui.TrackBar1->value());
}

void TfrmKadrix::SetBarPosition(int position)
{
    // The bar clamps and reports a change only when its value really moves.
    ui.TrackBar1->setValue(position);
}

void TfrmKadrix::TrackBar1Change()
{
    if (trackBar1Busy)
        return;
    TBusyMark busy(trackBar1Busy);
    if (!movieDecoder->Active())
        return;
    const int position = ui.TrackBar1->value();
    RebaseClock();
    ui.lblCurPos->setText(FormatPosition(position));
    if (position != lastFetchedPosition) {
        lastFetchedPosition = position;
        ShowFrameAtPosition();
        frameShown = true; // the controls stay usable even when the fetch failed
    }
}

void TfrmKadrix::ShowFrameAtPosition()
{
    if (fetchBusy || !movieDecoder->Active())
        return;
    TBusyMark busy(fetchBusy);
    decoderBehindScreen = false;
    try {
        int position = ui.TrackBar1->value();
        frameShown = false;
        const int duration = movieDecoder->Duration();
        if (position >= duration)
            position = duration - 1;
        framePosition = -1;
        if (movieDecoder->FetchFrame(position))
            TakeDecoderFrame(ui.TrackBar1->value());
        ui.PaintBox1->update();
    } catch (...) {
        // A failed fetch keeps the previous picture on screen.
        LogDroppedError("showing the frame");
    }
}

// position: the bar position that fetches this very frame again (a scene's
// origin), or -1 when the decoder cannot tell.
void TfrmKadrix::TakeDecoderFrame(int position)
{
    // A copy of its own: the decoder writes the next frame into its bitmap.
    TSafetyBitmap frame;
    frame.SetImage(movieDecoder->FrameBitmap().Image().copy());
    currentFrame = std::move(frame);
    framePosition = position;
    frameShown = true;
}

void TfrmKadrix::PaintBox1Paint(QPainter& painter)
{
    if (fetchBusy)
        return; // never draw a frame that is being replaced
    painter.fillRect(ui.PaintBox1->rect(), Qt::black);
    if (currentFrame.Empty())
        return;
    const QImage* picture = &currentFrame.Image();
    TSafetyBitmap deinterlaced;
    if (ui.chkDeinterlace->isChecked()) {
        deinterlaced.SetImage(currentFrame.Image().copy());
        DeinterlaceBitmap(deinterlaced);
        picture = &deinterlaced.Image();
    }
    const QRect target = FitRectCentered(picture->width(), picture->height(), ui.Panel1->width(), ui.Panel1->height());
    // Filtered scaling keeps thin lines of large frames visible in the small
    // area; it costs well under a millisecond more than plain sampling.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, *picture);
}

void TfrmKadrix::chkDeinterlaceClick()
{
    ui.PaintBox1->update();
    // The thumbnails follow the box; the captured pictures stay as taken.
    captureStore->SetDeinterlace(ui.chkDeinterlace->isChecked());
    captureStore->CustomImagePack1().Reset();
}

void TfrmKadrix::actPlayExecute()
{
    playState = TPlayState::Playing;
    timer2->start();
    RebaseClock();
}

void TfrmKadrix::actPauseExecute()
{
    playState = TPlayState::Paused;
    timer2->stop();
}

void TfrmKadrix::actRewindExecute()
{
    SetBarPosition(0);
    ui.lblCurPos->setText(FormatPosition(0));
    playStartTick = tickSource->TickCount();
}

void TfrmKadrix::StepBy(int direction)
{
    const int step = StepUnitMs(ui.cmbStepUnit->currentIndex());
    const qint64 target = static_cast<qint64>(ui.TrackBar1->value()) + static_cast<qint64>(direction) * step;
    SetBarPosition(static_cast<int>(std::clamp<qint64>(target, 0, ui.TrackBar1->maximum())));
}

void TfrmKadrix::actStepNextExecute()
{
    StepBy(+1);
}

void TfrmKadrix::actStepPrevExecute()
{
    StepBy(-1);
}

// Qt disables hidden actions, so each rule settles visibility first and then
// sets the enabled state it computed.
void TfrmKadrix::actPlayUpdate(TAction& action)
{
    const bool enabled = frameShown && playState == TPlayState::Paused;
    if (frameShown) {
        action.setVisible(enabled);
        actions.actPause->setVisible(!enabled);
    }
    action.setEnabled(enabled);
}

void TfrmKadrix::actPauseUpdate(TAction& action)
{
    const bool enabled = frameShown && playState == TPlayState::Playing;
    action.setVisible(enabled);
    if (frameShown)
        actions.actPlay->setVisible(!enabled);
    action.setEnabled(enabled);
}

void TfrmKadrix::actRewindUpdate(TAction& action)
{
    action.setEnabled(frameShown && playState != TPlayState::None);
    action.setVisible(true);
}

void TfrmKadrix::actStepUpdate(TAction& action)
{
    action.setEnabled(frameShown && playState == TPlayState::Paused);
    if (&action == actions.actStepNext)
        ui.cmbStepUnit->setEnabled(action.isEnabled());
}

// TfrmKadrix: opening a movie, the frame on screen, playback and stepping.
// The playback controller holds the movie and moves the bar; the window shows
// what it announces and decides when its commands are enabled.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "app/UFrameGeometry.h"
#include "decoder/UMovieDecoder.h"
#include "picture/UDeinterlace.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"
#include "widgets/UHistoryManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

using TPlayState = TPlaybackController::TPlayState;

const QString OpenFailedMessage = QStringLiteral("動画シーンの取得ができませんでした。");
constexpr int StepUnits[] = {600000, 60000, 20000, 10000, 5000, 2000, 1000, 500, 100};

// The step of cmbStepUnit's entry index, in milliseconds.
int StepUnitMs(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(StepUnits)))
        return 0;
    return StepUnits[index];
}

} // namespace

void TfrmKadrix::ConnectPlayback()
{
    playback = new TPlaybackController(*ui.TrackBar1, this);
    playback->setObjectName("playback");
    connect(playback, &TPlaybackController::FrameChanged, ui.PaintBox1, qOverload<>(&QWidget::update));
    connect(playback, &TPlaybackController::PositionShown, this,
            [this](int position) { ui.lblCurPos->setText(FormatPosition(position)); });
    connect(playback, &TPlaybackController::PlayStateChanged, this, &TfrmKadrix::UpdateAllActions);
}

void TfrmKadrix::OpenMovie(const QString& path, bool noHistory)
{
    switch (playback->Open(path)) {
    case TPlaybackController::TOpenResult::Refused:
        return;
    case TPlaybackController::TOpenResult::NotAFile:
        break;
    case TPlaybackController::TOpenResult::Opened: {
        ResetSplitRange();
        ui.lblCurPos->setText(FormatPosition(0));
        ui.lblStopPos->setText(FormatPosition(ui.TrackBar1->maximum()));
        const TMovieDecoder& decoder = playback->Decoder();
        ui.lblPicSize->setText(QString::asprintf("%d x %d", decoder.FrameWidth(), decoder.FrameHeight()));
        if (!noHistory)
            hmOpenHistory->Add(path);
        // The button's popup follows the File menu's list.
        hmOpenHistoryButton->RebuildMenu();
        break;
    }
    case TPlaybackController::TOpenResult::Failed:
        // No range or times of the closed movie stay under its blank picture.
        ResetSplitRange();
        ui.lblPicSize->clear();
        ui.lblCurPos->clear();
        ui.lblStopPos->clear();
        TDialogs::Current().Notify(this, windowTitle(), OpenFailedMessage);
        hmOpenHistory->Remove(path);
        hmOpenHistoryButton->RebuildMenu();
        break;
    }
    ui.edFileName->setText(QFileInfo(playback->MoviePath()).fileName());
}

void TfrmKadrix::PaintBox1Paint(QPainter& painter)
{
    if (playback->Fetching())
        return; // never draw a frame that is being replaced
    painter.fillRect(ui.PaintBox1->rect(), Qt::black);
    const TSafetyBitmap& currentFrame = playback->CurrentFrame();
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

void TfrmKadrix::ConnectPlaybackCommands()
{
    const auto step = [this](int direction) {
        return [this, direction] { playback->StepBy(direction, StepUnitMs(ui.cmbStepUnit->currentIndex())); };
    };
    actions.actPlay->Bind([this] { playback->Play(); }, std::bind_front(&TfrmKadrix::actPlayUpdate, this));
    actions.actPause->Bind([this] { playback->Pause(); }, std::bind_front(&TfrmKadrix::actPauseUpdate, this));
    actions.actRewind->Bind([this] { playback->Rewind(); }, [this](TAction& action) {
        action.setEnabled(playback->FrameShown() && playback->PlayState() != TPlayState::None);
        action.setVisible(true);
    });
    actions.actStepNext->Bind(step(+1), std::bind_front(&TfrmKadrix::actStepUpdate, this));
    actions.actStepPrev->Bind(step(-1), std::bind_front(&TfrmKadrix::actStepUpdate, this));
    connect(ui.chkDeinterlace, &QCheckBox::clicked, this, &TfrmKadrix::chkDeinterlaceClick);
}

// Qt disables hidden actions, so each rule settles visibility first and then
// sets the enabled state it computed.
void TfrmKadrix::actPlayUpdate(TAction& action)
{
    const bool enabled = playback->FrameShown() && playback->PlayState() == TPlayState::Paused;
    if (playback->FrameShown()) {
        action.setVisible(enabled);
        actions.actPause->setVisible(!enabled);
    }
    action.setEnabled(enabled);
}

void TfrmKadrix::actPauseUpdate(TAction& action)
{
    const bool enabled = playback->FrameShown() && playback->PlayState() == TPlayState::Playing;
    action.setVisible(enabled);
    if (playback->FrameShown())
        actions.actPlay->setVisible(!enabled);
    action.setEnabled(enabled);
}

void TfrmKadrix::actStepUpdate(TAction& action)
{
    action.setEnabled(playback->FrameShown() && playback->PlayState() == TPlayState::Paused);
    if (&action == actions.actStepNext)
        ui.cmbStepUnit->setEnabled(action.isEnabled());
}

// TfrmKadrix: the split range on the position bar and the automatic split.
//
// The range is the bar's selection and has no other copy. The split only
// moves the bar (which fetches and shows the frame there) and captures the
// frame on screen through actCapture, so it inherits their rules: the list
// stops at 99 scenes by actCapture's own enabling rule.

#include "app/UKadrix.h"

#include "app/FSplitCount.h"
#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "app/UWaitCursor.h"
#include "decoder/TRangeReader.h"
#include "support/USplitPositions.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QToolButton>

namespace {

const QString AutoSplitQuestion = QStringLiteral(
    "この動画の先頭から等間隔に%1枚の画像を切り出します。\r\n動画の時間数によっては数分程度かかる場合もあります。"
    "\r\n\r\n切り出しを開始しますか？\r\n");
const QString AutoSplitProgressText = QStringLiteral("画像を切り出しています。");
const QString StartRangeQuestion =
    QStringLiteral("現在の再生位置(%1)を自動分割範囲の開始位置に設定します。\r\nよろしいですか？");
const QString EndRangeQuestion =
    QStringLiteral("現在の再生位置(%1)を自動分割範囲の終了位置に設定します。\r\nよろしいですか？");
const QString ResetRangeQuestion = QStringLiteral("自動分割範囲を動画の再生時間全体にリセットします。\r\nよろしいですか？");

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

void TfrmKadrix::ConnectSplitCommands()
{
    actions.actAutoCapture->Bind(
        [this] {
            QToolButton* button = ui.btnAutoCapture;
            ui.popupAutoCapture->popup(button->mapToGlobal(QPoint(0, button->height())));
        },
        [this](TAction& action) {
            action.setEnabled(captureStore->SceneCount() < 99 && playback->FrameShown() && !playback->SplitRunning());
        });
    const auto split = [this](int count) { return [this, count] { RunAutoSplit(count); }; };
    const auto start = std::bind_front(&TfrmKadrix::mnuStartSplitRangeClick, this);
    const auto end = std::bind_front(&TfrmKadrix::mnuEndSplitRangeClick, this);
    const auto reset = [this] {
        if (AskSplitRange(ResetRangeQuestion))
            ResetSplitRange();
    };
    const auto seekStart = [this] { playback->Seek(ui.TrackBar1->SelStart()); };
    const auto seekEnd = [this] { playback->Seek(ui.TrackBar1->SelEnd()); };
    const std::pair<QAction*, std::function<void()>> items[] = {
        {ui.mnuAuto8, split(8)},
        {ui.mnuAuto16, split(16)},
        {ui.mnuAuto32, split(32)},
        {ui.mnuAutoCustom,
         [this] {
             TdlgSplitCount dialog(this);
             if (TDialogs::Current().ExecuteModal(dialog) == QDialog::Accepted)
                 RunAutoSplit(dialog.Count());
         }},
        {ui.mnuAutoShots, [this] { RunShotSplit(); }},
        {ui.mnuStartSplitRange, start},
        {ui.mnuEndSplitRange, end},
        {ui.mnuResetSplitRange, reset},
        {ui.mnuSeekToStartRange, seekStart},
        {ui.mnuSeekToEndRange, seekEnd},
        // The bar's context menu runs the same handlers.
        {ui.cmStartSplitRange, start},
        {ui.cmEndSplitRange, end},
        {ui.cmResetSplitRange, reset},
        {ui.cmSeekToStartRange, seekStart},
        {ui.cmSeekToEndRange, seekEnd},
    };
    for (const auto& [item, handler] : items)
        connect(item, &QAction::triggered, this, handler);
    ui.TrackBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.TrackBar1, &QWidget::customContextMenuRequested, this, &TfrmKadrix::TrackBar1ContextPopup);
}

void TfrmKadrix::TrackBar1ContextPopup(const QPoint& mousePos)
{
    // The range commands are offered exactly when the split is.
    actions.actAutoCapture->Update();
    if (!actions.actAutoCapture->isEnabled())
        return;
    ui.cmTrackBar->popup(ui.TrackBar1->mapToGlobal(mousePos));
}

bool TfrmKadrix::AskSplitRange(const QString& question)
{
    return TDialogs::Current().AskOkCancel(this, windowTitle(), question);
}

void TfrmKadrix::mnuStartSplitRangeClick()
{
    const int position = ui.TrackBar1->value();
    if (!AskSplitRange(StartRangeQuestion.arg(FormatPosition(position))))
        return;
    int end = ui.TrackBar1->SelEnd();
    // A start at or after the end runs the range on to the end of the movie.
    if (position >= end || end == 0)
        end = ui.TrackBar1->maximum();
    ui.TrackBar1->SetSelection(position, end);
    UpdateSplitRangeDisplay();
}

void TfrmKadrix::mnuEndSplitRangeClick()
{
    const int position = ui.TrackBar1->value();
    if (!AskSplitRange(EndRangeQuestion.arg(FormatPosition(position))))
        return;
    int start = ui.TrackBar1->SelStart();
    // An end at or before the start runs the range from the beginning.
    if (start >= position)
        start = 0;
    ui.TrackBar1->SetSelection(start, position);
    UpdateSplitRangeDisplay();
}

void TfrmKadrix::ResetSplitRange()
{
    const int max = ui.TrackBar1->maximum();
    ui.TrackBar1->SetSelection(0, max);
    ui.TrackBar1->setTickInterval(max); // tick marks at the two ends only
    UpdateSplitRangeDisplay();
}

void TfrmKadrix::UpdateSplitRangeDisplay()
{
    // The bar keeps both ends as full 32-bit values (movies are longer than
    // 65535 ms); a range of 0-0 shows no band at all.
    TPositionBar& bar = *ui.TrackBar1;
    bar.SetShowSelRange(bar.SelStart() != 0 || bar.SelEnd() != 0);
}

void TfrmKadrix::RunAutoSplit(int count)
{
    if (playback->SplitRunning() || !TDialogs::Current().AskOkCancel(this, windowTitle(), AutoSplitQuestion.arg(count)))
        return;
    const TWaitCursor wait;
    const int start = ui.TrackBar1->SelStart();
    const int end = ui.TrackBar1->SelEnd();
    actions.actPause->Execute();
    actions.actRewind->Execute();
    const std::vector<int> positions = SplitPositions(start, end, count);
    const TBusyMark running = playback->HoldForSplit();
    CaptureFrames(positions); // when stopped early, the scenes taken so far stay
}

// The frames are read ahead by decoders of their own, side by side; each is
// shown and captured here, in order, unless `passOver` says otherwise.
bool TfrmKadrix::CaptureFrames(const std::vector<int>& positions,
                               const std::function<bool(const TSafetyBitmap&)>& passOver)
{
    const std::unique_ptr<TProgress> progress =
        TDialogs::Current().BeginProgress(this, windowTitle(), AutoSplitProgressText, static_cast<int>(positions.size()));
    TRangeReader reader(playback->Decoder(), positions);
    TRangeReader::TFrame frame;
    for (int done = 1; reader.Next(frame); ++done) {
        const bool passed = frame.fetched && passOver && passOver(frame.picture);
        // A frame that could not be fetched leaves an earlier picture on
        // screen, which is not the frame at this position: no scene for it.
        // A full list adds nothing and the split goes on (actCapture's rule);
        // a scene file that cannot be written ends the split.
        if (!passed && playback->ShowSplitFrame(frame.position, frame.fetched ? &frame.picture : nullptr)) {
            actions.actCapture->Update();
            if (actions.actCapture->isEnabled() && !ExecuteCapture())
                return false;
        }
        progress->Step(done);
        if (progress->Cancelled())
            return false;
    }
    return true;
}

// One position of the split, its frame read already (nullptr: it could not
// be fetched); false when the split has to stop.
bool TfrmKadrix::AutoSplitInputBlocked(QObject* watched, QEvent& event)
{
    if (!playback->SplitRunning() || !IsUserInput(event.type()) || !watched->isWidgetType())
        return false;
    const QWidget* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this)
        return false;
    // Claiming the shortcut keeps menu shortcuts from running; the key
    // itself is then dropped here.
    if (event.type() == QEvent::ShortcutOverride)
        event.accept();
    return true;
}

// TfrmKadrix: the split range on the position bar and the automatic split.
//
// The range is the bar's selection and has no other copy.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UFormatPosition.h"
#include "widgets/TPositionBar.h"

#include <QMenu>
#include <QToolButton>

namespace {

const QString StartRangeQuestion =
    QStringLiteral("現在の再生位置(%1)を自動分割範囲の開始位置に設定します。\r\nよろしいですか？");
const QString EndRangeQuestion =
    QStringLiteral("現在の再生位置(%1)を自動分割範囲の終了位置に設定します。\r\nよろしいですか？");
const QString ResetRangeQuestion = QStringLiteral("自動分割範囲を動画の再生時間全体にリセットします。\r\nよろしいですか？");

} // namespace

void TfrmKadrix::ConnectSplitCommands()
{
    SetupAction(actions.actAutoCapture, &TfrmKadrix::actAutoCaptureExecute, &TfrmKadrix::actAutoCaptureUpdate);
    // The split itself comes with the capture of scenes.
    for (QAction* later : {ui.mnuAuto8, ui.mnuAuto16, ui.mnuAuto32, ui.mnuAutoCustom})
        later->setEnabled(false);
    const std::pair<QAction*, void (TfrmKadrix::*)()> items[] = {
        {ui.mnuStartSplitRange, &TfrmKadrix::mnuStartSplitRangeClick},
        {ui.mnuEndSplitRange, &TfrmKadrix::mnuEndSplitRangeClick},
        {ui.mnuResetSplitRange, &TfrmKadrix::mnuResetSplitRangeClick},
        {ui.mnuSeekToStartRange, &TfrmKadrix::mnuSeekToStartRangeClick},
        {ui.mnuSeekToEndRange, &TfrmKadrix::mnuSeekToEndRangeClick},
        // The bar's context menu runs the same handlers.
        {ui.cmStartSplitRange, &TfrmKadrix::mnuStartSplitRangeClick},
        {ui.cmEndSplitRange, &TfrmKadrix::mnuEndSplitRangeClick},
        {ui.cmResetSplitRange, &TfrmKadrix::mnuResetSplitRangeClick},
        {ui.cmSeekToStartRange, &TfrmKadrix::mnuSeekToStartRangeClick},
        {ui.cmSeekToEndRange, &TfrmKadrix::mnuSeekToEndRangeClick},
    };
    for (const auto& [item, handler] : items)
        connect(item, &QAction::triggered, this, handler);
    ui.TrackBar1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.TrackBar1, &QWidget::customContextMenuRequested, this, &TfrmKadrix::TrackBar1ContextPopup);
}

void TfrmKadrix::actAutoCaptureExecute()
{
    QToolButton* button = ui.btnAutoCapture;
    ui.popupAutoCapture->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TfrmKadrix::actAutoCaptureUpdate(TAction& action)
{
    action.setEnabled(SceneCount() < 99 && frameShown);
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

void TfrmKadrix::mnuResetSplitRangeClick()
{
    if (AskSplitRange(ResetRangeQuestion))
        ResetSplitRange();
}

void TfrmKadrix::mnuSeekToStartRangeClick()
{
    SetBarPosition(ui.TrackBar1->SelStart());
}

void TfrmKadrix::mnuSeekToEndRangeClick()
{
    SetBarPosition(ui.TrackBar1->SelEnd());
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

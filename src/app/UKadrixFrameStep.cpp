// TfrmKadrix: frame by frame and the sharpest frame nearby.
//
// These commands ask the decoder for a frame rather than a position: the
// frame is shown as the decoder delivers it and the bar then moves to the
// frame's own position, marked as fetched, so that moving it fetches
// nothing again.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UBusyMark.h"
#include "app/UWaitCursor.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/USharpestFrame.h"
#include "support/UFormatPosition.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

// ".", "," and Ctrl+C belong to a text field that has the focus.
bool TfrmKadrix::TextFieldHasFocus()
{
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus)
           || qobject_cast<const QTextEdit*>(focus) || qobject_cast<const QPlainTextEdit*>(focus);
}

void TfrmKadrix::ConnectFrameCommands()
{
    SetupAction(actions.actFrameNext, &TfrmKadrix::actFrameNextExecute, &TfrmKadrix::actFrameUpdate);
    SetupAction(actions.actFramePrev, &TfrmKadrix::actFramePrevExecute, &TfrmKadrix::actFrameUpdate);
    SetupAction(actions.actSharpestFrame, &TfrmKadrix::actSharpestFrameExecute, &TfrmKadrix::actFrameUpdate);
    ui.Frame1->addActions({actions.actFramePrev, actions.actFrameNext});
    ui.Frame1->addSeparator()->setObjectName("N11");
    ui.Frame1->addAction(actions.actSharpestFrame);
    // Also in the position bar's menu, after the split-range entries.
    ui.cmTrackBar->addSeparator()->setObjectName("N10");
    ui.cmTrackBar->addActions({actions.actFramePrev, actions.actFrameNext, actions.actSharpestFrame});
}

TAction* TfrmKadrix::FrameCommandKey(const QKeyEvent& key) const
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier && key.key() == Qt::Key_K)
        return actions.actSharpestFrame;
    if (modifiers != Qt::NoModifier || TextFieldHasFocus())
        return nullptr;
    if (key.key() == Qt::Key_Period)
        return actions.actFrameNext;
    if (key.key() == Qt::Key_Comma)
        return actions.actFramePrev;
    return nullptr;
}

// After the automatic split the frame on screen came from the split's own
// decoders: the movie decoder is brought to it before stepping from it.
void TfrmKadrix::CatchUpDecoder()
{
    if (!decoderBehindScreen)
        return;
    decoderBehindScreen = false;
    movieDecoder->FetchFrame(std::clamp(lastFetchedPosition, 0, std::max(movieDecoder->Duration() - 1, 0)));
}

void TfrmKadrix::ShowDecodedFrame()
{
    decoderBehindScreen = false;
    const int position = movieDecoder->FramePosition();
    TakeDecoderFrame(position);
    if (position >= 0) {
        lastFetchedPosition = std::min(position, ui.TrackBar1->maximum());
        SetBarPosition(position);
        // The bar may not move (the frame lies at its end); the label shows
        // the frame's time all the same.
        ui.lblCurPos->setText(FormatPosition(ui.TrackBar1->value()));
    }
    ui.PaintBox1->update();
}

void TfrmKadrix::StepFrame(bool forward)
{
    if (fetchBusy || !movieDecoder->Active())
        return;
    bool stepped = false;
    {
        TBusyMark busy(fetchBusy);
        CatchUpDecoder();
        stepped = forward ? movieDecoder->NextFrame() : movieDecoder->PreviousFrame();
    }
    if (stepped)
        ShowDecodedFrame(); // at either end nothing changes
}

void TfrmKadrix::actFrameNextExecute()
{
    StepFrame(true);
}

void TfrmKadrix::actFramePrevExecute()
{
    StepFrame(false);
}

void TfrmKadrix::actSharpestFrameExecute()
{
    if (fetchBusy || !movieDecoder->Active())
        return;
    const TWaitCursor wait;
    {
        TBusyMark busy(fetchBusy);
        FindSharpestFrame(*movieDecoder, ui.TrackBar1->value());
    }
    ShowDecodedFrame();
}

void TfrmKadrix::actFrameUpdate(TAction& action)
{
    action.setEnabled(frameShown && playState == TPlayState::Paused && movieDecoder->Active());
}

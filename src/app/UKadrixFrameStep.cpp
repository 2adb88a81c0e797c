// TfrmKadrix: frame by frame and the sharpest frame nearby (the playback
// controller asks the decoder for the frame and moves the bar to it).

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "decoder/UMovieDecoder.h"

#include <QMenu>

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

void TfrmKadrix::actFrameNextExecute()
{
    playback->StepFrame(true);
}

void TfrmKadrix::actFramePrevExecute()
{
    playback->StepFrame(false);
}

void TfrmKadrix::actSharpestFrameExecute()
{
    playback->ShowSharpestFrame();
}

void TfrmKadrix::actFrameUpdate(TAction& action)
{
    action.setEnabled(playback->FrameShown() && playback->PlayState() == TPlaybackController::TPlayState::Paused
                      && playback->Decoder().Active());
}

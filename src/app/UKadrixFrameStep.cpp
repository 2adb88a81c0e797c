// TfrmKadrix: frame by frame and the sharpest frame nearby (the playback
// controller asks the decoder for the frame and moves the bar to it).

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "decoder/UMovieDecoder.h"

#include <QMenu>

void TfrmKadrix::ConnectFrameCommands()
{
    // Only a paused movie steps frame by frame.
    const auto rule = [this](TAction& action) {
        action.setEnabled(playback->FrameShown() && playback->PlayState() == TPlaybackController::TPlayState::Paused
                          && playback->Decoder().Active());
    };
    actions.actFrameNext->Bind([this] { playback->StepFrame(true); }, rule);
    actions.actFramePrev->Bind([this] { playback->StepFrame(false); }, rule);
    actions.actSharpestFrame->Bind([this] { playback->ShowSharpestFrame(); }, rule);
    ui.Frame1->addActions({actions.actFramePrev, actions.actFrameNext});
    ui.Frame1->addSeparator()->setObjectName("N11");
    ui.Frame1->addAction(actions.actSharpestFrame);
    // Also in the position bar's menu, after the split-range entries.
    ui.cmTrackBar->addSeparator()->setObjectName("N10");
    ui.cmTrackBar->addActions({actions.actFramePrev, actions.actFrameNext, actions.actSharpestFrame});
}

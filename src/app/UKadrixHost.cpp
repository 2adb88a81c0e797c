// TfrmKadrix: ending the work with a result for the host.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UApplication.h"
#include "app/UHostResult.h"
#include "browser/FImageBrowser.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

const QString ResultFailedMessage = QStringLiteral("結果の書き込みができませんでした。\n%1");

} // namespace

void TfrmKadrix::ConnectHostCommands()
{
    const auto rule = std::bind_front(&TfrmKadrix::actOptionUpdate, this);
    actions.actOption1->Bind([this] { CloseWithResult(HostButton::Option1); }, rule);
    actions.actOption2->Bind([this] { CloseWithResult(HostButton::Option2); }, rule);
    actions.actOption3->Bind([this] { CloseWithResult(HostButton::Option3); }, rule);
    connect(ui.btnOK, &QPushButton::clicked, this, [this] { CloseWithResult(HostButton::Ok); });
    connect(ui.btnCancel, &QPushButton::clicked, this, [this] { CloseWithResult(HostButton::Cancel); });
    connect(ui.Exit1, &QAction::triggered, this, [this] { CloseWithResult(HostButton::Ok); });
}

void TfrmKadrix::actOptionUpdate(TAction& action)
{
    const int option = &action == actions.actOption1 ? 1 : &action == actions.actOption2 ? 2 : 3;
    const THostOptionState state = HostOptionState(option, mode.ButtonMode, captureStore->SceneCount(),
                                                   frmImageBrowser->SelectedCount());
    action.setVisible(state.Visible);
    action.setEnabled(state.Enabled);
}

void TfrmKadrix::CloseWithResult(int code)
{
    if (code != HostButton::Cancel && !mode.UnreadableExchangeFile.isEmpty()) {
        TellResultFailed(mode.UnreadableExchangeFile);
        return;
    }
    if (SelectsAllWhenNone(code) && frmImageBrowser->SelectedCount() == 0)
        frmImageBrowser->SelectAll();
    // The scene files first, all or none; the host's file says nothing until
    // they are in place.
    if (code != HostButton::Cancel && ui.chkDeinterlace->isChecked()) {
        try {
            DeinterlaceSceneFiles(captureStore->SceneFiles(), mode.Folder);
        } catch (const EHostResultError& error) {
            TellResultFailed(error.FileName());
            return;
        }
    }
    if (TIniDocument* settings = captureStore->HostSettings()) {
        try {
            WriteHostResult(*settings, captureStore->SceneFiles(), SelectedScenes(), code,
                            [this] { captureStore->PutSceneOrigins(); });
        } catch (const EHostResultError& error) {
            TellResultFailed(error.FileName());
            // Cancel needs no result: the exit code alone tells the host.
            if (code != HostButton::Cancel)
                return;
        }
    }
    TKadrixApplication::SetExitCode(HostExitCode(code));
    close();
}

void TfrmKadrix::TellResultFailed(const QString& file)
{
    TDialogs::Current().Notify(this, windowTitle(), ResultFailedMessage.arg(file));
}

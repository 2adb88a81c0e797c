// TfrmKadrix: the scene commands. They change the scene list through the
// capture store and read the selection of the thumbnail browser.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UFormatPosition.h"
#include "decoder/UMovieDecoder.h"
#include "widgets/TPositionBar.h"

#include <QFileInfo>
#include <QLabel>

namespace {

const QString WriteFailedMessage = QStringLiteral("キャプチャ画像の書き込みができませんでした。\n%1");
const QString DeleteOneQuestion = QStringLiteral("No.%1を削除します。よろしいですか？");
const QString DeleteSelectedQuestion = QStringLiteral("選択している画像を削除します。よろしいですか？");
const QString DeleteAllQuestion = QStringLiteral("すべて削除します。よろしいですか？");
const QString DeleteOneCaption = QStringLiteral("1つ削除");
const QString DeleteManyCaption = QStringLiteral("複数削除");

} // namespace

void TfrmKadrix::ConnectSceneCommands()
{
    SetupAction(actions.actCapture, &TfrmKadrix::actCaptureExecute, &TfrmKadrix::actCaptureUpdate);
    SetupAction(actions.actUpdate, &TfrmKadrix::actUpdateExecute, &TfrmKadrix::actUpdateUpdate);
    SetupAction(actions.actDelete1, &TfrmKadrix::actDelete1Execute, &TfrmKadrix::actDelete1Update);
    SetupAction(actions.actDeleteAll, &TfrmKadrix::actDeleteAllExecute, &TfrmKadrix::actDeleteAllUpdate);
    SetupAction(actions.actSelectAll, &TfrmKadrix::actSelectAllExecute, &TfrmKadrix::actSelectAllUpdate);
    SetupAction(actions.actUnselectAll, &TfrmKadrix::actUnselectAllExecute, &TfrmKadrix::actUnselectAllUpdate);
    SetupAction(actions.actBrowserDoubleClick, &TfrmKadrix::actBrowserDoubleClickExecute,
                &TfrmKadrix::actAlwaysEnabledUpdate);
    RefreshSceneLabels();
}

void TfrmKadrix::RefreshSceneLabels()
{
    const int count = captureStore->SceneCount();
    ui.lblPicNum->setText(QString::number(count));
}

QString TfrmKadrix::SceneTipText(int index) const
{
    if (index < 0 || index >= captureStore->SceneCount())
        return {};
    const TSceneOrigin origin = captureStore->SceneOrigin(captureStore->SceneFiles().at(index));
    if (origin.Position < 0)
        return {};
    const QString movie = QFileInfo(origin.Movie).fileName();
    const QString position = FormatPosition(origin.Position);
    return movie.isEmpty() ? position : movie + u' ' + position;
}

void TfrmKadrix::TellWriteFailed(const QString& file)
{
    TDialogs::Current().Notify(this, windowTitle(), WriteFailedMessage.arg(file));
}

// --- the browser's selection ----------------------------------------------

int TfrmKadrix::SelectedSceneIndex() const
{
    return -1;
}

int TfrmKadrix::SelectedSceneCount() const
{
    return 0;
}

int TfrmKadrix::BrowserItemCount() const
{
    return 0;
}

bool TfrmKadrix::SceneSelected(int index) const
{
    Q_UNUSED(index);
    return false;
}

void TfrmKadrix::SelectScene(int index)
{
    Q_UNUSED(index);
}

void TfrmKadrix::SetAllScenesSelected(bool selected)
{
    Q_UNUSED(selected);
}

// --- commands ---------------------------------------------------------------

bool TfrmKadrix::ExecuteCapture()
{
    captureFailed = true; // stays set when the command is disabled or ends early
    return actions.actCapture->Execute() && !captureFailed;
}

void TfrmKadrix::actCaptureUpdate(TAction& action)
{
    action.setEnabled(captureStore->CanCapture() && frameShown);
}

void TfrmKadrix::actCaptureExecute()
{
    QString failedFile;
    if (!captureStore->Capture(currentFrame, moviePath, ui.TrackBar1->value(), &failedFile)) {
        if (!failedFile.isEmpty())
            TellWriteFailed(failedFile);
        UpdateAllActions();
        return;
    }
    captureFailed = false;
    SelectScene(captureStore->SceneCount() - 1);
    UpdateAllActions();
}

void TfrmKadrix::actUpdateUpdate(TAction& action)
{
    // Only a frame of the open movie can replace a scene.
    action.setEnabled(captureStore->SceneCount() > 0 && SelectedSceneIndex() >= 0 && frameShown);
}

void TfrmKadrix::actUpdateExecute()
{
    const int index = SelectedSceneIndex();
    QString failedFile;
    if (!captureStore->Retake(index, currentFrame, moviePath, ui.TrackBar1->value(), &failedFile)) {
        if (!failedFile.isEmpty())
            TellWriteFailed(failedFile);
        return;
    }
    SelectScene(index);
}

void TfrmKadrix::actDelete1Update(TAction& action)
{
    action.setText(SelectedSceneCount() > 1 ? DeleteManyCaption : DeleteOneCaption);
    action.setEnabled(captureStore->SceneCount() > 0 && SelectedSceneIndex() >= 0);
}

void TfrmKadrix::actDelete1Execute()
{
    const QString question = SelectedSceneCount() == 1 ? DeleteOneQuestion.arg(SelectedSceneIndex() + 1)
                                                       : DeleteSelectedQuestion;
    if (!TDialogs::Current().AskOkCancel(this, windowTitle(), question))
        return;
    const int itemCount = BrowserItemCount();
    const int select = captureStore->DeleteScenes([&](int i) { return i < itemCount && SceneSelected(i); });
    if (select >= 0)
        SelectScene(select);
    UpdateAllActions();
}

void TfrmKadrix::actDeleteAllUpdate(TAction& action)
{
    action.setEnabled(captureStore->SceneCount() > 0);
}

void TfrmKadrix::actDeleteAllExecute()
{
    if (TDialogs::Current().AskOkCancel(this, windowTitle(), DeleteAllQuestion))
        captureStore->DeleteAll();
    UpdateAllActions();
}

void TfrmKadrix::actSelectAllUpdate(TAction& action)
{
    action.setEnabled(SelectedSceneCount() != BrowserItemCount());
}

void TfrmKadrix::actSelectAllExecute()
{
    SetAllScenesSelected(true);
}

void TfrmKadrix::actUnselectAllUpdate(TAction& action)
{
    action.setEnabled(SelectedSceneCount() != 0);
}

void TfrmKadrix::actUnselectAllExecute()
{
    SetAllScenesSelected(false);
}

void TfrmKadrix::actAlwaysEnabledUpdate(TAction& action)
{
    action.setEnabled(true);
}

void TfrmKadrix::actBrowserDoubleClickExecute()
{
    const int index = SelectedSceneIndex();
    if (index < 0)
        return;
    const TSceneOrigin origin = captureStore->SceneOrigin(captureStore->SceneFiles().at(index));
    bool opened = false;
    if (origin.Movie != moviePath && QFileInfo(origin.Movie).isFile()) {
        OpenMovie(origin.Movie, false);
        opened = true;
    }
    if (origin.Position < 0)
        return;
    if (opened) {
        // A movie just opened plays, but its first frame is not on screen
        // yet, so the pause command's own rule would still refuse.
        actPauseExecute();
    } else {
        actions.actPause->Execute();
    }
    SetBarPosition(origin.Position);
    // The bar may already stand there (a movie opens at 0): fetch anyway.
    TrackBar1Change();
}

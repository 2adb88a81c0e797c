// TfrmKadrix: the scene commands. They change the scene list through the
// capture store and read the selection of the thumbnail browser.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "browser/FImageBrowser.h"
#include "widgets/TFormPanel.h"
#include "widgets/TPositionBar.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

const QString WriteFailedMessage = QStringLiteral("キャプチャ画像の書き込みができませんでした。\n%1");
const QString DeleteOneQuestion = QStringLiteral("No.%1を削除します。よろしいですか？");
const QString DeleteSelectedQuestion = QStringLiteral("選択している画像を削除します。よろしいですか？");
const QString DeleteAllQuestion = QStringLiteral("すべて削除します。よろしいですか？");
const QString DeleteOneCaption = QStringLiteral("1つ削除");
const QString DeleteManyCaption = QStringLiteral("複数削除");

} // namespace

void TfrmKadrix::CreateImageBrowser()
{
    frmImageBrowser = new TfrmImageBrowser(this);
    frmImageBrowser->setObjectName(QStringLiteral("frmImageBrowser"));
    frmImageBrowser->SetMultiSelect(true);
    frmImageBrowser->SetDoubleClickAction(actions.actBrowserDoubleClick);
    frmImageBrowser->SetDeleteAction(actions.actDelete1);
    frmImageBrowser->SetSelectAllAction(actions.actSelectAll);
    frmImageBrowser->OnGetInfoTip = [this](int index) { return SceneTipText(index); };
    ui.FormPanel1->SetForm(frmImageBrowser);
    frmImageBrowser->SetImagePack(&captureStore->CustomImagePack1());
    frmImageBrowser->SetThumbnailSize(100);
    // The buttons follow the selection at once, not only at the next idle.
    connect(frmImageBrowser, &TfrmImageBrowser::SelectionChanged, this, &TfrmKadrix::UpdateAllActions);
}

void TfrmKadrix::ConnectSceneCommands()
{
    actions.actCapture->Bind(std::bind_front(&TfrmKadrix::actCaptureExecute, this), [this](TAction& action) {
        action.setEnabled(captureStore->CanCapture() && playback->FrameShown());
    });
    // Only a frame of the open movie can replace a scene.
    actions.actUpdate->Bind(std::bind_front(&TfrmKadrix::actUpdateExecute, this), [this](TAction& action) {
        action.setEnabled(captureStore->SceneCount() > 0 && frmImageBrowser->SelectedIndex() >= 0
                          && playback->FrameShown());
    });
    actions.actDelete1->Bind(std::bind_front(&TfrmKadrix::actDelete1Execute, this),
                             std::bind_front(&TfrmKadrix::actDelete1Update, this));
    actions.actDeleteAll->Bind(std::bind_front(&TfrmKadrix::actDeleteAllExecute, this),
                               [this](TAction& action) { action.setEnabled(captureStore->SceneCount() > 0); });
    actions.actSelectAll->Bind([this] { frmImageBrowser->SelectAll(); }, [this](TAction& action) {
        action.setEnabled(frmImageBrowser->SelectedCount() != frmImageBrowser->ItemCount());
    });
    actions.actUnselectAll->Bind([this] { frmImageBrowser->SelectIndex(-1); }, [this](TAction& action) {
        action.setEnabled(frmImageBrowser->SelectedCount() != 0);
    });
    actions.actBrowserDoubleClick->Bind(std::bind_front(&TfrmKadrix::actBrowserDoubleClickExecute, this),
                                        [](TAction& action) { action.setEnabled(true); });
    RefreshSceneLabels();
}

void TfrmKadrix::RefreshSceneLabels()
{
    const int count = captureStore->SceneCount();
    ui.lblPicNum->setText(QString::number(count));
    if (!frmImageBrowser)
        return;
    QStringList captions;
    captions.reserve(count);
    for (int i = 1; i <= count; ++i)
        captions.append(QStringLiteral("No.%1").arg(i));
    frmImageBrowser->SetCaptions(captions);
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

// --- commands ---------------------------------------------------------------

bool TfrmKadrix::ExecuteCapture()
{
    captureFailed = true; // stays set when the command is disabled or ends early
    return actions.actCapture->Execute() && !captureFailed;
}

void TfrmKadrix::actCaptureExecute()
{
    QString failedFile;
    if (!captureStore->Capture(playback->CurrentFrame(), playback->MoviePath(), ui.TrackBar1->value(), &failedFile)) {
        if (!failedFile.isEmpty())
            TellWriteFailed(failedFile);
        UpdateAllActions();
        return;
    }
    captureFailed = false;
    frmImageBrowser->SelectIndex(captureStore->SceneCount() - 1);
    UpdateAllActions();
}

void TfrmKadrix::actUpdateExecute()
{
    const int index = frmImageBrowser->SelectedIndex();
    QString failedFile;
    if (!captureStore->Retake(index, playback->CurrentFrame(), playback->MoviePath(), ui.TrackBar1->value(),
                              &failedFile)) {
        if (!failedFile.isEmpty())
            TellWriteFailed(failedFile);
        return;
    }
    frmImageBrowser->SelectIndex(index);
}

void TfrmKadrix::actDelete1Update(TAction& action)
{
    action.setText(frmImageBrowser->SelectedCount() > 1 ? DeleteManyCaption : DeleteOneCaption);
    // The button carries the same caption as its own (it decides where the
    // glyph fits), so it follows the action by hand.
    ui.btnDelete->setText(action.text());
    action.setEnabled(captureStore->SceneCount() > 0 && frmImageBrowser->SelectedIndex() >= 0);
}

void TfrmKadrix::actDelete1Execute()
{
    const QString question = frmImageBrowser->SelectedCount() == 1
                                 ? DeleteOneQuestion.arg(frmImageBrowser->SelectedIndex() + 1)
                                 : DeleteSelectedQuestion;
    if (!TDialogs::Current().AskOkCancel(this, windowTitle(), question))
        return;
    const int itemCount = frmImageBrowser->ItemCount();
    const int select =
        captureStore->DeleteScenes([&](int i) { return i < itemCount && frmImageBrowser->IsSelected(i); });
    if (select >= 0)
        frmImageBrowser->SelectIndex(select);
    UpdateAllActions();
}

void TfrmKadrix::actDeleteAllExecute()
{
    if (TDialogs::Current().AskOkCancel(this, windowTitle(), DeleteAllQuestion))
        captureStore->DeleteAll();
    UpdateAllActions();
}

void TfrmKadrix::actBrowserDoubleClickExecute()
{
    const int index = frmImageBrowser->SelectedIndex();
    if (index < 0)
        return;
    const TSceneOrigin origin = captureStore->SceneOrigin(captureStore->SceneFiles().at(index));
    bool opened = false;
    if (origin.Movie != playback->MoviePath() && QFileInfo(origin.Movie).isFile()) {
        OpenMovie(origin.Movie, false);
        opened = true;
    }
    if (origin.Position < 0)
        return;
    if (opened) {
        // A movie just opened plays, but its first frame is not on screen
        // yet, so the pause command's own rule would still refuse.
        playback->Pause();
    } else {
        actions.actPause->Execute();
    }
    playback->SeekAndShow(origin.Position);
}

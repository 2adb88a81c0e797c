// TfrmKadrix: saving scene pictures to files the user names.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/USavePlan.h"
#include "app/UWaitCursor.h"
#include "browser/FImageBrowser.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "support/Pathutil.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>

#include <optional>

namespace {

const QString SaveDialogTitle = QStringLiteral("キャプチャイメージの保存");
const QString SaveDialogFilter = QStringLiteral(
    "ビットマップ形式(*.bmp)|*.bmp|JPEG形式(*.jpg)|*.jpg|PNG形式(*.png)|*.png|すべてのファイル(*.*)|*.*");
constexpr int JpegFilterIndex = 2;
const QString SavedMessage = QStringLiteral("ファイルを保存しました");
const QString SaveFailedMessage = QStringLiteral("ファイルの保存ができませんでした。\n%1");
const QString ReplaceQuestion = QStringLiteral("同じ名前のファイルが%1個あります。上書きします。よろしいですか？");
const QString InUseMessage = QStringLiteral("作業中のファイルには上書きできません。\n%1");

} // namespace

void TfrmKadrix::ConnectSaveCommands()
{
    savePictureDialog1.Title = SaveDialogTitle;
    savePictureDialog1.Filter = SaveDialogFilter;
    savePictureDialog1.FilterIndex = JpegFilterIndex;
    SetupAction(actions.actSaveImage, &TfrmKadrix::actSaveImageExecute, &TfrmKadrix::actSaveImageUpdate);
}

void TfrmKadrix::actSaveImageUpdate(TAction& action)
{
    action.setEnabled(captureStore->SceneCount() > 0);
}

QList<int> TfrmKadrix::SelectedScenes() const
{
    QList<int> scenes;
    for (int i : frmImageBrowser->SelectedIndexes())
        if (i < captureStore->SceneCount())
            scenes.append(i);
    return scenes;
}

void TfrmKadrix::actSaveImageExecute()
{
    QList<int> scenes = SelectedScenes();
    if (scenes.isEmpty()) // nothing selected means every scene
        for (int i = 0; i < captureStore->SceneCount(); ++i)
            scenes.append(i);

    TFileDialogRequest& dialog = savePictureDialog1;
    const QFileInfo previous(dialog.FileName);
    if (!dialog.FileName.isEmpty() && previous.isAbsolute())
        dialog.InitialDir = previous.absolutePath();
    if (scenes.size() == 1)
        dialog.FileName.clear();
    else
        dialog.FileName = ProposedSeriesName(dialog.FileName, QDateTime::currentDateTime());
    if (!TDialogs::Current().ExecuteSave(this, dialog))
        return;
    SaveScenes(TSavePlan(dialog.FileName, dialog.FilterIndex, scenes), dialog.FileName);
}

void TfrmKadrix::SaveScenes(const TSavePlan& plan, const QString& confirmedName)
{
    QStringList inUse = captureStore->SceneFiles();
    inUse.append(Pathutil::CombinePath(workFolder, ExchangeFileName()));
    const QString guarded = plan.FirstProtected(inUse);
    if (!guarded.isEmpty()) {
        TDialogs::Current().Notify(this, windowTitle(), InUseMessage.arg(guarded));
        return;
    }
    const int existing = plan.ExistingCount(confirmedName);
    if (existing > 0 && !TDialogs::Current().AskOkCancel(this, windowTitle(), ReplaceQuestion.arg(existing)))
        return;
    try {
        std::optional<TWaitCursor> busy;
        if (plan.Targets().size() > 1)
            busy.emplace();
        WriteSavePlan(plan, [this](int scene) { return ScenePictureToSave(scene); });
        for (const TSaveTarget& target : plan.Targets())
            captureStore->MarkSaved(target.Scene);
    } catch (const ESaveError& error) {
        TDialogs::Current().Notify(this, windowTitle(), SaveFailedMessage.arg(error.FileName()));
        return;
    }
    TDialogs::Current().Notify(this, windowTitle(), SavedMessage);
}

TScenePicture TfrmKadrix::ScenePictureToSave(int scene)
{
    // The picture as displayed; the collection's error picture (a vector
    // picture) or an empty one means the scene's picture is not available.
    TPictureEx picture;
    if (!captureStore->CustomImagePack1().GetPictureSafe(picture, scene))
        return {};
    const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(picture.Graphic());
    if (!bitmap || bitmap->Empty())
        return {};
    const TSceneOrigin origin = captureStore->SceneOrigin(captureStore->SceneFiles().at(scene));
    return {bitmap->Image(), ProvenanceTexts(QApplication::applicationName(), origin.Movie, origin.Position)};
}

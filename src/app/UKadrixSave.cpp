// TfrmKadrix: saving scene pictures to files the user names.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/UHostExchange.h"
#include "app/USavePlan.h"
#include "app/UWaitCursor.h"
#include "decoder/UMovieDecoder.h"
#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "decoder/UMovieDecoder.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UContactSheet.h"
#include "support/Pathutil.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>

#include <optional>

namespace {

const QString SaveDialogTitle = QStringLiteral("キャプチャイメージの保存");
const QString SaveDialogFilter = QStringLiteral(
    "ビットマップ形式(*.bmp)|*.bmp|JPEG形式(*.jpg)|*.jpg|PNG形式(*.png)|*.png|すべてのファイル(*.*)|*.*");
constexpr int JpegFilterIndex = 2;
constexpr int PngFilterIndex = 3;
const QString SheetDialogTitle = QStringLiteral("コンタクトシートの保存");
const QString SavedMessage = QStringLiteral("ファイルを保存しました");
const QString SaveFailedMessage = QStringLiteral("ファイルの保存ができませんでした。\n%1");
const QString ReplaceQuestion = QStringLiteral("同じ名前のファイルが%1個あります。上書きします。よろしいですか？");
const QString InUseMessage = QStringLiteral("作業中のファイルには上書きできません。\n%1");

// A save dialog starts in the folder of the name saved last.
void StartInLastFolder(TFileDialogRequest& dialog)
{
    const QFileInfo previous(dialog.FileName);
    if (!dialog.FileName.isEmpty() && previous.isAbsolute())
        dialog.InitialDir = previous.absolutePath();
}

} // namespace

void TfrmKadrix::ConnectSaveCommands()
{
    const auto anyScene = [this](TAction& action) { action.setEnabled(captureStore->SceneCount() > 0); };
    savePictureDialog1.Title = SaveDialogTitle;
    savePictureDialog1.Filter = SaveDialogFilter;
    savePictureDialog1.FilterIndex = JpegFilterIndex;
    actions.actSaveImage->Bind(std::bind_front(&TfrmKadrix::actSaveImageExecute, this), anyScene);

    // The contact sheet: a dialog of its own, PNG first.
    saveSheetDialog.Title = SheetDialogTitle;
    saveSheetDialog.Filter = SaveDialogFilter;
    saveSheetDialog.FilterIndex = PngFilterIndex;
    actions.actSaveSheet->Bind(std::bind_front(&TfrmKadrix::actSaveSheetExecute, this), anyScene);
    ui.File2->insertAction(ui.N4->menuAction(), actions.actSaveSheet);
    // The scene list's save menu: both ways to save, on the thumbnails' context menu.
    ui.popupSceneList->addAction(ui.menuSave);
    ui.popupSceneList->addAction(actions.actSaveSheet);
    TBrowserListView* list = frmImageBrowser->ListView1();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
        UpdateAllActions();
        ui.popupSceneList->popup(list->viewport()->mapToGlobal(pos));
    });
}

QList<int> TfrmKadrix::SelectedScenes() const
{
    QList<int> scenes;
    for (int i : frmImageBrowser->SelectedIndexes())
        if (i < captureStore->SceneCount())
            scenes.append(i);
    return scenes;
}

QList<int> TfrmKadrix::ScenesToSave() const
{
    QList<int> scenes = SelectedScenes();
    if (scenes.isEmpty()) // nothing selected means every scene
        for (int i = 0; i < captureStore->SceneCount(); ++i)
            scenes.append(i);
    return scenes;
}

void TfrmKadrix::actSaveImageExecute()
{
    const QList<int> scenes = ScenesToSave();

    TFileDialogRequest& dialog = savePictureDialog1;
    StartInLastFolder(dialog);
    if (scenes.size() == 1)
        dialog.FileName.clear();
    else
        dialog.FileName = ProposedSeriesName(dialog.FileName, QDateTime::currentDateTime());
    if (!TDialogs::Current().ExecuteSave(this, dialog))
        return;
    // Only here are scenes saved as themselves (a contact sheet is not).
    if (SaveScenes(TSavePlan(dialog.FileName, dialog.FilterIndex, scenes), dialog.FileName,
                   [this](int scene) { return ScenePictureToSave(scene); })) {
        for (int scene : scenes)
            captureStore->MarkSaved(scene);
    }
}

bool TfrmKadrix::SaveScenes(const TSavePlan& plan, const QString& confirmedName,
                            const std::function<TScenePicture(int scene)>& pictureOf)
{
    QStringList inUse = captureStore->SceneFiles();
    inUse.append(Pathutil::CombinePath(mode.Folder, HostExchange::FileName));
    const QString guarded = plan.FirstProtected(inUse);
    if (!guarded.isEmpty()) {
        TDialogs::Current().Notify(this, windowTitle(), InUseMessage.arg(guarded));
        return false;
    }
    const int existing = plan.ExistingCount(confirmedName);
    if (existing > 0 && !TDialogs::Current().AskOkCancel(this, windowTitle(), ReplaceQuestion.arg(existing)))
        return false;
    try {
        std::optional<TWaitCursor> busy;
        if (plan.Targets().size() > 1)
            busy.emplace();
        WriteSavePlan(plan, pictureOf);
    } catch (const ESaveError& error) {
        TDialogs::Current().Notify(this, windowTitle(), SaveFailedMessage.arg(error.FileName()));
        return false;
    }
    TDialogs::Current().Notify(this, windowTitle(), SavedMessage);
    return true;
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
    return {bitmap->Image(),
            ProvenanceTexts(QApplication::applicationName(), origin.Movie, origin.Position, CorrectionOf(origin.Movie))};
}

// What the decoder did to the movie's stored pictures; a movie other than
// the open one is opened for it.
QString TfrmKadrix::CorrectionOf(const QString& movie) const
{
    if (movie.isEmpty())
        return {};
    const TMovieDecoder& decoder = playback->Decoder();
    if (decoder.Active() && decoder.FileName() == movie)
        return decoder.PictureCorrection();
    TMovieDecoder other;
    return other.Open(movie) ? other.PictureCorrection() : QString();
}

void TfrmKadrix::actSaveSheetExecute()
{
    const QList<int> scenes = ScenesToSave();
    TFileDialogRequest& dialog = saveSheetDialog;
    StartInLastFolder(dialog);
    dialog.FileName = ProposedSeriesName(dialog.FileName, QDateTime::currentDateTime()) + QStringLiteral("sheet");
    if (!TDialogs::Current().ExecuteSave(this, dialog))
        return;

    // One file: the plan of a single "scene" gives its name and format.
    const TSavePlan plan(dialog.FileName, dialog.FilterIndex, {0});
    TScenePicture sheet;
    QString missing; // a scene file whose picture is not available
    {
        const TWaitCursor busy;
        const TSheetHeader header = SheetHeaderFor(scenes);
        QList<TSheetScene> cells;
        QList<int> positions;
        QSize frameSize = header.FrameSize;
        TSheetLayout layout;
        for (int scene : scenes) {
            const TScenePicture picture = ScenePictureToSave(scene);
            if (picture.Image.isNull()) {
                missing = captureStore->SceneFiles().at(scene);
                break;
            }
            if (cells.isEmpty()) {
                if (!frameSize.isValid())
                    frameSize = picture.Image.size();
                layout = ContactSheetLayout(int(scenes.size()), frameSize);
            }
            const int position = captureStore->SceneOrigin(captureStore->SceneFiles().at(scene)).Position;
            cells.append({SheetThumbnail(picture.Image, layout), scene + 1, position});
            positions.append(position);
        }
        if (missing.isEmpty()) {
            sheet.Image = RenderContactSheet(cells, header, layout);
            sheet.Texts = ContactSheetTexts(QApplication::applicationName(), CommonMovie(scenes), positions);
        }
    }
    if (!missing.isEmpty()) {
        // As in saving: a scene without its picture is a failed save.
        TDialogs::Current().Notify(this, windowTitle(), SaveFailedMessage.arg(missing));
        return;
    }
    SaveScenes(plan, dialog.FileName, [&sheet](int) { return sheet; });
}

QString TfrmKadrix::CommonMovie(const QList<int>& scenes) const
{
    QString movie;
    for (int scene : scenes) {
        const TSceneOrigin origin = captureStore->SceneOrigin(captureStore->SceneFiles().at(scene));
        if (origin.Position < 0 || origin.Movie.isEmpty() || (!movie.isEmpty() && origin.Movie != movie))
            return {};
        movie = origin.Movie;
    }
    return movie;
}

TSheetHeader TfrmKadrix::SheetHeaderFor(const QList<int>& scenes) const
{
    // The movie is named when every scene comes from it; its length and size
    // are known while it is the open one.
    TSheetHeader header;
    const QString movie = CommonMovie(scenes);
    header.Movie = QFileInfo(movie).fileName();
    const TMovieDecoder& decoder = playback->Decoder();
    if (!movie.isEmpty() && movie == playback->MoviePath() && decoder.Active()) {
        header.Duration = decoder.Duration();
        header.FrameSize = QSize(decoder.FrameWidth(), decoder.FrameHeight());
    }
    return header;
}

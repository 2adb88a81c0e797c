// TfrmKadrix: how the scene list is looked at and taken out: the thumbnail
// size, and copying a scene or the frame on screen to the clipboard.

#include "app/UKadrix.h"

#include "app/UAction.h"
#include "app/USavePlan.h"
#include "browser/FImageBrowser.h"
#include "browser/UBrowserRules.h"
#include "picture/UDeinterlace.h"
#include "widgets/TPaintPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <iterator>

namespace {

// The size kept from an earlier run; anything but an offered size is the
// smallest, the window's design size.
int StoredThumbnailSize()
{
    const auto store = OpenHistoryStore();
    store->sync();
    bool isNumber = false;
    const int size = store->value(QString::fromLatin1(TfrmKadrix::ThumbnailSizeKey)).toInt(&isNumber);
    const bool offered = std::find(std::begin(ThumbnailSizes), std::end(ThumbnailSizes), size) != std::end(ThumbnailSizes);
    return isNumber && offered ? size : ThumbnailSizes[0];
}

void StoreThumbnailSize(int size)
{
    const auto store = OpenHistoryStore();
    store->setValue(QString::fromLatin1(TfrmKadrix::ThumbnailSizeKey), size);
    store->sync();
}

} // namespace

void TfrmKadrix::ConnectSceneViewCommands()
{
    actions.actCopyScene->Bind(std::bind_front(&TfrmKadrix::actCopySceneExecute, this),
                               [this](TAction& action) { action.setEnabled(frmImageBrowser->SelectedIndex() >= 0); });
    actions.actCopyFrame->Bind(std::bind_front(&TfrmKadrix::actCopyFrameExecute, this),
                               [this](TAction& action) { action.setEnabled(!playback->CurrentFrame().Empty()); });

    const std::pair<QAction*, int> sizes[] = {{ui.mnuThumbnailSmall, ThumbnailSizes[0]},
                                              {ui.mnuThumbnailMedium, ThumbnailSizes[1]},
                                              {ui.mnuThumbnailLarge, ThumbnailSizes[2]}};
    for (const auto& [item, size] : sizes)
        connect(item, &QAction::triggered, this, [this, size = size] { SetSceneThumbnailSize(size); });
    // Ctrl + wheel has already resized the thumbnails.
    connect(frmImageBrowser, &TfrmImageBrowser::ThumbnailSizeChosen, this, [this](int size) {
        ShowThumbnailSize(size);
        StoreThumbnailSize(size);
    });

    // After the save commands in the scene list's own menu.
    ui.popupSceneList->addSeparator()->setObjectName("N12");
    ui.popupSceneList->addAction(actions.actCopyScene);
    ui.popupSceneList->addSeparator()->setObjectName("N13");
    ui.popupSceneList->addActions({ui.mnuThumbnailSmall, ui.mnuThumbnailMedium, ui.mnuThumbnailLarge});
    ui.cmPaintBox->addAction(actions.actCopyFrame);
    ui.PaintBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.PaintBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateAllActions();
        ui.cmPaintBox->popup(ui.PaintBox1->mapToGlobal(at));
    });

    const int size = StoredThumbnailSize();
    frmImageBrowser->SetThumbnailSize(size);
    ShowThumbnailSize(size);
}

void TfrmKadrix::SetSceneThumbnailSize(int size)
{
    size = StepThumbnailSize(size, 0);
    frmImageBrowser->SetThumbnailSize(size);
    ShowThumbnailSize(size);
    StoreThumbnailSize(size);
}

void TfrmKadrix::ShowThumbnailSize(int size)
{
    ui.mnuThumbnailSmall->setChecked(size == ThumbnailSizes[0]);
    ui.mnuThumbnailMedium->setChecked(size == ThumbnailSizes[1]);
    ui.mnuThumbnailLarge->setChecked(size == ThumbnailSizes[2]);
}

void TfrmKadrix::actCopySceneExecute()
{
    // The first selected scene, as it would be saved (de-interlaced when
    // the box is ticked); a picture that cannot be read copies nothing.
    const int index = frmImageBrowser->SelectedIndex();
    if (index < 0 || index >= captureStore->SceneCount())
        return;
    const TScenePicture picture = ScenePictureToSave(index);
    if (!picture.Image.isNull())
        QApplication::clipboard()->setImage(picture.Image.convertToFormat(QImage::Format_RGB32));
}

void TfrmKadrix::actCopyFrameExecute()
{
    // The frame as it is drawn: de-interlaced when the box is ticked.
    const TSafetyBitmap& currentFrame = playback->CurrentFrame();
    if (currentFrame.Empty())
        return;
    TSafetyBitmap frame;
    frame.SetImage(currentFrame.Image().copy());
    if (ui.chkDeinterlace->isChecked())
        DeinterlaceBitmap(frame);
    QApplication::clipboard()->setImage(frame.Image().convertToFormat(QImage::Format_RGB32));
}

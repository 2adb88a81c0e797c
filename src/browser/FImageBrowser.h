#pragma once

#include "picture/TImagePack.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QUuid;
class TBrowserItemModel;
class TBrowserListView;
class TCustomImagePack;
class TGlobalNotify;
class TListener;
class TPictureEx;
class QTimer;
class TScenePreview;
class TShadowPanel;
class TThumbnailDelegate;

// The scene list's thumbnail browser: a grid of framed thumbnails of a
// picture collection, one captioned item per picture, with multiple selection.
// Meant to be hosted in a TFormPanel; the window owns it.
//
// Thumbnails are made only for items that are painted, at their final size,
// and kept in a cache of 10 MiB worth of thumbnails. The cache is dropped when
// the shown collection announces a change (ntfPackChanged), on every
// SetThumbnailSize, and at idle while the list cannot be seen.
//
// Resting the mouse on an item, or Space, shows a larger preview of its
// picture with its caption and origin (TScenePreview); Esc, Space, leaving
// the item or any change of the list closes it. Ctrl + wheel steps through
// the offered thumbnail sizes.
//
// Actions are not owned. They are run with QAction::trigger(), so a disabled
// action does nothing (a TAction runs its enabling rule again on trigger).
class TfrmImageBrowser : public QWidget
{
    Q_OBJECT
public:
    using TInfoTipProvider = std::function<QString(int index)>;

    explicit TfrmImageBrowser(QWidget* owner = nullptr);
    ~TfrmImageBrowser() override;

    // The collection shown (not owned); the browser listens to its changes.
    void SetImagePack(TImagePack* pack);
    TImagePack* SourcePack() const { return sourcePack; }

    // Cell size of the thumbnails in pixels (100 in the main window).
    void SetThumbnailSize(int size);
    int ThumbnailSize() const;
    // Columns of the grid at the list's present width.
    int ColumnCount() const;

    // The larger preview of item index (its picture, full caption and info
    // tip), beside the item; index < 0 or without an item hides it.
    void ShowPreview(int index);
    void HidePreview();
    // The item previewed, -1 when none.
    int PreviewIndex() const;
    TScenePreview& Preview() const { return *preview; }
    // How long the mouse rests on an item before its preview shows.
    static constexpr int PreviewDelay = 600;

    // Replaces the items: item i shows picture i with texts[i] as its caption.
    // Afterwards nothing is selected.
    void SetCaptions(const QStringList& texts);
    int ItemCount() const;
    QString ItemCaption(int index) const;

    // The first selected item's index, or -1.
    int SelectedIndex() const;
    // index < 0: deselects everything. Otherwise selects that item as well
    // (others stay selected) and scrolls it fully into view.
    void SelectIndex(int index);
    void SelectAll();
    bool IsSelected(int index) const;
    int SelectedCount() const;
    // Selected indexes in list order (ascending).
    std::vector<int> SelectedIndexes() const;
    void SetMultiSelect(bool value);

    // Run on a double click and on Enter.
    void SetDoubleClickAction(QAction* action) { doubleClickAction = action; }
    // Run on Delete.
    void SetDeleteAction(QAction* action) { deleteAction = action; }
    // Run on Ctrl+A.
    void SetSelectAllAction(QAction* action) { selectAllAction = action; }

    // Extra tip text per item (where the scene came from); shown under the
    // full caption when that was shortened. Empty: nothing extra.
    TInfoTipProvider OnGetInfoTip;
    // The item's tip as the list shows it; empty for none.
    QString InfoTip(int index) const;

    TBrowserListView* ListView1() const { return listView1; }
    // The thumbnail cache (exposed for tests and measurements).
    TCustomImagePack& ImagePack() const { return *imagePack; }
    // Started when the mouse comes to rest on an item (exposed for tests).
    QTimer& HoverTimer() const { return *hoverTimer; }
    QColor FrameColor() const;
    void SetFrameColor(const QColor& color);

public slots:
    // Focus to the list when the window around the browser can take it.
    void FormActivate();

signals:
    void SelectionChanged();
    // Ctrl + wheel chose another size (already applied).
    void ThumbnailSizeChosen(int size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ImagePackGetCount(int& count) const;
    void ImagePackGetImage(TPictureEx* picture, int no);
    void MakeThumbnail(TPictureEx& source, TPictureEx& target) const;
    void ListView1DblClick();
    void GlobalNotify1Idle();
    void PackNotify(QObject* sender, const QUuid& id);
    void FitCaptions();
    void ArrangeItems();
    int HostPanelLeft() const;
    QSize CellSize() const;
    void HoverTimerTimer();
    void PreviewKey();
    bool ListVisibleOnScreen() const;
    static void Run(QAction* action);

    TShadowPanel* shdwPanelBase;
    TBrowserListView* listView1;
    TBrowserItemModel* model;
    TThumbnailDelegate* delegate;
    std::unique_ptr<TCustomImagePack> imagePack;
    TGlobalNotify* globalNotify1;
    TScenePreview* preview;
    QTimer* hoverTimer;
    int hoverIndex = -1;
    std::unique_ptr<TListener> sourceListener;
    QPointer<TImagePack> sourcePack;
    QPointer<QAction> doubleClickAction;
    QPointer<QAction> deleteAction;
    QPointer<QAction> selectAllAction;
    int thumbnailSize = 150;
    bool arranging = false;
};

#include "browser/FImageBrowser.h"

#include "browser/TBrowserItemModel.h"
#include "browser/TBrowserListView.h"
#include "browser/TScenePreview.h"
#include "browser/TThumbnailDelegate.h"
#include "browser/UBrowserRules.h"
#include "picture/INotify.h"
#include "picture/TCustomImagePack.h"
#include "picture/TJpegGraphic.h"
#include "picture/TListener.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UAreaAverage.h"
#include "widgets/TGlobalNotify.h"
#include "widgets/TShadowPanel.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QColor ListColor(180, 180, 180);   // 11842740

QFont BrowserFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

// libjpeg's DCT scaling: the smallest decode that still covers the thumbnail.
TJpegScale JpegScaleFor(const TJpegGraphic& jpeg, QSize thumbnail)
{
    const qint64 f = std::max(thumbnail.width(), thumbnail.height());
    const qint64 s = std::max(jpeg.JpegWidth(), jpeg.JpegHeight());
    if (s > 8 * f)
        return TJpegScale::Eighth;
    if (s > 4 * f)
        return TJpegScale::Quarter;
    if (s > 2 * f)
        return TJpegScale::Half;
    return TJpegScale::FullSize;
}

// A bitmap reduced by area averaging; one to be enlarged is scaled smoothly.
QImage ScaleBitmap(const QImage& source, QSize size)
{
    if (size.width() <= source.width() && size.height() <= source.height())
        return ReduceByAreaAveraging(source, size.width(), size.height());
    return source.convertToFormat(QImage::Format_RGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_BGR888);
}

// The picture as an image: a bitmap's own pixels; anything else (the error
// picture) drawn on white at its own size, or at `fallback` when it has none.
QImage PictureImage(TPictureEx& picture, QSize fallback)
{
    TGraphic* graphic = picture.Graphic();
    if (!graphic || graphic->Empty())
        return {};
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(graphic))
        return bitmap->Image();
    const QSize size = graphic->Width() > 0 && graphic->Height() > 0 ? QSize(graphic->Width(), graphic->Height())
                                                                      : fallback;
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    graphic->Draw(painter, canvas.rect());
    return canvas;
}

} // namespace

TfrmImageBrowser::TfrmImageBrowser(QWidget* owner)
    : QWidget(owner)
    , imagePack(std::make_unique<TCustomImagePack>())
{
    setObjectName(QStringLiteral("frmImageBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);   // freed when closed
    setFont(BrowserFont());
    setAutoFillBackground(true);

    shdwPanelBase = new TShadowPanel(this);
    shdwPanelBase->setObjectName(QStringLiteral("shdwPanelBase"));
    shdwPanelBase->SetShadow(false);
    shdwPanelBase->SetBrush(ListColor);
    shdwPanelBase->AlignOffset().SetAll(8, 8, 1, 8);
    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(0, 0, 0, 0);
    formLayout->addWidget(shdwPanelBase);

    model = new TBrowserItemModel(this);
    model->OnInfoTip = [this](int row) { return InfoTip(row); };
    delegate = new TThumbnailDelegate(*imagePack, this);

    listView1 = new TBrowserListView(shdwPanelBase);
    listView1->setObjectName(QStringLiteral("ListView1"));
    auto* panelLayout = new QVBoxLayout(shdwPanelBase);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(listView1);
    listView1->setFrameShape(QFrame::NoFrame);
    QPalette palette = listView1->palette();
    palette.setColor(QPalette::Base, ListColor);
    palette.setColor(QPalette::Text, Qt::black);
    listView1->setPalette(palette);
    listView1->setViewMode(QListView::IconMode);
    // Free movement lets the browser place every item; nothing can be dragged.
    listView1->setMovement(QListView::Free);
    listView1->setResizeMode(QListView::Fixed);
    listView1->setDragEnabled(false);
    listView1->setDragDropMode(QAbstractItemView::NoDragDrop);
    listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView1->setSelectionRectVisible(true);
    listView1->setWordWrap(false);
    listView1->setItemDelegate(delegate);
    listView1->setModel(model);

    listView1->OnActivateKey = [this] { Run(doubleClickAction); };
    listView1->OnDeleteKey = [this] { Run(deleteAction); };
    listView1->OnSelectAllKey = [this] {
        if (selectAllAction)
            Run(selectAllAction);
        else
            SelectAll();
    };
    listView1->OnSpaceKey = [this] { PreviewKey(); };
    listView1->OnEscapeKey = [this] { HidePreview(); };
    listView1->OnZoomWheel = [this](int steps) {
        const int size = StepThumbnailSize(thumbnailSize, steps);
        if (size == thumbnailSize)
            return;
        SetThumbnailSize(size);
        emit ThumbnailSizeChosen(size);
    };
    listView1->OnDblClick = [this] { ListView1DblClick(); };
    listView1->OnResize = [this] { ArrangeItems(); };
    listView1->OnItemsLayout = [this] { ArrangeItems(); };
    connect(listView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmImageBrowser::SelectionChanged);

    imagePack->setObjectName(QStringLiteral("ImagePack"));
    imagePack->SetCacheLimit(200);
    imagePack->OnGetCount = [this](QObject*, int& count) { ImagePackGetCount(count); };
    imagePack->OnGetImage = [this](QObject*, TPictureEx* picture, int no) { ImagePackGetImage(picture, no); };

    globalNotify1 = new TGlobalNotify(this);
    connect(globalNotify1, &TGlobalNotify::OnIdle, this, &TfrmImageBrowser::GlobalNotify1Idle);

    preview = new TScenePreview(this);
    hoverTimer = new QTimer(this);
    hoverTimer->setSingleShot(true);
    hoverTimer->setInterval(PreviewDelay);
    connect(hoverTimer, &QTimer::timeout, this, &TfrmImageBrowser::HoverTimerTimer);
    listView1->setMouseTracking(true);
    listView1->viewport()->installEventFilter(this);

    sourceListener = std::make_unique<TListener>([this](QObject* sender, const QUuid& id) { PackNotify(sender, id); });
    SetThumbnailSize(150);
}

TfrmImageBrowser::~TfrmImageBrowser()
{
    // The delegate draws from the thumbnail cache: stop listening and drawing first.
    sourceListener.reset();
    listView1->setItemDelegate(nullptr);
    delete delegate;
}

void TfrmImageBrowser::SetImagePack(TImagePack* pack)
{
    if (sourcePack)
        sourceListener->RemoveBroadcaster(sourcePack.data());
    HidePreview();
    sourcePack = pack;
    if (pack)
        sourceListener->AddBroadcaster(pack);
    imagePack->ClearCache();
    listView1->viewport()->update();
}

void TfrmImageBrowser::SetThumbnailSize(int size)
{
    thumbnailSize = std::max(size, MinThumbnailSize);
    delegate->SetThumbnailSize(thumbnailSize);
    imagePack->Reset();
    FitCaptions();
    // New item sizes: the view lays its items out again, then they are arranged.
    listView1->doItemsLayout();
    imagePack->SetCacheLimit(ThumbnailCacheLimit(thumbnailSize));
    listView1->viewport()->update();
}

int TfrmImageBrowser::ThumbnailSize() const
{
    return thumbnailSize;
}

QSize TfrmImageBrowser::CellSize() const
{
    return delegate->ItemSize(listView1->fontMetrics()) + QSize(10, 10);
}

int TfrmImageBrowser::ColumnCount() const
{
    return ArrangeGrid(listView1->viewport()->width(), CellSize().width()).columns;
}

void TfrmImageBrowser::ShowPreview(int index)
{
    if (index < 0 || index >= ItemCount() || !sourcePack) {
        HidePreview();
        return;
    }
    TPictureEx source;
    sourcePack->GetPictureSafe(source, index);
    QStringList lines{model->FullText(index)};
    if (OnGetInfoTip) {
        const QString origin = OnGetInfoTip(index);
        if (!origin.isEmpty())
            lines << origin;
    }
    const QRect item = listView1->visualRect(model->index(index));
    const QRect global(listView1->viewport()->mapToGlobal(item.topLeft()), item.size());
    preview->ShowScene(index, PictureImage(source, QSize(TScenePreview::BoxWidth, TScenePreview::BoxHeight)), lines,
                       global);
    listView1->ClaimEscape = true;
}

void TfrmImageBrowser::HidePreview()
{
    hoverTimer->stop();
    preview->hide();
    listView1->ClaimEscape = false;
}

int TfrmImageBrowser::PreviewIndex() const
{
    return preview->Index();
}

void TfrmImageBrowser::HoverTimerTimer()
{
    if (hoverIndex >= 0 && window()->isActiveWindow())
        ShowPreview(hoverIndex);
}

void TfrmImageBrowser::PreviewKey()
{
    if (PreviewIndex() >= 0) {
        HidePreview();
        return;
    }
    const QModelIndex current = listView1->currentIndex();
    ShowPreview(current.isValid() ? current.row() : SelectedIndex());
}

bool TfrmImageBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != listView1->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QModelIndex item = listView1->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        const int row = item.isValid() ? item.row() : -1;
        if (row != hoverIndex) {
            // A new item waits for the mouse to rest on it.
            hoverIndex = row;
            HidePreview();
            if (row >= 0)
                hoverTimer->start();
        }
        break;
    }
    case QEvent::Leave:
        hoverIndex = -1;
        HidePreview();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        HidePreview();
        break;
    case QEvent::ToolTip:
        return true; // the preview tells what a tip would, and more
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmImageBrowser::SetCaptions(const QStringList& texts)
{
    HidePreview();
    model->SetTexts(texts);
    FitCaptions();
    listView1->doItemsLayout();
}

int TfrmImageBrowser::ItemCount() const
{
    return model->rowCount();
}

QString TfrmImageBrowser::ItemCaption(int index) const
{
    return model->Caption(index);
}

int TfrmImageBrowser::SelectedIndex() const
{
    for (int row = 0; row < ItemCount(); ++row)
        if (IsSelected(row))
            return row;
    return -1;
}

void TfrmImageBrowser::SelectIndex(int index)
{
    if (index < 0) {
        listView1->clearSelection();
        return;
    }
    const QModelIndex item = model->index(index);
    if (!item.isValid())
        return;
    listView1->selectionModel()->setCurrentIndex(item, QItemSelectionModel::Select);
    listView1->scrollTo(item, QAbstractItemView::EnsureVisible);
}

void TfrmImageBrowser::SelectAll()
{
    listView1->selectAll();
}

bool TfrmImageBrowser::IsSelected(int index) const
{
    const QModelIndex item = model->index(index);
    return item.isValid() && listView1->selectionModel()->isSelected(item);
}

int TfrmImageBrowser::SelectedCount() const
{
    return int(SelectedIndexes().size());
}

std::vector<int> TfrmImageBrowser::SelectedIndexes() const
{
    std::vector<int> selected;
    for (int row = 0; row < ItemCount(); ++row)
        if (IsSelected(row))
            selected.push_back(row);
    return selected;
}

void TfrmImageBrowser::SetMultiSelect(bool value)
{
    listView1->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

QString TfrmImageBrowser::InfoTip(int index) const
{
    QStringList lines;
    if (model->Caption(index) != model->FullText(index))
        lines << model->FullText(index);
    if (OnGetInfoTip) {
        const QString origin = OnGetInfoTip(index);
        if (!origin.isEmpty())
            lines << origin;
    }
    return lines.join(QLatin1Char('\n'));
}

QColor TfrmImageBrowser::FrameColor() const
{
    return delegate->FrameColor();
}

void TfrmImageBrowser::SetFrameColor(const QColor& color)
{
    delegate->SetFrameColor(color);
    listView1->viewport()->update();
}

void TfrmImageBrowser::FormActivate()
{
    const QWidget* top = window();
    if (top->isVisible() && top->isEnabled())
        listView1->setFocus();
}

void TfrmImageBrowser::ImagePackGetCount(int& count) const
{
    if (sourcePack)
        count = sourcePack->Count();
}

void TfrmImageBrowser::ImagePackGetImage(TPictureEx* picture, int no)
{
    if (!sourcePack)
        return;
    TPictureEx source;
    sourcePack->GetPictureSafe(source, no);
    MakeThumbnail(source, *picture);
}

void TfrmImageBrowser::MakeThumbnail(TPictureEx& source, TPictureEx& target) const
{
    TGraphic* graphic = source.Graphic();
    if (!graphic || graphic->Empty())
        return;
    auto* jpeg = dynamic_cast<TJpegGraphic*>(graphic);
    const QSize sourceSize = jpeg ? QSize(jpeg->JpegWidth(), jpeg->JpegHeight()) : QSize(graphic->Width(), graphic->Height());
    const QSize size = FitThumbnailSize(sourceSize, ThumbnailBox(thumbnailSize));
    TSafetyBitmap& thumbnail = EnsureSafetyBitmap(target);
    if (const auto* bitmap = dynamic_cast<const TSafetyBitmap*>(graphic)) {
        // Reduced on a copy: the scene picture keeps its own pixel format.
        thumbnail.SetImage(ScaleBitmap(bitmap->Image(), size));
        return;
    }
    if (jpeg) {
        jpeg->SetScale(JpegScaleFor(*jpeg, size));
        jpeg->SetPerformance(TJpegPerformance::BestSpeed);
        jpeg->SetSmoothing(false);
    }
    // Anything else (a JPEG, the error picture) is stretched into the box.
    QImage canvas(size, QImage::Format_BGR888);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        graphic->Draw(painter, QRect(QPoint(0, 0), size));
    }
    thumbnail.SetImage(canvas);
}

void TfrmImageBrowser::ListView1DblClick()
{
    Run(doubleClickAction);
}

void TfrmImageBrowser::Run(QAction* action)
{
    if (action)
        action->trigger();
}

bool TfrmImageBrowser::ListVisibleOnScreen() const
{
    // The client area is the viewport (the list's own region is covered by it).
    const QWidget* clientArea = listView1->viewport();
    return clientArea->isVisible() && !window()->isMinimized() && !clientArea->visibleRegion().isEmpty();
}

void TfrmImageBrowser::GlobalNotify1Idle()
{
    if (!ListVisibleOnScreen()) {
        imagePack->ClearCache();
        HidePreview();
    }
}

void TfrmImageBrowser::PackNotify(QObject* sender, const QUuid& id)
{
    if (sender != sourcePack.data())
        return;
    if (id == ntfPackChanged) {
        HidePreview();
        // One picture replaced or added: the other thumbnails stand.
        const int changed = sourcePack->ChangedIndex();
        if (changed >= 0)
            imagePack->ResetAt(changed);
        else
            imagePack->Reset();
        listView1->viewport()->update();
    } else if (id == ntfDestroying) {
        // The collection goes before the browser: show nothing rather than a dead collection.
        HidePreview();
        sourcePack = nullptr;
        imagePack->ClearCache();
        listView1->viewport()->update();
    }
}

void TfrmImageBrowser::FitCaptions()
{
    const QFontMetrics metrics = listView1->fontMetrics();
    const int width = thumbnailSize;
    const auto measure = [&metrics](const QString& text) { return metrics.horizontalAdvance(text); };
    model->FitCaptions([&](const QString& text) { return ShortenCaption(text, width, measure); });
}

int TfrmImageBrowser::HostPanelLeft() const
{
    return parentWidget() && !isWindow() ? parentWidget()->x() : 0;
}

void TfrmImageBrowser::ArrangeItems()
{
    const int count = model->rowCount();
    if (arranging || count == 0 || listView1->viewMode() != QListView::IconMode)
        return;
    arranging = true;
    listView1->viewport()->setUpdatesEnabled(false);
    const auto done = qScopeGuard([this] {
        listView1->viewport()->setUpdatesEnabled(true);
        arranging = false;
    });
    const QSize item = delegate->ItemSize(listView1->fontMetrics());
    const QSize cell = CellSize();
    listView1->SetRowHeight(cell.height());
    const int viewWidth = listView1->viewport()->width();
    const TGridLayout grid = ArrangeGrid(viewWidth, cell.width());
    const int left = GridLeft(grid, viewWidth, cell.width(), HostPanelLeft());
    for (int i = 0; i < count; ++i) {
        const QPoint position((i % grid.columns) * cell.width() + left, (i / grid.columns) * cell.height());
        listView1->setPositionForIndex(position, model->index(i));
    }
    const int columns = std::min(grid.columns, count), rows = (count + grid.columns - 1) / grid.columns;
    listView1->SetContentsSize(QSize(left + (columns - 1) * cell.width() + item.width(),
                                     (rows - 1) * cell.height() + item.height()));
    const int first = SelectedIndex();
    if (first >= 0)
        listView1->scrollTo(model->index(first), QAbstractItemView::EnsureVisible);
    listView1->viewport()->update();
}

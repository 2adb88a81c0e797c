#pragma once

#include <QAbstractItemDelegate>
#include <QColor>

class QFontMetrics;
class TImagePack;

// Draws one browser item: a raised white frame with the thumbnail centred in
// it and the caption underneath; a selected item gets a navy frame and a
// navy label with white text. The thumbnail is whatever the thumbnail
// collection holds for the item's picture index (Qt::UserRole), asked for only
// when the item is painted.
class TThumbnailDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    TThumbnailDelegate(TImagePack& thumbnails, QObject* parent = nullptr);

    int ThumbnailSize() const { return size; }
    void SetThumbnailSize(int value) { size = value; }
    QColor FrameColor() const { return frameColor; }
    void SetFrameColor(const QColor& value) { frameColor = value; }

    // Item geometry within its bounds: the framed icon area on top, the label
    // centred under it, as wide as the caption (at most the bounds).
    QSize ItemSize(const QFontMetrics& metrics) const;
    QRect IconRect(const QRect& bounds) const;
    QRect LabelRect(const QRect& bounds, const QString& caption, const QFontMetrics& metrics) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void DrawFrame(QPainter& painter, const QRect& icon) const;
    void DrawThumbnail(QPainter& painter, const QRect& area, int picture) const;
    void DrawLabel(QPainter& painter, const QStyleOptionViewItem& option, const QRect& label, const QString& caption,
                   bool selected) const;

    TImagePack& thumbnails;
    int size = 100;
    QColor frameColor = Qt::white;
};

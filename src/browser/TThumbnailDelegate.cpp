#include "browser/TThumbnailDelegate.h"

#include "picture/TImagePack.h"
#include "picture/TPictureEx.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// The icon area is a little wider than the cell and a little lower, so that
// the fit box (cell - 2) x (cell - 12) lies inside the raised edge.
constexpr int IconExtraWidth = 4;
constexpr int IconLessHeight = 4;
constexpr int FrameInset = 3;          // edge (2) + one white pixel
constexpr int LabelGap = 2;            // between icon area and label
constexpr int LabelPadding = 2;        // around the caption inside the label
const QColor SelectionColor(0, 0, 128); // navy

} // namespace

TThumbnailDelegate::TThumbnailDelegate(TImagePack& thumbnailPack, QObject* parent)
    : QAbstractItemDelegate(parent)
    , thumbnails(thumbnailPack)
{
}

QSize TThumbnailDelegate::ItemSize(const QFontMetrics& metrics) const
{
    return QSize(size + IconExtraWidth, size - IconLessHeight + LabelGap + metrics.height() + 2 * LabelPadding);
}

QRect TThumbnailDelegate::IconRect(const QRect& bounds) const
{
    return QRect(bounds.left(), bounds.top(), size + IconExtraWidth, size - IconLessHeight);
}

QRect TThumbnailDelegate::LabelRect(const QRect& bounds, const QString& caption, const QFontMetrics& metrics) const
{
    const int width = std::min(metrics.horizontalAdvance(caption) + 2 * LabelPadding, bounds.width());
    const int top = IconRect(bounds).bottom() + 1 + LabelGap;
    return QRect(bounds.left() + (bounds.width() - width) / 2, top, width, metrics.height() + 2 * LabelPadding);
}

QSize TThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return ItemSize(option.fontMetrics);
}

void TThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect bounds = option.rect;
    if (painter->hasClipping() && !painter->clipBoundingRect().toAlignedRect().intersects(bounds))
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const QRect icon = IconRect(bounds);
    painter->save();
    DrawFrame(*painter, icon);
    DrawThumbnail(*painter, icon.adjusted(FrameInset, FrameInset, -FrameInset, -FrameInset),
                  index.data(Qt::UserRole).toInt());
    if (selected) {
        // Three pixels wide, inside the frame.
        painter->setPen(QPen(SelectionColor, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(icon).adjusted(1.5, 1.5, -1.5, -1.5));
    }
    const QString caption = index.data(Qt::DisplayRole).toString();
    DrawLabel(*painter, option, LabelRect(bounds, caption, option.fontMetrics), caption, selected);
    painter->restore();
}

void TThumbnailDelegate::DrawFrame(QPainter& painter, const QRect& icon) const
{
    painter.fillRect(icon, frameColor);
    // A raised edge: light outer and white inner lines top-left, dark outer
    // and grey inner lines bottom-right.
    const QColor outerLight(227, 227, 227), innerLight(Qt::white), innerDark(160, 160, 160), outerDark(105, 105, 105);
    const auto edge = [&](const QRect& r, const QColor& light, const QColor& dark) {
        painter.setPen(light);
        painter.drawLine(r.left(), r.bottom() - 1, r.left(), r.top());
        painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        painter.setPen(dark);
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.drawLine(r.right(), r.bottom(), r.left(), r.bottom());
    };
    edge(icon, outerLight, outerDark);
    edge(icon.adjusted(1, 1, -1, -1), innerLight, innerDark);
}

void TThumbnailDelegate::DrawThumbnail(QPainter& painter, const QRect& area, int picture) const
{
    // Thumbnails are made at their final size, so this draws them 1:1. The
    // first request makes the thumbnail; one fetch serves size and drawing.
    TPictureEx thumbnail;
    thumbnails.GetPictureSafe(thumbnail, picture);
    const QSize size(thumbnail.Width(), thumbnail.Height());
    if (size.isEmpty())
        return;
    const QRect rect(QPoint((area.left() + area.right() + 1 - size.width()) / 2,
                            (area.top() + area.bottom() + 1 - size.height()) / 2),
                     size);
    // Thumbnails are bitmaps or the error picture; neither decodes while drawing.
    thumbnail.Draw(painter, rect);
}

void TThumbnailDelegate::DrawLabel(QPainter& painter, const QStyleOptionViewItem& option, const QRect& label,
                                   const QString& caption, bool selected) const
{
    const QPalette& palette = option.palette;
    painter.fillRect(label, selected ? SelectionColor : palette.color(QPalette::Base));
    painter.setPen(selected ? QColor(Qt::white) : palette.color(QPalette::Text));
    painter.setFont(option.font);
    painter.drawText(label.adjusted(LabelPadding, LabelPadding, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     caption);
    if (option.state & QStyle::State_HasFocus) {
        QPen dotted(selected ? QColor(Qt::white) : palette.color(QPalette::Text), 1, Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(label.adjusted(0, 0, -1, -1));
    }
}

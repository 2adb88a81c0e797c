#include "picture/UContactSheet.h"

#include "picture/UAreaAverage.h"
#include "support/UFormatPosition.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Margin = 16;          // around everything
constexpr int Gap = 8;              // between cells, and below the header
constexpr int GridWidth = 1920;     // the automatic layout's thumbnails fill this width at most
constexpr int MaxThumbnailWidth = 320;
constexpr int MinThumbnailWidth = 32;
constexpr int MaxAutoColumns = 10;
constexpr int MaxSheetSide = 16384; // larger grids get smaller thumbnails
const QColor Paper(255, 255, 255);
const QColor Ink(0, 0, 0);
const QColor CellFrame(160, 160, 160);

int CaptionPixelSizeFor(int thumbnailWidth)
{
    return std::clamp(thumbnailWidth / 12, 8, 14);
}

QFont SheetFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The layout for thumbnails of this width.
TSheetLayout LayoutFor(int columns, int rows, int width, double aspect)
{
    TSheetLayout layout;
    layout.Columns = columns;
    layout.Rows = rows;
    // Pictures of odd shapes still get a usable cell: from 3:1 to 1:3.
    const int height = std::clamp(int(std::lround(width / aspect)), std::max(1, width / 3), width * 3);
    layout.Thumbnail = QSize(width, height);
    layout.CaptionPixelSize = CaptionPixelSizeFor(width);
    layout.CaptionHeight = layout.CaptionPixelSize + 8;
    layout.HeaderPixelSize = 18;
    layout.HeaderHeight = 28;
    const int cellHeight = height + layout.CaptionHeight;
    layout.Sheet = QSize(2 * Margin + columns * width + (columns - 1) * Gap,
                         2 * Margin + layout.HeaderHeight + Gap + rows * cellHeight + (rows - 1) * Gap);
    return layout;
}

QString HeaderText(const TSheetHeader& header, const QFontMetrics& metrics, int width)
{
    QStringList facts;
    if (header.Duration >= 0)
        facts << QStringLiteral("長さ %1").arg(FormatPosition(header.Duration));
    if (header.FrameSize.isValid())
        facts << QStringLiteral("%1 × %2").arg(header.FrameSize.width()).arg(header.FrameSize.height());
    const QString tail = facts.join(QStringLiteral("　"));
    if (header.Movie.isEmpty())
        return tail;
    if (tail.isEmpty())
        return metrics.elidedText(header.Movie, Qt::ElideMiddle, width);
    // The length and size stay whole; a long name gives way.
    const QString separator = QStringLiteral("　");
    const int room = width - metrics.horizontalAdvance(separator + tail);
    return metrics.elidedText(header.Movie, Qt::ElideMiddle, std::max(room, 0)) + separator + tail;
}

// The rectangle of a w x h picture fitted into `area`, centred.
QRect FitInto(QSize picture, const QRect& area)
{
    const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
    const QSize size(std::max(fitted.width(), 1), std::max(fitted.height(), 1));
    return QRect(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                 size.width(), size.height());
}

} // namespace

QRect TSheetLayout::HeaderRect() const
{
    return QRect(Margin, Margin, Sheet.width() - 2 * Margin, HeaderHeight);
}

QRect TSheetLayout::PictureRect(int index) const
{
    const int column = index % Columns;
    const int row = index / Columns;
    const int x = Margin + column * (Thumbnail.width() + Gap);
    const int y = Margin + HeaderHeight + Gap + row * (Thumbnail.height() + CaptionHeight + Gap);
    return QRect(QPoint(x, y), Thumbnail);
}

QRect TSheetLayout::CaptionRect(int index) const
{
    const QRect picture = PictureRect(index);
    return QRect(picture.left(), picture.bottom() + 1, picture.width(), CaptionHeight);
}

TSheetLayout ContactSheetLayout(int count, QSize frameSize, int columns)
{
    count = std::max(count, 1);
    if (columns <= 0)
        columns = std::min(int(std::ceil(std::sqrt(double(count)))), MaxAutoColumns);
    const int rows = (count + columns - 1) / columns;
    const double aspect = frameSize.isValid() && !frameSize.isEmpty()
                              ? double(frameSize.width()) / frameSize.height()
                              : 16.0 / 9.0;
    int width = std::clamp((GridWidth - 2 * Margin - (columns - 1) * Gap) / columns, MinThumbnailWidth,
                           MaxThumbnailWidth);
    TSheetLayout layout = LayoutFor(columns, rows, width, aspect);
    while (width > MinThumbnailWidth
           && (layout.Sheet.width() > MaxSheetSide || layout.Sheet.height() > MaxSheetSide)) {
        width = std::max(MinThumbnailWidth, width * 9 / 10);
        layout = LayoutFor(columns, rows, width, aspect);
    }
    return layout;
}

QImage SheetThumbnail(const QImage& picture, const TSheetLayout& layout)
{
    if (picture.isNull())
        return {};
    const QRect target = FitInto(picture.size(), QRect(QPoint(0, 0), layout.Thumbnail));
    if (target.size() == picture.size())
        return picture;
    return ReduceByAreaAveraging(picture, target.width(), target.height());
}

TImageTexts ContactSheetTexts(const QString& program, const QString& movie, const QList<int>& positions)
{
    TImageTexts texts{{QStringLiteral("Software"), program}};
    if (!movie.isEmpty())
        texts.append({QStringLiteral("Movie"), movie});
    QStringList numbers;
    for (int position : positions)
        numbers << QString::number(position);
    texts.append({QStringLiteral("Positions"), numbers.join(',')});
    return texts;
}

QSize SheetFrameSize(const QList<TSheetScene>& scenes, const TSheetHeader& header)
{
    if (header.FrameSize.isValid() && !header.FrameSize.isEmpty())
        return header.FrameSize;
    for (const TSheetScene& scene : scenes)
        if (!scene.Picture.isNull())
            return scene.Picture.size();
    return {};
}

QImage RenderContactSheet(const QList<TSheetScene>& scenes, const TSheetHeader& header, int columns)
{
    const TSheetLayout layout =
        ContactSheetLayout(int(scenes.size()), SheetFrameSize(scenes, header), columns);
    return RenderContactSheet(scenes, header, layout);
}

QImage RenderContactSheet(const QList<TSheetScene>& scenes, const TSheetHeader& header, const TSheetLayout& layout)
{
    QImage sheet(layout.Sheet, QImage::Format_RGB888);
    if (sheet.isNull())
        return sheet;
    sheet.fill(Paper);
    QPainter painter(&sheet);

    const QFont headerFont = SheetFont(layout.HeaderPixelSize, true);
    painter.setFont(headerFont);
    painter.setPen(Ink);
    const QRect headerRect = layout.HeaderRect();
    painter.drawText(headerRect, Qt::AlignLeft | Qt::AlignVCenter,
                     HeaderText(header, QFontMetrics(headerFont), headerRect.width()));

    const QFont captionFont = SheetFont(layout.CaptionPixelSize, false);
    const QFontMetrics captionMetrics(captionFont);
    painter.setFont(captionFont);
    const int cells = std::min(int(scenes.size()), layout.Columns * layout.Rows);
    for (int i = 0; i < cells; ++i) {
        const TSheetScene& scene = scenes[i];
        const QRect cell = layout.PictureRect(i);
        painter.fillRect(cell, Qt::black);
        if (!scene.Picture.isNull()) {
            const QImage thumbnail = SheetThumbnail(scene.Picture, layout);
            painter.drawImage(FitInto(thumbnail.size(), cell).topLeft(), thumbnail);
        }
        painter.setPen(CellFrame);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
        painter.setPen(Ink);
        const QString caption =
            QStringLiteral("No.%1  %2").arg(scene.Number).arg(FormatPosition(scene.Position));
        painter.drawText(layout.CaptionRect(i), Qt::AlignCenter,
                         captionMetrics.elidedText(caption, Qt::ElideRight, cell.width()));
    }
    painter.end();
    return sheet;
}

#include "browser/UBrowserRules.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// a * b / c rounded to nearest, in 64 bits (picture sides times box sides).
int MulDivRound(qint64 a, qint64 b, qint64 c)
{
    return int((a * b * 2 + c) / (c * 2));
}

} // namespace

int StepThumbnailSize(int current, int steps)
{
    constexpr int count = int(std::size(ThumbnailSizes));
    int index = 0;
    while (index + 1 < count && ThumbnailSizes[index + 1] <= current)
        ++index;
    return ThumbnailSizes[std::clamp(index + steps, 0, count - 1)];
}

QSize ThumbnailBox(int size)
{
    size = std::max(size, MinThumbnailSize);
    return QSize(size - 2, size - 12);
}

QSize FitThumbnailSize(QSize source, QSize box)
{
    const int sw = std::max(source.width(), 1), sh = std::max(source.height(), 1);
    const int bw = std::max(box.width(), 1), bh = std::max(box.height(), 1);
    int w = MulDivRound(sw, bh, sh);
    int h = bh;
    if (w > bw) {
        w = bw;
        h = MulDivRound(sh, bw, sw);
    }
    return QSize(std::max(w, 1), std::max(h, 1));
}

int ThumbnailCacheLimit(int size)
{
    const qint64 side = std::max(size, MinThumbnailSize);
    return int(std::clamp<qint64>(ThumbnailCacheBytes / (side * side * 3), 1, 65535));
}

TGridLayout ArrangeGrid(int viewWidth, int cellWidth)
{
    const int columns = cellWidth > 0 ? viewWidth / cellWidth : 0;
    if (columns <= 0)
        return {1, 0};
    return {columns, (viewWidth - (columns * cellWidth - 10)) / 2};
}

int GridLeft(const TGridLayout& grid, int viewWidth, int cellWidth, int hostLeft)
{
    const int room = std::max(0, viewWidth - (grid.columns * cellWidth - 10));
    return std::min(grid.leftMargin + hostLeft, room);
}

QString ShortenCaption(const QString& text, int width, const std::function<int(const QString&)>& measure)
{
    if (measure(text) <= width)
        return text;
    static const QString Ellipsis = QStringLiteral("...");
    std::vector<qsizetype> ends;   // grapheme boundaries after the first character
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        ends.push_back(finder.position());
    for (auto it = ends.rbegin(); it != ends.rend(); ++it) {
        const QString caption = text.left(*it) + Ellipsis;
        if (measure(caption) <= width)
            return caption;
    }
    return Ellipsis;
}

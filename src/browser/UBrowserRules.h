#pragma once

#include <QSize>
#include <QString>

#include <functional>

// The thumbnail browser's geometry and caption rules, kept free of widgets so
// that they can be checked on their own.

// Thumbnail cells are never smaller than this: the fit box (cell - 2) x (cell - 12)
// must keep room for a picture.
inline constexpr int MinThumbnailSize = 16;
// Thumbnails of one size share a 10 MiB budget of 24-bit pixels.
inline constexpr int ThumbnailCacheBytes = 10485760;

// The thumbnail sizes offered (小, 中, 大), smallest first.
inline constexpr int ThumbnailSizes[] = {100, 160, 240};

// The offered size `steps` places larger (negative: smaller) than `current`,
// held at the smallest and the largest; a size between two offered ones
// counts as the smaller of them.
int StepThumbnailSize(int current, int steps);

// The box a thumbnail is fitted into for a cell of `size` pixels: 2 pixels
// narrower and 12 pixels lower than the cell (98 x 88 for 100).
QSize ThumbnailBox(int size);

// The source size fitted into the box, keeping the aspect ratio and rounding to
// nearest; small pictures are enlarged. Neither side is ever below 1, so a
// 2000 x 1 or 1 x 2000 picture still gets a thumbnail.
QSize FitThumbnailSize(QSize source, QSize box);

// How many thumbnails of `size` x `size` fit in the cache budget (349 for 100).
int ThumbnailCacheLimit(int size);

struct TGridLayout
{
    int columns;
    int leftMargin;
};

// Columns of `cellWidth` (which includes a 10-pixel gap) that fit in
// `viewWidth`, no gap after the last one, and the margin that centres them.
TGridLayout ArrangeGrid(int viewWidth, int cellWidth);

// Where the first column starts: the centring margin moved right by the left
// position of the panel hosting the browser, but never so far that the last
// column leaves the view (which would bring up a horizontal scroll bar).
int GridLeft(const TGridLayout& grid, int viewWidth, int cellWidth, int hostLeft);

// The caption shown under a thumbnail: the whole text when it fits in `width`,
// otherwise the longest prefix of whole characters followed by "..." that fits.
// A character is a grapheme: surrogate pairs and combining marks stay together.
QString ShortenCaption(const QString& text, int width, const std::function<int(const QString&)>& measure);

#pragma once

#include <QImage>

// Reduces a picture to width x height by area averaging, on a 24-bit copy:
// destination row r averages the source rows from the end of row r-1's range
// up to (r + 1) * H / height (at least one row), columns likewise, each
// channel the truncated mean of its block. Targets larger than the source in
// a direction repeat source rows or columns there (nearest neighbour).
// The result is Format_BGR888; an empty size gives a null image.
QImage ReduceByAreaAveraging(const QImage& source, int width, int height);

#include "picture/UAreaAverage.h"

#include <algorithm>
#include <vector>

namespace {

struct Range
{
    int begin;
    int end;
};

// Source index ranges for each destination index.
std::vector<Range> blockRanges(int sourceSize, int targetSize)
{
    std::vector<Range> ranges(static_cast<size_t>(targetSize));
    int previousEnd = 0;
    for (int i = 0; i < targetSize; ++i) {
        const int begin = std::min(previousEnd, sourceSize - 1);
        const int end = std::max(begin + 1, int(qint64(i + 1) * sourceSize / targetSize));
        ranges[size_t(i)] = {begin, std::min(end, sourceSize)};
        previousEnd = ranges[size_t(i)].end;
    }
    return ranges;
}

} // namespace

QImage ReduceByAreaAveraging(const QImage& source, int width, int height)
{
    if (source.isNull() || width <= 0 || height <= 0)
        return QImage();
    const QImage bgr = source.format() == QImage::Format_BGR888 ? source : source.convertToFormat(QImage::Format_BGR888);
    QImage target(width, height, QImage::Format_BGR888);
    if (target.isNull())
        return target;
    const std::vector<Range> rows = blockRanges(bgr.height(), height);
    const std::vector<Range> columns = blockRanges(bgr.width(), width);
    std::vector<quint32> sums(size_t(width) * 3);
    for (int r = 0; r < height; ++r) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = rows[size_t(r)].begin; y < rows[size_t(r)].end; ++y) {
            const uchar* line = bgr.constScanLine(y);
            quint32* sum = sums.data();
            for (const Range& column : columns) {
                quint32 b = 0, g = 0, red = 0;
                for (const uchar* p = line + column.begin * 3; p < line + column.end * 3; p += 3) {
                    b += p[0];
                    g += p[1];
                    red += p[2];
                }
                sum[0] += b;
                sum[1] += g;
                sum[2] += red;
                sum += 3;
            }
        }
        const quint32 rowCount = quint32(rows[size_t(r)].end - rows[size_t(r)].begin);
        uchar* out = target.scanLine(r);
        for (int c = 0; c < width; ++c) {
            const quint32 count = rowCount * quint32(columns[size_t(c)].end - columns[size_t(c)].begin);
            for (int k = 0; k < 3; ++k)
                out[c * 3 + k] = uchar(sums[size_t(c) * 3 + k] / count);
        }
    }
    return target;
}

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
    // The rows of a block are added byte by byte first (a contiguous loop
    // the compiler vectorises); each block's columns are summed from that.
    const size_t usedBytes = size_t(columns.back().end) * 3;
    std::vector<quint32> rowSums(usedBytes);
    for (int r = 0; r < height; ++r) {
        std::fill(rowSums.begin(), rowSums.end(), 0);
        for (int y = rows[size_t(r)].begin; y < rows[size_t(r)].end; ++y) {
            const uchar* line = bgr.constScanLine(y);
            for (size_t i = 0; i < usedBytes; ++i)
                rowSums[i] += line[i];
        }
        const quint32 rowCount = quint32(rows[size_t(r)].end - rows[size_t(r)].begin);
        uchar* out = target.scanLine(r);
        for (int c = 0; c < width; ++c) {
            const Range& column = columns[size_t(c)];
            quint32 b = 0, g = 0, red = 0;
            for (const quint32* sum = rowSums.data() + size_t(column.begin) * 3;
                 sum < rowSums.data() + size_t(column.end) * 3; sum += 3) {
                b += sum[0];
                g += sum[1];
                red += sum[2];
            }
            const quint32 count = rowCount * quint32(column.end - column.begin);
            out[c * 3] = uchar(b / count);
            out[c * 3 + 1] = uchar(g / count);
            out[c * 3 + 2] = uchar(red / count);
        }
    }
    return target;
}

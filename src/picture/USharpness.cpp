#include "picture/USharpness.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Luma (BT.601) of a 24-bit BGR picture reduced by averaging blocks of
// factor x factor pixels (area averaging by a whole factor), row after row.
// The rows of a block are added byte by byte first (a contiguous loop the
// compiler vectorises), then each block's channels are summed and weighted
// once.
std::vector<float> ReducedLuma(const QImage& bgr, int factor, int& width, int& height)
{
    width = bgr.width() / factor;
    height = bgr.height() / factor;
    const size_t columns = static_cast<size_t>(width);
    const size_t usedBytes = columns * static_cast<size_t>(factor) * 3;
    std::vector<float> luma(columns * static_cast<size_t>(height));
    std::vector<uint32_t> rowSums(usedBytes);
    const float scale = 1.0f / (1000.0f * static_cast<float>(factor * factor));
    for (int y = 0; y < height; ++y) {
        std::fill(rowSums.begin(), rowSums.end(), 0u);
        for (int row = y * factor; row < (y + 1) * factor; ++row) {
            const uchar* bytes = bgr.constScanLine(row);
            for (size_t i = 0; i < usedBytes; ++i)
                rowSums[i] += bytes[i];
        }
        float* out = luma.data() + static_cast<size_t>(y) * columns;
        const uint32_t* sums = rowSums.data();
        for (size_t x = 0; x < columns; ++x) {
            uint32_t blue = 0, green = 0, red = 0;
            for (int i = 0; i < factor; ++i, sums += 3) {
                blue += sums[0];
                green += sums[1];
                red += sums[2];
            }
            out[x] = static_cast<float>(114 * blue + 587 * green + 299 * red) * scale;
        }
    }
    return luma;
}

// Mean and variance from the sum and the sum of squares in double: the
// values here are small (0-255 and their Laplacian), so no precision is
// lost, and one pass needs no division per value.
struct TMoments
{
    double sum = 0;
    double squares = 0;
    double count = 0;

    void Add(double value)
    {
        sum += value;
        squares += value * value;
        ++count;
    }
    double Mean() const { return count > 0 ? sum / count : 0.0; }
    double Variance() const { return count > 0 ? std::max(squares / count - Mean() * Mean(), 0.0) : 0.0; }
};

} // namespace

std::optional<double> SharpnessScore(const QImage& picture)
{
    if (picture.isNull() || picture.width() < 3 || picture.height() < 3)
        return std::nullopt;
    // The smallest whole factor that brings the width to the limit: one
    // pass over a 1080p frame, a few milliseconds.
    const int factor = (picture.width() + SharpnessMaxWidth - 1) / SharpnessMaxWidth;
    const QImage bgr = picture.format() == QImage::Format_BGR888 ? picture : picture.convertToFormat(QImage::Format_BGR888);
    int width = 0;
    int height = 0;
    const std::vector<float> luma = ReducedLuma(bgr, factor, width, height);
    if (width < 3 || height < 3)
        return std::nullopt;

    TMoments level;
    for (float value : luma)
        level.Add(value);
    if (level.Mean() < NearBlackLuma || std::sqrt(level.Variance()) < NearUniformDeviation)
        return std::nullopt;

    TMoments laplacian;
    for (int y = 1; y + 1 < height; ++y) {
        const float* row = luma.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        const float* above = row - width;
        const float* below = row + width;
        for (int x = 1; x + 1 < width; ++x)
            laplacian.Add(above[x] + below[x] + row[x - 1] + row[x + 1] - 4.0f * row[x]);
    }
    return laplacian.Variance();
}

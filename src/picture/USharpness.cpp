#include "picture/USharpness.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Luma (BT.601) of a 24-bit BGR picture reduced by averaging blocks of
// factor x factor pixels (area averaging by a whole factor), row after row.
std::vector<float> ReducedLuma(const QImage& bgr, int factor, int& width, int& height)
{
    width = bgr.width() / factor;
    height = bgr.height() / factor;
    std::vector<float> luma(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<int> sums(static_cast<size_t>(width));
    const float scale = 1.0f / (1000.0f * static_cast<float>(factor * factor));
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int row = y * factor; row < (y + 1) * factor; ++row) {
            const uchar* pixel = bgr.constScanLine(row);
            for (int x = 0; x < width; ++x)
                for (int i = 0; i < factor; ++i, pixel += 3)
                    sums[static_cast<size_t>(x)] += 114 * pixel[0] + 587 * pixel[1] + 299 * pixel[2];
        }
        float* out = luma.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x)
            out[x] = static_cast<float>(sums[static_cast<size_t>(x)]) * scale;
    }
    return luma;
}

// Mean and variance in one pass (Welford), stable for large counts.
struct TRunningVariance
{
    double count = 0;
    double mean = 0;
    double sum = 0;

    void Add(double value)
    {
        ++count;
        const double delta = value - mean;
        mean += delta / count;
        sum += delta * (value - mean);
    }
    double Variance() const { return count > 0 ? sum / count : 0.0; }
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

    TRunningVariance level;
    for (float value : luma)
        level.Add(value);
    if (level.mean < NearBlackLuma || std::sqrt(level.Variance()) < NearUniformDeviation)
        return std::nullopt;

    TRunningVariance laplacian;
    for (int y = 1; y + 1 < height; ++y) {
        const float* row = luma.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        const float* above = row - width;
        const float* below = row + width;
        for (int x = 1; x + 1 < width; ++x)
            laplacian.Add(above[x] + below[x] + row[x - 1] + row[x + 1] - 4.0f * row[x]);
    }
    return laplacian.Variance();
}

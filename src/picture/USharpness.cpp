#include "picture/USharpness.h"

#include "picture/UAreaAverage.h"

#include <cmath>
#include <vector>

namespace {

// Luma of a 24-bit BGR picture, row after row.
std::vector<float> LumaPlane(const QImage& bgr)
{
    const int width = bgr.width();
    const int height = bgr.height();
    std::vector<float> luma(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uchar* pixel = bgr.constScanLine(y);
        float* out = luma.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x, pixel += 3)
            out[x] = 0.114f * pixel[0] + 0.587f * pixel[1] + 0.299f * pixel[2];
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
    QImage reduced;
    if (picture.width() > SharpnessMaxWidth) {
        const int height = std::max(1, static_cast<int>(qint64(picture.height()) * SharpnessMaxWidth / picture.width()));
        reduced = ReduceByAreaAveraging(picture, SharpnessMaxWidth, height);
    } else {
        reduced = picture.convertToFormat(QImage::Format_BGR888);
    }
    const int width = reduced.width();
    const int height = reduced.height();
    if (width < 3 || height < 3)
        return std::nullopt;
    const std::vector<float> luma = LumaPlane(reduced);

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

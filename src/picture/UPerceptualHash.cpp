#include "picture/UPerceptualHash.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr int Side = 32;    // the reduced luma
constexpr int Kept = 8;     // the lowest frequencies kept

// cos((2x + 1) u pi / 2N) for the DCT-II, computed once.
const std::array<std::array<double, Side>, Kept>& CosineTable()
{
    static const auto table = [] {
        std::array<std::array<double, Side>, Kept> values{};
        for (int u = 0; u < Kept; ++u)
            for (int x = 0; x < Side; ++x)
                values[u][x] = std::cos((2.0 * x + 1.0) * u * std::numbers::pi / (2.0 * Side));
        return values;
    }();
    return table;
}

} // namespace

TPictureHash PerceptualHash(const QImage& picture)
{
    if (picture.isNull())
        return {};
    // Area averaging to 32 x 32: Qt's smooth reduction of a grey picture.
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(Side, Side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (grey.width() != Side || grey.height() != Side)
        return {};
    const auto& cosine = CosineTable();
    // Rows first (32 x 8), then columns (8 x 8).
    std::array<std::array<double, Kept>, Side> rows{};
    for (int y = 0; y < Side; ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int u = 0; u < Kept; ++u) {
            double sum = 0;
            for (int x = 0; x < Side; ++x)
                sum += line[x] * cosine[u][x];
            rows[y][u] = sum;
        }
    }
    std::array<double, Kept * Kept> coefficients{};
    for (int v = 0; v < Kept; ++v)
        for (int u = 0; u < Kept; ++u) {
            double sum = 0;
            for (int y = 0; y < Side; ++y)
                sum += rows[y][u] * cosine[v][y];
            coefficients[v * Kept + u] = sum;
        }
    std::array<double, Kept * Kept - 1> withoutDc{};
    std::copy(coefficients.begin() + 1, coefficients.end(), withoutDc.begin());
    std::nth_element(withoutDc.begin(), withoutDc.begin() + withoutDc.size() / 2, withoutDc.end());
    const double median = withoutDc[withoutDc.size() / 2];
    TPictureHash hash;
    for (int i = 0; i < Kept * Kept; ++i)
        if (coefficients[i] > median)
            hash.bits |= std::uint64_t{1} << i;
    // The DC term is the sum of the 1024 pixels.
    hash.luma = static_cast<int>(std::lround(coefficients[0] / (Side * Side)));
    return hash;
}

int HashDistance(std::uint64_t a, std::uint64_t b)
{
    return std::popcount(a ^ b);
}

bool IsNearDuplicate(const TPictureHash& a, const TPictureHash& b)
{
    return HashDistance(a.bits, b.bits) <= NearDuplicateDistance && std::abs(a.luma - b.luma) <= NearDuplicateLuma;
}

bool IsNearDuplicate(const TPictureHash& hash, const std::vector<TPictureHash>& known)
{
    return std::any_of(known.begin(), known.end(), [&](const TPictureHash& other) { return IsNearDuplicate(hash, other); });
}

#include "support/USplitPositions.h"

#include <cmath>

namespace {

// Rounds to the nearest integer, halves to even, whatever rounding mode the
// floating-point environment is in.
double RoundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        return floor + 1.0;
    return floor;
}

} // namespace

std::vector<int> SplitPositions(int start, int end, int count)
{
    std::vector<int> positions;
    if (count < 1 || end < start)
        return positions;
    const double span = static_cast<double>(end) - static_cast<double>(start);
    const double step = span / ((count - 1) + 0.2);
    positions.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        // (i + 0.1) x step < span, so the sum stays within [start, end].
        const double offset = RoundHalfToEven((i + 0.1) * step);
        positions.push_back(static_cast<int>(static_cast<long long>(start) + static_cast<long long>(offset)));
    }
    return positions;
}

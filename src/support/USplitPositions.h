#pragma once

#include <vector>

// Positions, in milliseconds, of an automatic split of [start, end] into
// count frames at equal intervals: step = (end - start) / ((count - 1) + 0.2),
// position i = start + (i + 0.1) x step rounded to the nearest integer, halves
// to even. The first lies 0.1 step after start and the last 0.1 step before
// end, so every position is inside the range. Computed in double, so ranges
// of many hours cannot overflow. Empty for count < 1 or end < start.
std::vector<int> SplitPositions(int start, int end, int count);

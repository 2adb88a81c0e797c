#pragma once

#include <QImage>

#include <optional>

// How sharp a picture is: the variance of the 4-neighbour Laplacian of its
// luma (BT.601 weights, 0-255), on the luma reduced by averaging blocks of
// the smallest whole factor that makes it at most SharpnessMaxWidth pixels
// wide, so that scores of large and small videos compare and a 1080p frame
// costs a few milliseconds.
// No score for pictures that cannot be a good still: near black (mean luma
// below NearBlackLuma) or near uniform (luma standard deviation below
// NearUniformDeviation), whose noise would otherwise count as detail.
inline constexpr int SharpnessMaxWidth = 640;
inline constexpr double NearBlackLuma = 24.0;
inline constexpr double NearUniformDeviation = 3.0;

std::optional<double> SharpnessScore(const QImage& picture);

#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// A perceptual hash of a picture (the DCT hash, "pHash"): the luma reduced
// to 32 x 32 pixels by area averaging, its two-dimensional DCT-II, and one
// bit for each of the 8 x 8 lowest frequencies: set when the coefficient
// lies above the median of the 63 without the DC term. Pictures that look
// alike (another size, another compression, slight noise or a small shift)
// get hashes that differ in few bits; unlike pictures in about half of them.
// The bits say nothing of the brightness (a black and a white picture have
// the same), so the mean luma is kept beside them.
struct TPictureHash
{
    std::uint64_t bits = 0;
    int luma = 0;   // mean, 0-255
};
TPictureHash PerceptualHash(const QImage& picture);

// The number of bits in which two hashes differ (Hamming distance, 0-64).
int HashDistance(std::uint64_t a, std::uint64_t b);

// Two pictures are taken as the same picture when their hashes differ in
// at most NearDuplicateDistance bits and their mean lumas by at most
// NearDuplicateLuma.
inline constexpr int NearDuplicateDistance = 10;
inline constexpr int NearDuplicateLuma = 24;
bool IsNearDuplicate(const TPictureHash& a, const TPictureHash& b);
bool IsNearDuplicate(const TPictureHash& hash, const std::vector<TPictureHash>& known);

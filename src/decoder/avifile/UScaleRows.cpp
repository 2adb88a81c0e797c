#include "decoder/avifile/UScaleRows.h"

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace avifile {

namespace {

// Wider than any block libswscale writes at once (AVX-512 registers).
constexpr std::size_t RowAlignment = 64;

std::size_t AlignUp(std::size_t value)
{
    return (value + RowAlignment - 1) / RowAlignment * RowAlignment;
}

} // namespace

bool ScaleIntoRows(SwsContext* context, const AVFrame& source, int outHeight, uint8_t* firstRow, std::ptrdiff_t stride,
                   std::size_t rowBytes, std::vector<uint8_t>& scratch)
{
    if (!context || outHeight <= 0 || rowBytes == 0)
        return false;
    // One block of slack after every row and a whole spare row at the end.
    const std::size_t scratchStride = AlignUp(rowBytes) + RowAlignment;
    const std::size_t needed = scratchStride * (std::size_t(outHeight) + 1) + RowAlignment;
    if (scratch.size() < needed)
        scratch.assign(needed, 0);
    const auto address = reinterpret_cast<std::uintptr_t>(scratch.data());
    uint8_t* aligned = scratch.data() + (AlignUp(address) - address);
    uint8_t* planes[4] = {aligned, nullptr, nullptr, nullptr};
    const int strides[4] = {int(scratchStride), 0, 0, 0};
    const int rows = sws_scale(context, source.data, source.linesize, 0, source.height, planes, strides);
    if (rows <= 0)
        return false;
    for (int row = 0; row < outHeight; ++row)
        std::memcpy(firstRow + stride * row, aligned + scratchStride * std::size_t(row), rowBytes);
    return rows == outHeight;
}

} // namespace avifile

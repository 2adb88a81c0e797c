#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace avifile {

// Scales a decoded frame with a prepared context into rows of rowBytes
// bytes each: row i goes to firstRow + i * stride (a negative stride fills
// a bottom-up picture). libswscale's vector code writes destination rows in
// whole blocks, past a row's end and past the last row, so it scales into a
// scratch buffer with aligned, padded rows and only the picture's bytes are
// copied out: any width is safe. False when the scaler delivered no rows.
bool ScaleIntoRows(SwsContext* context, const AVFrame& source, int outHeight, uint8_t* firstRow, std::ptrdiff_t stride,
                   std::size_t rowBytes, std::vector<uint8_t>& scratch);

} // namespace avifile

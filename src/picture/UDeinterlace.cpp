#include "picture/UDeinterlace.h"

#include "picture/TSafetyBitmap.h"

#include <cstring>

void DeinterlaceBitmap(TSafetyBitmap& bitmap)
{
    const int height = bitmap.Height();
    if (height < 2)
        return;
    // Whole stored rows, padding included, moved as blocks.
    const size_t rowSize = static_cast<size_t>(bitmap.BytesPerLine());
    for (int row = 0; row + 1 < height; row += 2)
        std::memcpy(bitmap.ScanLine(row + 1), bitmap.ScanLine(row), rowSize);
}

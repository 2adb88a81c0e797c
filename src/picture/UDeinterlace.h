#pragma once

class TSafetyBitmap;

// Top-field line doubling, in place, for any pixel format: every odd row
// becomes a copy of the even row above it; the even rows, and the last row
// of an odd height, stay as they are. Pictures of fewer than two rows are
// left alone.
void DeinterlaceBitmap(TSafetyBitmap& bitmap);

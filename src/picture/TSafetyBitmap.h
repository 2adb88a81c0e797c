#pragma once

#include <QImage>

// A device-independent bitmap over a QImage that keeps the pixel format it
// was given (1, 4, 8 bits indexed, 16, 24, 32 bits). Movie frames use the
// 24-bit layout: bytes blue, green, red, rows from the top.
class TSafetyBitmap
{
public:
    TSafetyBitmap() = default;

    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
    bool Empty() const { return image.isNull(); }

    // Makes the bitmap a 24-bit BGR picture of the given size filled black.
    // Keeps the buffer when the size and format already match.
    void SetSize24(int width, int height);

    void Assign(const TSafetyBitmap& source) { image = source.image; }

    // Row access for 24-bit frames; rows are 4-byte aligned as in a DIB.
    uchar* ScanLine(int row) { return image.scanLine(row); }
    const uchar* ScanLine(int row) const { return image.constScanLine(row); }
    qsizetype BytesPerLine() const { return image.bytesPerLine(); }

    const QImage& Image() const { return image; }
    void SetImage(const QImage& source) { image = source; }

private:
    QImage image;
};

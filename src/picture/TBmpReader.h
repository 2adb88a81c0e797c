#pragma once

#include <QImage>

class QIODevice;

// The program's own reader for Windows BMP files. It trusts nothing in the
// headers: every size is checked against what the bitmap layout allows and
// against the data that is really there before anything is allocated.
class TBmpReader
{
public:
    struct Result
    {
        QImage image;
        // Bits per pixel the bitmap keeps (1, 4, 8, 15, 16, 24 or 32). A 4-bit
        // file is held as an 8-bit indexed image with 16 colours.
        int bitsPerPixel = 24;
    };

    // Largest bitmap accepted, in pixels: 8192 x 8192 unless lowered (the
    // fuzz targets lower it so that time goes into parsing, not into memset).
    static constexpr qint64 MaxSide = 8192;
    static constexpr qint64 DefaultPixelLimit = MaxSide * MaxSide;
    static qint64 PixelLimit();
    static void SetPixelLimit(qint64 pixels);

    // Reads one BMP file from the current position and leaves the stream right
    // after its pixel data. Throws EInvalidGraphic ("ビットマップイメージが不正です")
    // for a wrong signature or a layout that cannot be right, EReadError when
    // the data ends early.
    static Result Read(QIODevice& stream);
};

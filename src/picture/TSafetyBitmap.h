#pragma once

#include "picture/TGraphic.h"

#include <QColor>
#include <QImage>

// Pixel layouts a bitmap can be said to have, named after the Qt image format
// each is held in (Indexed4: an 8-bit indexed image of at most 16 colours).
// Custom is anything the image layer has no name for; loading never leaves a
// bitmap in it.
enum class TPixelFormat { Custom, Indexed1, Indexed4, Indexed8, Rgb555, Rgb565, Bgr24, Rgb32 };

enum class TTransparentMode { Auto, Fixed };

// A device-independent bitmap over a QImage that keeps the pixel format it
// was given (1, 4, 8 bits indexed, 16, 24, 32 bits). Movie frames use the
// 24-bit layout: bytes blue, green, red, rows from the top. Files are read by
// the program's own BMP reader (TBmpReader), which refuses damaged data.
class TSafetyBitmap : public TGraphic
{
public:
    TSafetyBitmap() = default;
    TSafetyBitmap(const TSafetyBitmap& other);
    TSafetyBitmap& operator=(const TSafetyBitmap& other);

    int Width() const override { return image.width(); }
    int Height() const override { return image.height(); }
    bool Empty() const override { return image.isNull(); }
    qint64 ByteSize() const override { return image.sizeInBytes(); }

    // Makes the bitmap a 24-bit BGR picture of the given size filled black.
    // Keeps the buffer when the size and format already match.
    void SetSize24(int width, int height);
    void Clear();

    TPixelFormat PixelFormat() const { return pixelFormat; }
    // Converts the pixels; Indexed4 keeps 8-bit storage with at most 16 colours.
    void SetPixelFormat(TPixelFormat format);

    // Row access; rows are 4-byte aligned as in a DIB.
    uchar* ScanLine(int row) { return image.scanLine(row); }
    const uchar* ScanLine(int row) const { return image.constScanLine(row); }
    qsizetype BytesPerLine() const { return image.bytesPerLine(); }

    const QImage& Image() const { return image; }
    // Takes the image as it is; formats without a name become 24 bits.
    void SetImage(const QImage& source);

    void LoadFromStream(QIODevice& stream) override;
    using TGraphic::LoadFromFile;
    // Writes an uncompressed BMP file in the bitmap's own pixel format.
    void SaveToStream(QIODevice& stream) const override;
    // The form of a bitmap embedded in stored data: a 4-byte length, then the file.
    void ReadData(QIODevice& stream);

    void Assign(const TGraphic& source) override;
    // True when both bitmaps share the same pixel data.
    bool Equals(const TGraphic& other) const;

    TTransparentMode TransparentMode() const { return transparentMode; }
    // The fixed colour, or in automatic mode the bottom-left pixel.
    QColor TransparentColor() const;
    void SetTransparentColor(const QColor& color);

    void Draw(QPainter& canvas, const QRect& rect) const override;
    std::unique_ptr<TGraphic> Clone() const override;

private:
    void TakeImage(const QImage& source, TPixelFormat format);

    QImage image;
    TPixelFormat pixelFormat = TPixelFormat::Custom;
    TTransparentMode transparentMode = TTransparentMode::Auto;
    QColor transparentColor;
};

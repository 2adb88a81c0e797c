#pragma once

#include <QByteArray>

#include <optional>

namespace avifile {

constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_RLE8 = 1;
constexpr quint32 BI_RLE4 = 2;
constexpr quint32 BI_BITFIELDS = 3;

// The 40-byte BITMAPINFOHEADER that starts every packed DIB and every video
// stream's format.
struct TBitmapInfoHeader {
    static constexpr int size = 40;

    quint32 biSize = size;
    qint32 biWidth = 0;
    qint32 biHeight = 0;
    quint16 biPlanes = 1;
    quint16 biBitCount = 0;
    quint32 biCompression = BI_RGB;
    quint32 biSizeImage = 0;
    qint32 biXPelsPerMeter = 0;
    qint32 biYPelsPerMeter = 0;
    quint32 biClrUsed = 0;
    quint32 biClrImportant = 0;

    // nullopt when fewer than 40 bytes are given.
    static std::optional<TBitmapInfoHeader> Parse(const QByteArray& bytes);
    QByteArray Serialize() const;

    // Bytes of one pixel row, rounded up to 4 bytes as in every DIB.
    qint64 RowBytes() const;
    qint64 AbsoluteHeight() const;
};

} // namespace avifile

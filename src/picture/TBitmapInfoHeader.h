#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Compression codes of a device-independent bitmap.
constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_RLE8 = 1;
constexpr quint32 BI_RLE4 = 2;
constexpr quint32 BI_BITFIELDS = 3;

// The 40-byte BITMAPINFOHEADER that starts every BMP file's info header (the
// larger versions extend it), every packed DIB and every AVI video stream's
// format. The one parser of it: the BMP reader, the AVI file services and
// the AVI back end all read it here.
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

    // The header at the start of bytes; nullopt when fewer than 40 bytes are given.
    static std::optional<TBitmapInfoHeader> Parse(QByteArrayView bytes);
    QByteArray Serialize() const;

    // Bytes of one pixel row, rounded up to 4 bytes as in every DIB.
    qint64 RowBytes() const;
    qint64 AbsoluteHeight() const;
};

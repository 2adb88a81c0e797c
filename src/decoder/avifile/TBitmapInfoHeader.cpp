#include "decoder/avifile/TBitmapInfoHeader.h"

#include "decoder/avifile/TRiffSource.h"

#include <QtEndian>

namespace avifile {

std::optional<TBitmapInfoHeader> TBitmapInfoHeader::Parse(const QByteArray& bytes)
{
    if (bytes.size() < size)
        return std::nullopt;
    TBitmapInfoHeader header;
    header.biSize = ReadLE32(bytes, 0);
    header.biWidth = qint32(ReadLE32(bytes, 4));
    header.biHeight = qint32(ReadLE32(bytes, 8));
    header.biPlanes = ReadLE16(bytes, 12);
    header.biBitCount = ReadLE16(bytes, 14);
    header.biCompression = ReadLE32(bytes, 16);
    header.biSizeImage = ReadLE32(bytes, 20);
    header.biXPelsPerMeter = qint32(ReadLE32(bytes, 24));
    header.biYPelsPerMeter = qint32(ReadLE32(bytes, 28));
    header.biClrUsed = ReadLE32(bytes, 32);
    header.biClrImportant = ReadLE32(bytes, 36);
    return header;
}

QByteArray TBitmapInfoHeader::Serialize() const
{
    QByteArray bytes(size, '\0');
    uchar* p = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<quint32>(biSize, p);
    qToLittleEndian<qint32>(biWidth, p + 4);
    qToLittleEndian<qint32>(biHeight, p + 8);
    qToLittleEndian<quint16>(biPlanes, p + 12);
    qToLittleEndian<quint16>(biBitCount, p + 14);
    qToLittleEndian<quint32>(biCompression, p + 16);
    qToLittleEndian<quint32>(biSizeImage, p + 20);
    qToLittleEndian<qint32>(biXPelsPerMeter, p + 24);
    qToLittleEndian<qint32>(biYPelsPerMeter, p + 28);
    qToLittleEndian<quint32>(biClrUsed, p + 32);
    qToLittleEndian<quint32>(biClrImportant, p + 36);
    return bytes;
}

qint64 TBitmapInfoHeader::RowBytes() const
{
    return (qint64(biBitCount) * qAbs(qint64(biWidth)) + 31) / 32 * 4;
}

qint64 TBitmapInfoHeader::AbsoluteHeight() const
{
    return qAbs(qint64(biHeight));
}

} // namespace avifile

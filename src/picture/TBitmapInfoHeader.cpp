#include "picture/TBitmapInfoHeader.h"

#include <QtEndian>

std::optional<TBitmapInfoHeader> TBitmapInfoHeader::Parse(QByteArrayView bytes)
{
    if (bytes.size() < size)
        return std::nullopt;
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    TBitmapInfoHeader header;
    header.biSize = qFromLittleEndian<quint32>(p);
    header.biWidth = qFromLittleEndian<qint32>(p + 4);
    header.biHeight = qFromLittleEndian<qint32>(p + 8);
    header.biPlanes = qFromLittleEndian<quint16>(p + 12);
    header.biBitCount = qFromLittleEndian<quint16>(p + 14);
    header.biCompression = qFromLittleEndian<quint32>(p + 16);
    header.biSizeImage = qFromLittleEndian<quint32>(p + 20);
    header.biXPelsPerMeter = qFromLittleEndian<qint32>(p + 24);
    header.biYPelsPerMeter = qFromLittleEndian<qint32>(p + 28);
    header.biClrUsed = qFromLittleEndian<quint32>(p + 32);
    header.biClrImportant = qFromLittleEndian<quint32>(p + 36);
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

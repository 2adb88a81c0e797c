#include "picture/TBmpReader.h"

#include "picture/EInvalidGraphic.h"
#include "picture/TBitmapInfoHeader.h"

#include <QBuffer>
#include <QIODevice>

#include <bit>
#include <climits>
#include <cstring>

namespace {

const char* const kInvalidBitmap = "ビットマップイメージが不正です";

constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;
constexpr int kInfoHeaderSize = TBitmapInfoHeader::size;
constexpr quint32 kMaxHeaderSize = 4096;         // BITMAPV5HEADER is 124 bytes
constexpr quint32 kMaxPaletteEntries = 256;
constexpr qint64 kMaxCompressedSize = qint64(1) << 30;

[[noreturn]] void refuse()
{
    throw EInvalidGraphic(QString::fromUtf8(kInvalidBitmap));
}

quint16 u16(const uchar* p) { return quint16(p[0] | (p[1] << 8)); }
quint32 u32(const uchar* p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }

// Appends exactly `count` bytes of the stream to `buffer`, without trusting
// `count`: seekable streams are checked against their size first, others
// are read in slices so that a lying header cannot make us allocate.
void appendExactly(QIODevice& stream, QByteArray& buffer, qint64 count)
{
    if (count <= 0)
        return;
    if (!stream.isSequential() && stream.size() - stream.pos() < count)
        throw EReadError();
    constexpr qint64 slice = 1 << 20;
    while (count > 0) {
        const QByteArray part = stream.read(qMin(count, slice));
        if (part.isEmpty())
            throw EReadError();
        buffer += part;
        count -= part.size();
    }
}

struct Header
{
    quint32 headerSize = 0;
    qint64 width = 0;
    qint64 height = 0;       // absolute value
    bool topDown = false;
    int bits = 0;
    quint32 compression = BI_RGB;
    quint32 sizeImage = 0;
    quint32 colorsUsed = 0;
    quint32 masks[3] = {0, 0, 0};   // red, green, blue
    bool masksInHeader = false;
    qint64 tableSize = 0;           // bytes between header and pixel data
    qint64 paletteEntries = 0;
    int paletteEntrySize = 4;
    qint64 stride = 0;
    qint64 pixelDataSize = 0;
};

// Bits per pixel = planes x bit count, refused unless a real depth; checked
// before anything is computed from it (the product of two 16-bit fields
// overflows an int).
int bitsPerPixel(quint16 planes, quint16 bitCount)
{
    const quint32 bits = quint32(planes) * quint32(bitCount);
    switch (bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: return int(bits);
    default: refuse();
    }
}

void parseHeader(const uchar* info, quint32 headerSize, Header& h)
{
    h.headerSize = headerSize;
    if (headerSize == kCoreHeaderSize) {
        h.width = u16(info + 4);
        h.height = u16(info + 6);
        h.bits = bitsPerPixel(u16(info + 8), u16(info + 10));
        h.paletteEntrySize = 3;
        h.paletteEntries = h.bits <= 8 ? (qint64(1) << h.bits) : 0;
        h.tableSize = h.paletteEntries * 3;
    } else {
        const std::optional<TBitmapInfoHeader> info40 =
            TBitmapInfoHeader::Parse(QByteArrayView(info, qsizetype(headerSize)));
        if (!info40 || info40->biWidth <= 0 || info40->biHeight == 0 || info40->biHeight == INT_MIN)
            refuse();
        h.width = info40->biWidth;
        h.topDown = info40->biHeight < 0;
        h.height = info40->AbsoluteHeight();
        h.bits = bitsPerPixel(info40->biPlanes, info40->biBitCount);
        h.compression = info40->biCompression;
        h.sizeImage = info40->biSizeImage;
        h.colorsUsed = info40->biClrUsed;
        if (h.compression == BI_BITFIELDS) {
            // Version 4 and 5 headers carry the masks themselves; a plain
            // 40-byte header is followed by them.
            h.masksInHeader = headerSize >= 52;
            h.tableSize = h.masksInHeader ? 0 : 12;
            if (h.masksInHeader)
                for (int i = 0; i < 3; ++i)
                    h.masks[i] = u32(info + 40 + 4 * i);
        } else {
            if (h.bits <= 8 && h.colorsUsed > (quint32(1) << h.bits))
                refuse();
            if (h.colorsUsed > kMaxPaletteEntries)
                refuse();
            h.paletteEntries = h.colorsUsed != 0 ? h.colorsUsed : (h.bits <= 8 ? (qint64(1) << h.bits) : 0);
            h.tableSize = h.paletteEntries * 4;
        }
    }
}

void validate(Header& h)
{
    if (h.width <= 0 || h.height <= 0)
        refuse();
    // Nothing larger than the largest movie frame: a few bytes of run-length
    // data can declare a picture of gigabytes.
    if (h.width > TBmpReader::MaxSide || h.height > TBmpReader::MaxSide || h.width * h.height > TBmpReader::PixelLimit())
        refuse();
    switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: refuse();
    }
    switch (h.compression) {
    case BI_RGB: break;
    case BI_RLE8: if (h.bits != 8 || h.topDown) refuse(); break;
    case BI_RLE4: if (h.bits != 4 || h.topDown) refuse(); break;
    case BI_BITFIELDS: if (h.bits != 16 && h.bits != 32) refuse(); break;
    default: refuse();
    }
    h.stride = ((h.width * h.bits + 31) / 32) * 4;
    if (h.headerSize > kCoreHeaderSize && h.compression != BI_RGB) {
        h.pixelDataSize = h.sizeImage;
        // Bit-field data is plain rows; writers often leave the size at 0.
        if (h.compression == BI_BITFIELDS && h.pixelDataSize == 0)
            h.pixelDataSize = h.stride * h.height;
        if (h.pixelDataSize > kMaxCompressedSize)
            refuse();
    } else {
        h.pixelDataSize = h.stride * h.height;
    }
    if (h.compression == BI_BITFIELDS && h.pixelDataSize < h.stride * h.height)
        refuse();
}

QList<QRgb> readPalette(const uchar* table, const Header& h)
{
    QList<QRgb> palette;
    if (h.bits > 8)
        return palette;
    const qint64 size = qint64(1) << h.bits;
    palette.reserve(size);
    for (qint64 i = 0; i < size; ++i) {
        if (i < h.paletteEntries) {
            const uchar* e = table + i * h.paletteEntrySize;
            palette.append(qRgb(e[2], e[1], e[0]));
        } else {
            palette.append(qRgb(0, 0, 0));   // indices past a short table draw black
        }
    }
    return palette;
}

// Rows in the file run bottom-up unless the height was negative.
int targetRow(const Header& h, qint64 fileRow)
{
    return int(h.topDown ? fileRow : (h.height - 1 - fileRow));
}

void readExactly(QIODevice& stream, char* target, qint64 count)
{
    if (stream.read(target, count) != count)
        throw EReadError();
}

struct ChannelMask
{
    quint32 mask;
    int shift;
    quint32 max;
    uchar Extract(quint32 pixel) const
    {
        if (max == 0)
            return 0;
        return uchar((quint64((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

ChannelMask channel(quint32 mask)
{
    if (mask == 0)
        return {0, 0, 0};
    const int shift = std::countr_zero(mask);
    return {mask, shift, mask >> shift};
}

QImage decodeWithMasks(QIODevice& stream, const Header& h)
{
    QImage image(int(h.width), int(h.height), QImage::Format_BGR888);
    if (image.isNull())
        throw std::bad_alloc();
    const ChannelMask red = channel(h.masks[0]), green = channel(h.masks[1]), blue = channel(h.masks[2]);
    const int bytes = h.bits / 8;
    QByteArray row(qsizetype(h.stride), Qt::Uninitialized);
    for (qint64 fileRow = 0; fileRow < h.height; ++fileRow) {
        readExactly(stream, row.data(), h.stride);
        const uchar* src = reinterpret_cast<const uchar*>(row.constData());
        uchar* dst = image.scanLine(targetRow(h, fileRow));
        for (int x = 0; x < h.width; ++x, src += bytes, dst += 3) {
            const quint32 pixel = bytes == 2 ? u16(src) : u32(src);
            dst[0] = blue.Extract(pixel);
            dst[1] = green.Extract(pixel);
            dst[2] = red.Extract(pixel);
        }
    }
    return image;
}

// Rows of a DIB and of a QImage share the same 4-byte aligned stride, so
// most layouts are read straight into the image, row by row.
QImage decodeUncompressed(QIODevice& stream, const uchar* table, const Header& h, int& bitsPerPixel)
{
    const int width = int(h.width), height = int(h.height);
    QImage::Format format = QImage::Format_BGR888;
    bitsPerPixel = h.bits;
    switch (h.bits) {
    case 1: format = QImage::Format_Mono; break;
    case 4:
    case 8: format = QImage::Format_Indexed8; break;
    case 16:
        if (h.compression == BI_RGB || (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F)) {
            format = QImage::Format_RGB555;
            bitsPerPixel = 15;
        } else if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F) {
            format = QImage::Format_RGB16;
        } else {
            bitsPerPixel = 24;
            return decodeWithMasks(stream, h);
        }
        break;
    case 24: break;
    case 32:
        if (h.compression == BI_BITFIELDS && !(h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF)) {
            bitsPerPixel = 24;
            return decodeWithMasks(stream, h);
        }
        format = QImage::Format_RGB32;
        break;
    }
    QImage image(width, height, format);
    if (image.isNull())
        throw std::bad_alloc();
    if (h.bits <= 8)
        image.setColorTable(readPalette(table, h));
    QByteArray packed;
    if (h.bits == 4)
        packed.resize(qsizetype(h.stride));
    for (qint64 fileRow = 0; fileRow < h.height; ++fileRow) {
        uchar* dst = image.scanLine(targetRow(h, fileRow));
        if (h.bits == 4) {
            readExactly(stream, packed.data(), h.stride);
            const uchar* src = reinterpret_cast<const uchar*>(packed.constData());
            for (int x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
            continue;
        }
        Q_ASSERT(image.bytesPerLine() == h.stride);
        readExactly(stream, reinterpret_cast<char*>(dst), h.stride);
        if (h.bits == 32)
            for (int x = 0; x < width; ++x)
                dst[4 * x + 3] = 0xFF;   // the fourth byte is not alpha in a BMP
    }
    return image;
}

// Expands RLE8/RLE4 data; pixels the data does not reach keep colour 0, data
// that runs past the bitmap is ignored.
QImage decodeRle(const uchar* data, qint64 size, const uchar* table, const Header& h)
{
    // Expanded straight into 24 bits: no indexed picture of the same size
    // first, whose memory a few bytes of data could otherwise double.
    const int width = int(h.width), height = int(h.height);
    QImage picture(width, height, QImage::Format_BGR888);
    if (picture.isNull())
        throw std::bad_alloc();
    const QList<QRgb> palette = readPalette(table, h);
    uchar* const bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    // Colour 0 everywhere: one row made, then copied (QImage::fill walks
    // 24-bit pixels one by one).
    const QRgb background = palette.value(0);
    for (int x = 0; x < width; ++x) {
        bits[3 * x] = uchar(qBlue(background));
        bits[3 * x + 1] = uchar(qGreen(background));
        bits[3 * x + 2] = uchar(qRed(background));
    }
    for (int row = 1; row < height; ++row)
        std::memcpy(bits + stride * row, bits, size_t(3) * size_t(width));
    const bool four = h.compression == BI_RLE4;
    qint64 pos = 0;
    int x = 0, y = 0;   // y counts from the bottom row
    auto put = [&](uchar value) {
        if (x < width && y < height) {
            const QRgb colour = palette.value(value);
            uchar* pixel = bits + stride * (height - 1 - y) + 3 * x;   // bytes blue, green, red
            pixel[0] = uchar(qBlue(colour));
            pixel[1] = uchar(qGreen(colour));
            pixel[2] = uchar(qRed(colour));
        }
        ++x;
    };
    while (pos + 1 < size && y < height) {
        const uchar count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) {          // end of line
            x = 0;
            ++y;
        } else if (value == 1) {   // end of bitmap
            break;
        } else if (value == 2) {   // delta
            if (pos + 1 >= size)
                break;
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
        } else {                   // absolute run, padded to a 16-bit boundary
            const qint64 bytes = four ? (value + 1) / 2 : value;
            if (pos + bytes > size)
                break;
            for (int i = 0; i < value; ++i) {
                const uchar b = data[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
            }
            pos += bytes + (bytes & 1);
        }
    }
    return picture;
}

qint64 pixelLimit = TBmpReader::DefaultPixelLimit;

} // namespace

qint64 TBmpReader::PixelLimit()
{
    return pixelLimit;
}

void TBmpReader::SetPixelLimit(qint64 pixels)
{
    pixelLimit = qBound(qint64(1), pixels, DefaultPixelLimit);
}

TBmpReader::Result TBmpReader::Read(QIODevice& stream)
{
    const qint64 start = stream.pos();
    QByteArray head = stream.read(kFileHeaderSize + kInfoHeaderSize);
    if (head.size() < 2 || u16(reinterpret_cast<const uchar*>(head.constData())) != 19778)
        refuse();
    if (head.size() < kFileHeaderSize + 4)
        throw EReadError();
    const quint32 headerSize = u32(reinterpret_cast<const uchar*>(head.constData()) + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize))
        refuse();
    appendExactly(stream, head, kFileHeaderSize + qint64(headerSize) - head.size());

    Header h;
    parseHeader(reinterpret_cast<const uchar*>(head.constData()) + kFileHeaderSize, headerSize, h);
    validate(h);

    // Header and colour table in memory; the pixel data is read from the
    // stream, or for a sequential stream first collected (never more than is there).
    const qint64 pixelOffset = kFileHeaderSize + qint64(headerSize) + h.tableSize;
    const qint64 total = pixelOffset + h.pixelDataSize;
    QByteArray collected;
    QBuffer memory;
    QIODevice* pixels = &stream;
    if (stream.isSequential()) {
        appendExactly(stream, head, qMax<qint64>(0, total - head.size()));
        collected = head.mid(pixelOffset, h.pixelDataSize);
        head.truncate(pixelOffset);
        memory.setBuffer(&collected);
        memory.open(QIODevice::ReadOnly);
        pixels = &memory;
    } else {
        if (head.size() < pixelOffset)
            appendExactly(stream, head, pixelOffset - head.size());
        head.truncate(pixelOffset);
        if (!stream.seek(start + pixelOffset) || stream.size() - stream.pos() < h.pixelDataSize)
            throw EReadError();
    }

    const uchar* info = reinterpret_cast<const uchar*>(head.constData()) + kFileHeaderSize;
    const uchar* table = info + headerSize;
    if (h.compression == BI_BITFIELDS && !h.masksInHeader)
        for (int i = 0; i < 3; ++i)
            h.masks[i] = u32(table + 4 * i);

    Result result;
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        QByteArray data;
        appendExactly(*pixels, data, h.pixelDataSize);
        result.image = decodeRle(reinterpret_cast<const uchar*>(data.constData()), data.size(), table, h);
        result.bitsPerPixel = 24;
    } else {
        result.image = decodeUncompressed(*pixels, table, h, result.bitsPerPixel);
    }
    // A conversion that ran out of memory gives a null image, not an error.
    if (result.image.isNull())
        throw std::bad_alloc();
    if (pixels == &stream)
        stream.seek(start + total);   // past any bytes the declared size has beyond the rows
    return result;
}

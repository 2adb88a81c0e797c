#include "picture/TBmpReader.h"

#include "picture/EInvalidGraphic.h"

#include <QIODevice>

#include <bit>
#include <climits>
#include <cstring>

namespace {

const char* const kInvalidBitmap = "ビットマップイメージが不正です";

constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;
constexpr int kInfoHeaderSize = 40;
constexpr quint32 kMaxHeaderSize = 4096;         // BITMAPV5HEADER is 124 bytes
constexpr quint32 kMaxPaletteEntries = 256;
constexpr qint64 kMaxCompressedSize = qint64(1) << 30;

enum Compression : quint32 { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

[[noreturn]] void refuse()
{
    throw EInvalidGraphic(QString::fromUtf8(kInvalidBitmap));
}

quint16 u16(const uchar* p) { return quint16(p[0] | (p[1] << 8)); }
quint32 u32(const uchar* p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
qint32 i32(const uchar* p) { return qint32(u32(p)); }

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

void parseHeader(const uchar* info, quint32 headerSize, Header& h)
{
    h.headerSize = headerSize;
    if (headerSize == kCoreHeaderSize) {
        h.width = u16(info + 4);
        h.height = u16(info + 6);
        h.bits = u16(info + 8) * u16(info + 10);
        h.paletteEntrySize = 3;
        h.paletteEntries = h.bits <= 8 ? (qint64(1) << h.bits) : 0;
        h.tableSize = h.paletteEntries * 3;
    } else {
        const qint32 width = i32(info + 4);
        const qint32 height = i32(info + 8);
        if (width <= 0 || height == 0 || height == INT_MIN)
            refuse();
        h.width = width;
        h.topDown = height < 0;
        h.height = height < 0 ? -qint64(height) : qint64(height);
        h.bits = u16(info + 12) * u16(info + 14);
        h.compression = u32(info + 16);
        h.sizeImage = u32(info + 20);
        h.colorsUsed = u32(info + 32);
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
    if (h.width * h.height > TBmpReader::MaxPixels)
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
const uchar* sourceRow(const uchar* pixels, const Header& h, int row)
{
    const qint64 fileRow = h.topDown ? row : (h.height - 1 - row);
    return pixels + fileRow * h.stride;
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

QImage decodeWithMasks(const uchar* pixels, const Header& h)
{
    QImage image(int(h.width), int(h.height), QImage::Format_BGR888);
    const ChannelMask red = channel(h.masks[0]), green = channel(h.masks[1]), blue = channel(h.masks[2]);
    const int bytes = h.bits / 8;
    for (int y = 0; y < h.height; ++y) {
        const uchar* src = sourceRow(pixels, h, y);
        uchar* dst = image.scanLine(y);
        for (int x = 0; x < h.width; ++x, src += bytes, dst += 3) {
            const quint32 pixel = bytes == 2 ? u16(src) : u32(src);
            dst[0] = blue.Extract(pixel);
            dst[1] = green.Extract(pixel);
            dst[2] = red.Extract(pixel);
        }
    }
    return image;
}

QImage decodeUncompressed(const uchar* pixels, const uchar* table, const Header& h, int& bitsPerPixel)
{
    const int width = int(h.width), height = int(h.height);
    QImage::Format format = QImage::Format_BGR888;
    qint64 rowBytes = width * 3;
    bitsPerPixel = h.bits;
    switch (h.bits) {
    case 1: format = QImage::Format_Mono; rowBytes = (width + 7) / 8; break;
    case 4: format = QImage::Format_Indexed8; break;
    case 8: format = QImage::Format_Indexed8; rowBytes = width; break;
    case 16:
        if (h.compression == BI_RGB || (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F)) {
            format = QImage::Format_RGB555;
            bitsPerPixel = 15;
        } else if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F) {
            format = QImage::Format_RGB16;
        } else {
            bitsPerPixel = 24;
            return decodeWithMasks(pixels, h);
        }
        rowBytes = width * 2;
        break;
    case 24: break;
    case 32:
        if (h.compression == BI_BITFIELDS && !(h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF)) {
            bitsPerPixel = 24;
            return decodeWithMasks(pixels, h);
        }
        format = QImage::Format_RGB32;
        rowBytes = width * 4;
        break;
    }
    QImage image(width, height, format);
    if (image.isNull())
        throw std::bad_alloc();
    if (h.bits <= 8)
        image.setColorTable(readPalette(table, h));
    for (int y = 0; y < height; ++y) {
        const uchar* src = sourceRow(pixels, h, y);
        uchar* dst = image.scanLine(y);
        if (h.bits == 4) {
            for (int x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
        } else {
            std::memcpy(dst, src, size_t(rowBytes));
            if (h.bits == 32)
                for (int x = 0; x < width; ++x)
                    dst[4 * x + 3] = 0xFF;   // the fourth byte is not alpha in a BMP
        }
    }
    return image;
}

// Expands RLE8/RLE4 data; pixels the data does not reach keep colour 0, data
// that runs past the bitmap is ignored.
QImage decodeRle(const uchar* data, qint64 size, const uchar* table, const Header& h)
{
    const int width = int(h.width), height = int(h.height);
    QImage indexed(width, height, QImage::Format_Indexed8);
    if (indexed.isNull())
        throw std::bad_alloc();
    indexed.fill(0);
    indexed.setColorTable(readPalette(table, h));
    const bool four = h.compression == BI_RLE4;
    qint64 pos = 0;
    int x = 0, y = 0;   // y counts from the bottom row
    auto put = [&](uchar value) {
        if (x < width && y < height)
            indexed.scanLine(height - 1 - y)[x] = value;
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
    return indexed.convertToFormat(QImage::Format_BGR888);
}

} // namespace

TBmpReader::Result TBmpReader::Read(QIODevice& stream)
{
    const qint64 start = stream.pos();
    QByteArray buffer = stream.read(kFileHeaderSize + kInfoHeaderSize);
    if (buffer.size() < 2 || u16(reinterpret_cast<const uchar*>(buffer.constData())) != 19778)
        refuse();
    if (buffer.size() < kFileHeaderSize + 4)
        throw EReadError();
    const quint32 headerSize = u32(reinterpret_cast<const uchar*>(buffer.constData()) + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize))
        refuse();
    appendExactly(stream, buffer, kFileHeaderSize + qint64(headerSize) - buffer.size());

    Header h;
    parseHeader(reinterpret_cast<const uchar*>(buffer.constData()) + kFileHeaderSize, headerSize, h);
    validate(h);

    const qint64 pixelOffset = kFileHeaderSize + qint64(headerSize) + h.tableSize;
    const qint64 total = pixelOffset + h.pixelDataSize;
    if (total < buffer.size()) {
        // The first read took more than this small file's bitmap.
        buffer.truncate(total);
        if (!stream.isSequential())
            stream.seek(start + total);
    } else {
        appendExactly(stream, buffer, total - buffer.size());
    }

    const uchar* bytes = reinterpret_cast<const uchar*>(buffer.constData());
    const uchar* info = bytes + kFileHeaderSize;
    const uchar* table = info + headerSize;
    if (h.compression == BI_BITFIELDS && !h.masksInHeader)
        for (int i = 0; i < 3; ++i)
            h.masks[i] = u32(table + 4 * i);

    Result result;
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        result.image = decodeRle(bytes + pixelOffset, h.pixelDataSize, table, h);
        result.bitsPerPixel = 24;
    } else {
        result.image = decodeUncompressed(bytes + pixelOffset, table, h, result.bitsPerPixel);
    }
    return result;
}

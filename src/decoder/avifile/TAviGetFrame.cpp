#include "decoder/avifile/TAviGetFrame.h"

#include "decoder/avifile/AviTypes.h"
#include "decoder/avifile/TAviStream.h"
#include "decoder/avifile/TAviVideoDecoder.h"
#include "decoder/avifile/UScaleRows.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace avifile {

namespace {

constexpr quint32 fourccDIB = MakeFourCC('D', 'I', 'B', ' ');
constexpr quint32 fourccRGB = MakeFourCC('R', 'G', 'B', ' ');
constexpr quint32 fourccRAW = MakeFourCC('R', 'A', 'W', ' ');

bool IsUncompressed(const TBitmapInfoHeader& header)
{
    const quint32 compression = header.biCompression;
    if (compression == BI_RGB || compression == fourccDIB || compression == fourccRGB || compression == fourccRAW) {
        switch (header.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
        }
    }
    return compression == BI_BITFIELDS && (header.biBitCount == 16 || header.biBitCount == 32);
}

} // namespace

TAviGetFrame::TAviGetFrame(std::shared_ptr<TAviStream> aviStream)
    : stream(std::move(aviStream))
{
}

std::unique_ptr<TAviGetFrame> TAviGetFrame::Open(std::shared_ptr<TAviStream> stream)
{
    if (!stream || !stream->IsVideo())
        return nullptr;
    const auto format = TBitmapInfoHeader::Parse(stream->Format());
    if (!format)
        return nullptr;
    std::unique_ptr<TAviGetFrame> server(new TAviGetFrame(stream));
    if (IsUncompressed(*format)) {
        if (!server->PrepareUncompressed(*format))
            return nullptr;
    } else {
        server->compressed = true;
        if (!stream->Decoder().Open())
            return nullptr;
    }
    return server;
}

bool TAviGetFrame::PrepareUncompressed(const TBitmapInfoHeader& format)
{
    if (format.biWidth <= 0 || format.biWidth > TAviVideoDecoder::maxDimension || format.biHeight == 0
        || format.AbsoluteHeight() > TAviVideoDecoder::maxDimension)
        return false;
    const QByteArray& stored = stream->Format();
    TBitmapInfoHeader header = format;
    header.biSize = TBitmapInfoHeader::size;
    header.biPlanes = 1;
    header.biSizeImage = quint32(format.RowBytes() * format.AbsoluteHeight());
    header.biClrImportant = 0;
    QByteArray table;
    if (format.biBitCount <= 8) {
        header.biCompression = BI_RGB;
        const quint32 fullTable = 1u << format.biBitCount;
        header.biClrUsed = format.biClrUsed == 0 ? fullTable : std::min(format.biClrUsed, fullTable);
        // The table follows the stored header, whatever its version; what the
        // file lacks of it stays black.
        const qsizetype offset = format.biSize >= TBitmapInfoHeader::size && format.biSize <= quint32(stored.size())
            ? qsizetype(format.biSize)
            : TBitmapInfoHeader::size;
        table = stored.mid(offset, qsizetype(header.biClrUsed) * 4);
        table.resize(qsizetype(header.biClrUsed) * 4, '\0');
    } else if (format.biCompression == BI_BITFIELDS) {
        // The masks sit right after the first 40 bytes in every header version.
        table = stored.mid(TBitmapInfoHeader::size, 12);
        if (table.size() != 12)
            return false;
        header.biClrUsed = 0;
    } else {
        header.biCompression = BI_RGB;
        header.biClrUsed = 0;
    }
    imageBytes = header.biSizeImage;
    dib = header.Serialize() + table;
    headerBytes = dib.size();
    dib.resize(headerBytes + qsizetype(imageBytes));
    return true;
}

QByteArrayView TAviGetFrame::GetFrame(int sample)
{
    const int index = stream->SampleIndex(sample);
    if (index < 0)
        return {};
    return compressed ? DecodedFrame(index) : UncompressedFrame(index);
}

QByteArrayView TAviGetFrame::UncompressedFrame(int index)
{
    // An empty chunk is a dropped frame: the one before it is shown again.
    while (index > 0 && stream->Entry(index).size == 0)
        --index;
    const TAviSample& entry = stream->Entry(index);
    if (!entry.Readable() || qint64(entry.size) < imageBytes)
        return {};
    // Only the image is read; a chunk may carry padding after it.
    if (!stream->ReadEntry(index, dib.data() + headerBytes, quint32(imageBytes)))
        return {};
    return QByteArrayView(dib);
}

QByteArrayView TAviGetFrame::DecodedFrame(int index)
{
    const AVFrame* picture = stream->Decoder().Decode(index);
    if (!picture || picture->width <= 0 || picture->height <= 0
        || av_image_check_size(unsigned(picture->width), unsigned(picture->height), 0, nullptr) < 0)
        return {};
    TBitmapInfoHeader header;
    header.biWidth = picture->width;
    header.biHeight = picture->height; // bottom-up, as the system's decompressors deliver
    header.biBitCount = 24;
    header.biSizeImage = quint32(header.RowBytes() * picture->height);
    SwsContext* converter = stream->Decoder().ConverterFor(*picture);
    if (!converter)
        return {};
    const int rowBytes = int(header.RowBytes());
    dib = header.Serialize();
    headerBytes = dib.size();
    dib.resize(headerBytes + qsizetype(header.biSizeImage));
    // Writing the rows from the last one up turns the top-down picture into
    // a bottom-up DIB.
    uint8_t* lastRow = reinterpret_cast<uint8_t*>(dib.data()) + headerBytes + qsizetype(rowBytes) * (picture->height - 1);
    if (!ScaleIntoRows(converter, *picture, picture->height, lastRow, -rowBytes, std::size_t(picture->width) * 3,
                       scaledRows))
        return {};
    return QByteArrayView(dib);
}

} // namespace avifile

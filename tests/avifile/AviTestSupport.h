#pragma once

#include "avifile/TTestAviWriter.h"
#include "decoder/avifile/AviFileServices.h"
#include "picture/TBitmapInfoHeader.h"

#include <QBuffer>

#include <optional>

namespace avitest {

inline avifile::PAVIFILE OpenBytes(const QByteArray& bytes)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    avifile::PAVIFILE file;
    avifile::AVIFileOpen(file, std::move(buffer));
    return file;
}

inline avifile::PAVISTREAM VideoStream(const avifile::PAVIFILE& file, int index = 0)
{
    avifile::PAVISTREAM stream;
    avifile::AVIFileGetStream(file, stream, avifile::streamtypeVIDEO, index);
    return stream;
}

// A stream of solid 24-bit frames; frame i has the colour (i, 2i, 255 - i).
inline TTestStream Solid24Stream(int frames, int width = 6, int height = 4)
{
    TTestStream stream;
    stream.format = TTestAviWriter::BitmapInfo(width, height, 24);
    for (int i = 0; i < frames; ++i)
        stream.frames.push_back(TTestAviWriter::SolidFrame24(width, height, uchar(i), uchar(2 * i), uchar(255 - i)));
    return stream;
}

// The header of a packed DIB and its first pixel's bytes.
struct TDibView {
    TBitmapInfoHeader header;
    QByteArray pixels; // everything after the header and colour table
    QByteArray table;
};

inline std::optional<TDibView> ViewDib(QByteArrayView dib)
{
    const QByteArray bytes = dib.toByteArray();
    const auto header = TBitmapInfoHeader::Parse(bytes);
    if (!header)
        return std::nullopt;
    qsizetype tableBytes = qsizetype(header->biClrUsed) * 4;
    if (header->biCompression == BI_BITFIELDS)
        tableBytes = 12;
    return TDibView { *header, bytes.mid(40 + tableBytes), bytes.mid(40, tableBytes) };
}

} // namespace avitest

#include "picture/TSafetyJPEGImage.h"

#include "picture/EInvalidGraphic.h"

#include <QIODevice>

namespace {

// Restores the stream position when the scan ends, however it ends.
class PositionKeeper
{
public:
    explicit PositionKeeper(QIODevice& stream) : stream(stream), position(stream.pos()) {}
    ~PositionKeeper() { stream.seek(position); }

private:
    QIODevice& stream;
    qint64 position;
};

bool readByte(QIODevice& stream, uchar& value)
{
    char c;
    if (!stream.getChar(&c))
        return false;
    value = uchar(c);
    return true;
}

bool readWord(QIODevice& stream, int& value)
{
    uchar high, low;
    if (!readByte(stream, high) || !readByte(stream, low))
        return false;
    value = (high << 8) | low;
    return true;
}

bool isFrameMarker(uchar marker)
{
    return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}

bool isStandaloneMarker(uchar marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

} // namespace

TSafetyJPEGImage::HeaderInfo TSafetyJPEGImage::ScanHeader(QIODevice& stream)
{
    HeaderInfo info;
    PositionKeeper keeper(stream);
    uchar soi0, soi1;
    if (!readByte(stream, soi0) || !readByte(stream, soi1) || soi0 != 0xFF || soi1 != 0xD8)
        return info;
    uchar current;
    bool got = readByte(stream, current);
    while (got && current == 0xFF) {
        uchar marker;
        if (!readByte(stream, marker))
            break;
        if (marker == 0xFF || isStandaloneMarker(marker))
            continue;   // fill byte, or a marker without a segment: a marker code follows
        if (isFrameMarker(marker)) {
            stream.skip(3);   // segment length and sample precision
            int height, width;
            uchar components;
            if (readWord(stream, height) && readWord(stream, width) && readByte(stream, components)) {
                info.height = height;
                info.width = width;
                info.components = components;
            }
            break;
        }
        int length;
        if (!readWord(stream, length))
            break;
        if (length > 2)
            stream.skip(length - 2);
        do
            got = readByte(stream, current);
        while (got && current != 0xFF);
    }
    return info;
}

void TSafetyJPEGImage::Check(QIODevice& stream)
{
    const HeaderInfo info = ScanHeader(stream);
    if (info.width <= 0 || info.height <= 0 || info.components < 1 || info.components > 3)
        throw EInvalidGraphic(QStringLiteral("未対応のJPEG形式です"));
}

void TSafetyJPEGImage::LoadFromStream(QIODevice& stream)
{
    Check(stream);
    TJpegGraphic::LoadFromStream(stream);
}

void TSafetyJPEGImage::ReadData(QIODevice& stream)
{
    const qint64 start = stream.pos();
    char length[4];
    if (stream.read(length, 4) != 4)
        throw EReadError();
    Check(stream);
    stream.seek(start);
    TJpegGraphic::ReadData(stream);
}

std::unique_ptr<TGraphic> TSafetyJPEGImage::Clone() const
{
    return std::make_unique<TSafetyJPEGImage>(*this);
}

#pragma once

#include "picture/TBitmapInfoHeader.h"

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <vector>

namespace avifile {

class TAviStream;

// The frame server of a video stream: delivers any frame as a packed DIB (a
// 40-byte BITMAPINFOHEADER, the colour table or the three masks, the pixel
// rows). Uncompressed frames are handed out as they are stored; compressed
// ones are decoded and handed out as 24-bit bottom-up DIBs. The header of
// every DIB describes exactly the bytes that follow it.
class TAviGetFrame
{
public:
    // nullptr when the stream is not video or its format cannot be served.
    static std::unique_ptr<TAviGetFrame> Open(std::shared_ptr<TAviStream> stream);

    // The DIB of the sample (numbered from the stream's start), owned by the
    // server and valid until the next call; empty when it cannot be had.
    QByteArrayView GetFrame(int sample);

private:
    explicit TAviGetFrame(std::shared_ptr<TAviStream> stream);
    bool PrepareUncompressed(const TBitmapInfoHeader& format);
    QByteArrayView UncompressedFrame(int index);
    QByteArrayView DecodedFrame(int index);

    std::shared_ptr<TAviStream> stream;
    bool compressed = false;
    qsizetype headerBytes = 0; // header and colour table or masks
    qint64 imageBytes = 0;
    QByteArray dib;
    std::vector<uint8_t> scaledRows;   // the scaler's padded output, reused
};

} // namespace avifile

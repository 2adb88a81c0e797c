// Feeds arbitrary bytes to the JPEG header scan, the header check and the
// libjpeg decode at a scale and speed chosen by the last input byte.
#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyJPEGImage.h"
#include "picture/TBmpReader.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

// Pictures up to 64 x 64: enough for every layout, and fast.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TBmpReader::SetPixelLimit(1 << 12);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const TSafetyJPEGImage::HeaderInfo info = TSafetyJPEGImage::ScanHeader(buffer);
    if (buffer.pos() != 0)
        std::abort();   // the scan must restore the position
    TSafetyJPEGImage image;
    try {
        image.LoadFromStream(buffer);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (info.width <= 0 || info.height <= 0 || info.components < 1 || info.components > 3)
        std::abort();   // the check let through what the scan refused
    const uint8_t options = size ? data[size - 1] : 0;
    image.SetScale(static_cast<TJpegScale>(options & 3));
    image.SetPerformance((options & 4) ? TJpegPerformance::BestSpeed : TJpegPerformance::BestQuality);
    image.SetSmoothing((options & 8) != 0);
    try {
        const QImage& pixels = image.Bitmap();
        if (pixels.width() != image.Width() || pixels.height() != image.Height())
            std::abort();
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}

// Feeds arbitrary bytes to the BMP reader. Every input must either load or be
// refused with EInvalidGraphic / EReadError; a loaded bitmap must survive
// being written and read back in its own pixel format.
#include "picture/EInvalidGraphic.h"
#include "picture/TSafetyBitmap.h"
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
    TSafetyBitmap bitmap;
    try {
        bitmap.LoadFromStream(buffer);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EReadError&) {
        return 0;
    }
    if (bitmap.Empty() || buffer.pos() > bytes.size())
        std::abort();
    if (qint64(bitmap.Width()) * bitmap.Height() <= 4096) {
        QBuffer copy;
        copy.open(QIODevice::ReadWrite);
        bitmap.SaveToStream(copy);
        copy.seek(0);
        TSafetyBitmap again;
        again.LoadFromStream(copy);   // what we write we must read
        if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height() || again.PixelFormat() != bitmap.PixelFormat())
            std::abort();
    }
    return 0;
}

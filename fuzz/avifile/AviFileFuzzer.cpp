// libFuzzer target over the AVI file services: the RIFF/AVI reader, the
// index readers, the frame server (uncompressed copies and libavcodec
// decoding), and the back end's path from a packed DIB through
// BuildBitmapFileStream into the program's BMP reader.

#include "decoder/UAviBackend.h"
#include "decoder/avifile/AviFileServices.h"
#include "picture/TSafetyBitmap.h"

#include <QBuffer>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <climits>
#include <cstdint>

using namespace avifile;

namespace {

// Renders a delivered DIB as the back end does; every failure is allowed,
// only crashes and sanitizer reports count.
void Render(QByteArrayView dib)
{
    if (dib.isEmpty())
        return;
    QBuffer bitmapFile;
    if (!TAviBackend::BuildBitmapFileStream(dib, bitmapFile))
        return;
    try {
        TSafetyBitmap bitmap;
        bitmap.LoadFromStream(bitmapFile);
        bitmap.SetPixelFormat(TPixelFormat::Bgr24);
    } catch (...) {
    }
}

void ServeStream(const PAVISTREAM& stream)
{
    TAviStreamInfo info;
    if (AVIStreamInfo(stream, info) != 0 || info.fccType != streamtypeVIDEO)
        return;
    const qint64 first = AVIStreamStart(stream);
    const qint64 last = first + AVIStreamLength(stream) - 1;
    // The positions the back end asks for: open checks, then seeks forward,
    // backward and past the ends. The decoding state lives in the stream, so
    // one server sees the same sequences as a new one for every seek.
    const qint64 samples[] = { first, last, first + 1, first + 2, last - 1, first, last + 1, first - 1,
                               first + AVIStreamTimeToSample(stream, 1000), first + AVIStreamTimeToSample(stream, -5) };
    (void)AVIStreamSampleToTime(stream, int(last - first));
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    if (!server)
        return;
    for (qint64 sample : samples)
        Render(AVIStreamGetFrame(server, int(std::clamp<qint64>(sample, INT_MIN, INT_MAX))));
    AVIStreamGetFrameClose(server);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Damaged input makes the codecs complain on every run.
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(reinterpret_cast<const char*>(data), qsizetype(size));
    buffer->open(QIODevice::ReadOnly);
    PAVIFILE file;
    if (AVIFileOpen(file, std::move(buffer)) != 0)
        return 0;
    TAviFileInfo info;
    if (AVIFileInfo(file, info) != 0)
        return 0;
    for (quint32 i = 0; i < info.dwStreams; ++i) {
        PAVISTREAM stream;
        if (AVIFileGetStream(file, stream, 0, int(i)) == 0)
            ServeStream(stream);
    }
    return 0;
}

#include "decoder/avifile/AviFileServices.h"

#include "decoder/avifile/TAviFile.h"
#include "decoder/avifile/TAviGetFrame.h"
#include "decoder/avifile/TAviStream.h"

#include <QFile>

namespace avifile {

int AVIFileOpen(PAVIFILE& file, const QString& fileName)
{
    file.reset();
    auto device = std::make_unique<QFile>(fileName);
    if (!device->open(QIODevice::ReadOnly))
        return AVIERR_FILEOPEN;
    return AVIFileOpen(file, std::move(device));
}

int AVIFileOpen(PAVIFILE& file, std::unique_ptr<QIODevice> device)
{
    file = TAviFile::Open(std::move(device));
    return file ? AVIERR_OK : AVIERR_BADFORMAT;
}

int AVIFileInfo(const PAVIFILE& file, TAviFileInfo& info)
{
    if (!file)
        return AVIERR_BADPARAM;
    info = file->Info();
    return AVIERR_OK;
}

int AVIFileGetStream(const PAVIFILE& file, PAVISTREAM& stream, quint32 fccType, int index)
{
    stream.reset();
    if (!file || index < 0)
        return AVIERR_BADPARAM;
    int remaining = index;
    for (int i = 0; i < file->StreamCount(); ++i) {
        PAVISTREAM candidate = file->Stream(i);
        if (fccType != 0 && candidate->Info().fccType != fccType)
            continue;
        if (remaining-- > 0)
            continue;
        // A stream without a time base is damaged: nothing in it has a time.
        if (!candidate->HasTimeBase())
            return AVIERR_BADFORMAT;
        stream = std::move(candidate);
        return AVIERR_OK;
    }
    return AVIERR_NODATA;
}

void AVIFileRelease(PAVIFILE& file)
{
    file.reset();
}

int AVIStreamInfo(const PAVISTREAM& stream, TAviStreamInfo& info)
{
    if (!stream)
        return AVIERR_BADPARAM;
    info = stream->Info();
    return AVIERR_OK;
}

int AVIStreamStart(const PAVISTREAM& stream)
{
    return stream ? stream->Start() : -1;
}

int AVIStreamLength(const PAVISTREAM& stream)
{
    return stream ? stream->Length() : -1;
}

int AVIStreamTimeToSample(const PAVISTREAM& stream, int milliseconds)
{
    return stream ? stream->TimeToSample(milliseconds) : -1;
}

int AVIStreamSampleToTime(const PAVISTREAM& stream, int sample)
{
    return stream ? stream->SampleToTime(sample) : -1;
}

void AVIStreamRelease(PAVISTREAM& stream)
{
    stream.reset();
}

PGETFRAME AVIStreamGetFrameOpen(const PAVISTREAM& stream)
{
    return TAviGetFrame::Open(stream);
}

QByteArrayView AVIStreamGetFrame(const PGETFRAME& server, int sample)
{
    return server ? server->GetFrame(sample) : QByteArrayView();
}

void AVIStreamGetFrameClose(PGETFRAME& server)
{
    server.reset();
}

} // namespace avifile

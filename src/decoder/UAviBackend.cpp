#include "decoder/UAviBackend.h"

#include "decoder/avifile/TAviStream.h"
#include "picture/TBitmapInfoHeader.h"
#include "picture/TSafetyBitmap.h"
#include "support/ULog.h"

#include <QBuffer>
#include <QtEndian>

#include <climits>

using namespace avifile;

namespace {

constexpr qint64 FileHeaderSize = 14;

// Bytes between a packed DIB's 40-byte header and its pixels.
qint64 ColourTableBytes(const TBitmapInfoHeader& header)
{
    if (header.biClrUsed != 0)
        return qint64(header.biClrUsed) * 4;
    switch (header.biBitCount) {
    case 1: return 8;
    case 4: return 64;
    case 8: return 1024;
    case 16:
    case 32: return header.biCompression != BI_RGB ? 12 : 0; // the three colour masks
    default: return 0; // 24 bits, and counts no DIB uses
    }
}

} // namespace

TAviBackend::~TAviBackend()
{
    Close();
}

bool TAviBackend::BuildBitmapFileStream(QByteArrayView dib, QBuffer& stream)
{
    stream.close();
    stream.setData(QByteArray());
    const std::optional<TBitmapInfoHeader> info = TBitmapInfoHeader::Parse(dib);
    if (!stream.open(QIODevice::ReadWrite) || !info)
        return false;

    const qint64 offBits = FileHeaderSize + TBitmapInfoHeader::size + ColourTableBytes(*info);
    const qint64 imageSize = info->biSizeImage != 0 ? qint64(info->biSizeImage) : info->AbsoluteHeight() * info->RowBytes();
    const qint64 fileSize = offBits + imageSize;
    // The DIB has to hold what its header announces; a short one would be
    // read past its end.
    if (fileSize < offBits || fileSize > 0xFFFFFFFFLL || fileSize - FileHeaderSize > dib.size())
        return false;

    uchar header[FileHeaderSize];
    qToLittleEndian<quint16>(0x4D42, header); // "BM"
    qToLittleEndian<quint32>(quint32(fileSize), header + 2);
    qToLittleEndian<quint16>(0, header + 6);
    qToLittleEndian<quint16>(0, header + 8);
    qToLittleEndian<quint32>(quint32(offBits), header + 10);
    stream.write(reinterpret_cast<const char*>(header), FileHeaderSize);
    stream.write(dib.data(), fileSize - FileHeaderSize);
    stream.seek(0);
    return true;
}

bool TAviBackend::Open(const QString& fileName, TSafetyBitmap& frame)
{
    bool opened = false;
    openError = TOpenError::None;
    try {
        opened = OpenAviFile(fileName, frame);
    } catch (...) {
        LogDroppedError("TAviBackend::Open");
        opened = false;
    }
    if (!opened && openError == TOpenError::None)
        openError = TOpenError::Unreadable;
    if (!opened)
        Close();
    return opened;
}

bool TAviBackend::OpenAviFile(const QString& fileName, TSafetyBitmap& frame)
{
    if (file)
        ReleaseStreamAndFile();
    CloseFrameServer();
    if (AVIFileOpen(file, fileName) != 0)
        return false;
    if (!ChooseVideoStream())
        return false;
    firstSample = AVIStreamStart(stream);
    lastSample = firstSample + AVIStreamLength(stream) - 1;
    if (!ListsFrameData())
        return false;
    // Positions are 32-bit milliseconds; the services clamp to that.
    if (Duration() >= INT_MAX)
        return Refuse(TOpenError::TooLong);
    if (!FirstFrameDelivered() || !MeasureLastFrame())
        return false;
    frame.SetSize24(pictureWidth, pictureHeight);
    return true;
}

// The video stream with the lowest priority value; the first of equals.
bool TAviBackend::ChooseVideoStream()
{
    TAviFileInfo fileInfo;
    if (AVIFileInfo(file, fileInfo) != 0)
        return false;
    quint16 chosenPriority = 0;
    for (int i = 0; i < int(fileInfo.dwStreams); ++i) {
        PAVISTREAM candidate;
        TAviStreamInfo info;
        if (AVIFileGetStream(file, candidate, 0, i) != 0 || AVIStreamInfo(candidate, info) != 0)
            return false;
        if (info.fccType != streamtypeVIDEO)
            continue;
        if (!stream || info.wPriority < chosenPriority) {
            stream = std::move(candidate);
            chosenPriority = info.wPriority;
            streamNumber = i;
        }
    }
    return stream ? true : Refuse(TOpenError::NoVideoStream);
}

// An index whose entries are all empty or outside the file has nothing to show.
bool TAviBackend::ListsFrameData() const
{
    for (int i = 0; i < stream->EntryCount(); ++i)
        if (stream->Entry(i).size > 0 && stream->Entry(i).Readable())
            return true;
    return false;
}

bool TAviBackend::FirstFrameDelivered()
{
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    const bool delivered = server && !AVIStreamGetFrame(server, firstSample).isEmpty();
    AVIStreamGetFrameClose(server);
    return delivered;
}

// The size is taken from the last frame as the BMP reader sees it.
bool TAviBackend::MeasureLastFrame()
{
    PGETFRAME server = AVIStreamGetFrameOpen(stream);
    if (!server)
        return false;
    QBuffer bitmapFile;
    if (!BuildBitmapFileStream(AVIStreamGetFrame(server, lastSample), bitmapFile))
        return false;
    TSafetyBitmap measured;
    measured.LoadFromStream(bitmapFile);
    measured.SetPixelFormat(TPixelFormat::Bgr24);
    pictureWidth = measured.Width();
    pictureHeight = measured.Height();
    AVIStreamGetFrameClose(server);
    return pictureWidth > 0 && pictureHeight > 0;
}

bool TAviBackend::Close()
{
    ReleaseStreamAndFile();
    CloseFrameServer();
    streamNumber = -1;
    firstSample = 0;
    lastSample = -1;
    pictureWidth = -1;
    pictureHeight = -1;
    return true;
}

void TAviBackend::ReleaseStreamAndFile()
{
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

void TAviBackend::CloseFrameServer()
{
    lastFrame = {};
    currentSample = -1;
    AVIStreamGetFrameClose(frameServer);
}

// Where the last frame ends, so that duration - 1 shows it.
int TAviBackend::Duration() const
{
    return stream ? AVIStreamSampleToTime(stream, lastSample - firstSample + 1) : -1;
}

bool TAviBackend::SeekTo(int position)
{
    if (!stream)
        return false;
    const int n = std::max(AVIStreamTimeToSample(stream, position), 0);
    // 64 bits: a far position must not wrap around past the last sample.
    const int sample = int(std::min<qint64>(qint64(firstSample) + n, lastSample));
    return FetchSample(sample);
}

bool TAviBackend::FetchSample(int sample)
{
    CloseFrameServer();
    frameServer = AVIStreamGetFrameOpen(stream);
    if (!frameServer)
        return false;
    lastFrame = AVIStreamGetFrame(frameServer, sample);
    if (!lastFrame.isEmpty()) {
        currentSample = sample;
        return true;
    }
    CloseFrameServer();
    return false;
}

// Every sample of the stream is a frame of its own, one sample duration
// apart: stepping is counting samples.
bool TAviBackend::NextFrame()
{
    if (!stream || lastFrame.isEmpty() || currentSample >= lastSample)
        return false;
    return FetchSample(currentSample + 1);
}

bool TAviBackend::PreviousFrame()
{
    if (!stream || lastFrame.isEmpty() || currentSample <= firstSample)
        return false;
    return FetchSample(currentSample - 1);
}

// SampleToTime rounds up and TimeToSample down, so the time of a sample
// gives that sample back.
int TAviBackend::FramePosition() const
{
    if (!stream || lastFrame.isEmpty())
        return -1;
    return AVIStreamSampleToTime(stream, currentSample - firstSample);
}

bool TAviBackend::RenderFrame(TSafetyBitmap& frame)
{
    if (lastFrame.isEmpty())
        return false;
    try {
        QBuffer bitmapFile;
        if (!BuildBitmapFileStream(lastFrame, bitmapFile))
            return false;
        frame.LoadFromStream(bitmapFile);
        frame.SetPixelFormat(TPixelFormat::Bgr24);
        return true;
    } catch (...) {
        LogDroppedError("TAviBackend::RenderFrame");
        return false;
    }
}

#pragma once

#include "decoder/UAvPointer.h"
#include "picture/TBitmapInfoHeader.h"

#include <array>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace avifile {

class TAviStream;

// Decodes the compressed frames of a video stream with libavcodec. A frame is
// decoded from the key frame at or before it; when the requested frame lies
// after the last one decoded (and no key frame is skipped over needlessly),
// decoding simply goes on from there.
class TAviVideoDecoder
{
public:
    // Pictures above this many pixels are refused (bounded memory for
    // damaged headers).
    static constexpr int maxDimension = 16384;
    static constexpr qint64 maxPixels = qint64(8192) * 4608;

    explicit TAviVideoDecoder(TAviStream& stream);

    // The codec for the stream's format, from its biCompression or its
    // handler code through FFmpeg's table of RIFF tags; AV_CODEC_ID_NONE when
    // unknown.
    static AVCodecID FindCodec(quint32 compression, quint32 handler);

    // Opens the codec once; false when the stream cannot be decoded.
    bool Open();
    // The picture of entry index, or nullptr when it cannot be decoded. The
    // picture stays valid until the next call.
    const AVFrame* Decode(int index);
    // A converter from the picture's format to 24-bit BGR, kept across frame
    // servers (the back end opens one for every seek); nullptr when none.
    SwsContext* ConverterFor(const AVFrame& picture);

private:
    int KeyFrameAtOrBefore(int index) const;
    void Restart();
    bool Feed(int index);
    void ReceivePictures(int index);
    bool PictureShows(int index) const;
    void SetPaletteFrom(const TBitmapInfoHeader& header, const QByteArray& format);

    TAviStream& stream;
    TAvPointer<AVCodecContext, avcodec_free_context> context;
    TAvPointer<AVPacket, av_packet_free> packet;
    TAvPointer<AVFrame, av_frame_free> received;
    TAvPointer<AVFrame, av_frame_free> picture;
    TAvPointer<SwsContext, sws_freeContext> converter;
    bool opened = false;
    bool openFailed = false;
    bool hasPicture = false;
    int pictureIndex = -1; // the frame the picture was decoded from
    int decodedIndex = -1;
    bool hasPalette = false;
    std::array<quint32, 256> palette {};
};

} // namespace avifile

#include "decoder/avifile/TAviVideoDecoder.h"

#include "decoder/avifile/TAviStream.h"
#include "decoder/avifile/TRiffSource.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstring>

namespace avifile {

TAviVideoDecoder::TAviVideoDecoder(TAviStream& aviStream)
    : stream(aviStream)
{
}

AVCodecID TAviVideoDecoder::FindCodec(quint32 compression, quint32 handler)
{
    const AVCodecTag* const tables[] = { avformat_get_riff_video_tags(), nullptr };
    AVCodecID id = av_codec_get_id(tables, compression);
    // A handler of 0 says nothing (and would read as uncompressed RGB).
    if (id == AV_CODEC_ID_NONE && handler != 0)
        id = av_codec_get_id(tables, handler);
    return id;
}

bool TAviVideoDecoder::Open()
{
    if (opened || openFailed)
        return opened;
    openFailed = true;
    const auto header = TBitmapInfoHeader::Parse(stream.Format());
    if (!header || header->biWidth <= 0 || header->biWidth > maxDimension || header->biHeight == 0
        || header->AbsoluteHeight() > maxDimension)
        return false;
    const AVCodec* codec = avcodec_find_decoder(FindCodec(header->biCompression, stream.Info().fccHandler));
    if (!codec || codec->type != AVMEDIA_TYPE_VIDEO)
        return false;
    context.reset(avcodec_alloc_context3(codec));
    packet.reset(av_packet_alloc());
    received.reset(av_frame_alloc());
    picture.reset(av_frame_alloc());
    if (!context || !packet || !received || !picture)
        return false;
    context->codec_tag = header->biCompression;
    context->width = header->biWidth;
    context->height = int(header->AbsoluteHeight());
    context->bits_per_coded_sample = header->biBitCount;
    context->thread_count = 1; // one frame in, one picture out
    context->max_pixels = maxPixels;
    // What follows the 40-byte header (a colour table, codec setup) is the
    // codec's extra data, as FFmpeg's own AVI reader hands it over.
    const QByteArray extra = stream.Format().mid(TBitmapInfoHeader::size);
    if (!extra.isEmpty()) {
        context->extradata = static_cast<uint8_t*>(av_mallocz(size_t(extra.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!context->extradata)
            return false;
        std::memcpy(context->extradata, extra.constData(), size_t(extra.size()));
        context->extradata_size = int(extra.size());
    }
    if (header->biBitCount <= 8)
        SetPaletteFrom(*header, stream.Format());
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    opened = true;
    openFailed = false;
    return true;
}

void TAviVideoDecoder::SetPaletteFrom(const TBitmapInfoHeader& header, const QByteArray& format)
{
    const qsizetype tableOffset = header.biSize >= TBitmapInfoHeader::size && header.biSize <= quint32(format.size())
        ? qsizetype(header.biSize)
        : TBitmapInfoHeader::size;
    const qsizetype entries = std::min<qsizetype>((format.size() - tableOffset) / 4, 256);
    for (qsizetype i = 0; i < entries; ++i)
        palette[size_t(i)] = 0xFF000000u | ReadLE32(format, tableOffset + 4 * i);
    hasPalette = entries > 0;
}

int TAviVideoDecoder::KeyFrameAtOrBefore(int index) const
{
    int key = index;
    while (key > 0 && !stream.Entry(key).keyFrame)
        --key;
    return key;
}

void TAviVideoDecoder::Restart()
{
    avcodec_flush_buffers(context.get());
    av_frame_unref(picture.get());
    hasPicture = false;
    pictureIndex = -1;
    decodedIndex = -1;
}

const AVFrame* TAviVideoDecoder::Decode(int index)
{
    if (!opened || index < 0 || index >= stream.EntryCount())
        return nullptr;
    if (index == decodedIndex)
        return PictureShows(index) ? picture.get() : nullptr;
    const TAviSample& target = stream.Entry(index);
    if (target.size > 0 && !target.Readable())
        return nullptr;
    const int key = KeyFrameAtOrBefore(index);
    int next = decodedIndex + 1;
    if (decodedIndex < key || decodedIndex > index) {
        Restart();
        next = key;
    }
    for (; next <= index; ++next) {
        // A frame that cannot be read is left out; the ones after it still
        // decode, perhaps with faults, as a player would show them.
        Feed(next);
    }
    decodedIndex = index;
    return PictureShows(index) ? picture.get() : nullptr;
}

// The picture is the frame's own, or an earlier one that only dropped
// (empty) frames follow. A damaged frame does not show the one before it.
bool TAviVideoDecoder::PictureShows(int index) const
{
    if (!hasPicture || pictureIndex < 0 || pictureIndex > index)
        return false;
    for (int i = pictureIndex + 1; i <= index; ++i)
        if (stream.Entry(i).size > 0)
            return false;
    return true;
}

bool TAviVideoDecoder::Feed(int index)
{
    const TAviSample& sample = stream.Entry(index);
    // An empty chunk is a dropped frame: the previous picture stays.
    if (sample.size == 0 || !sample.Readable())
        return sample.size == 0;
    if (sample.size > quint32(std::numeric_limits<int>::max() - AV_INPUT_BUFFER_PADDING_SIZE))
        return false;
    av_packet_unref(packet.get());
    if (av_new_packet(packet.get(), int(sample.size)) < 0)
        return false;
    if (!stream.ReadEntry(index, reinterpret_cast<char*>(packet->data), sample.size))
        return false;
    if (sample.keyFrame)
        packet->flags |= AV_PKT_FLAG_KEY;
    if (hasPalette) {
        uint8_t* side = av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (side)
            std::memcpy(side, palette.data(), AVPALETTE_SIZE);
    }
    int result = avcodec_send_packet(context.get(), packet.get());
    if (result == AVERROR(EAGAIN)) {
        ReceivePictures(index - 1);
        result = avcodec_send_packet(context.get(), packet.get());
    }
    ReceivePictures(index);
    return result >= 0;
}

SwsContext* TAviVideoDecoder::ConverterFor(const AVFrame& frame)
{
    converter.reset(sws_getCachedContext(converter.release(), frame.width, frame.height, AVPixelFormat(frame.format),
                                         frame.width, frame.height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr,
                                         nullptr));
    return converter.get();
}

// One frame in, one picture out: what comes out now is the frame's.
void TAviVideoDecoder::ReceivePictures(int index)
{
    while (avcodec_receive_frame(context.get(), received.get()) >= 0) {
        av_frame_unref(picture.get());
        av_frame_move_ref(picture.get(), received.get());
        hasPicture = true;
        pictureIndex = index;
    }
}

} // namespace avifile

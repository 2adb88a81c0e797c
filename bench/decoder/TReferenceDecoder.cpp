#include "TReferenceDecoder.h"

#include <QFile>

extern "C" {
#include <libavutil/mathematics.h>
}

bool TReferenceDecoder::Open(const QString& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) != 0)
        return false;
    format.reset(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return false;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return false;
    stream = format->streams[index];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    codec.reset(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec.get(), stream->codecpar);
    codec->pkt_timebase = stream->time_base;
    codec->thread_count = threads;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return false;
    width = codec->width;
    height = codec->height;
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    picture.resize(static_cast<size_t>(width) * height * 3);
    return true;
}

bool TReferenceDecoder::Fetch(int position)
{
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t ts = av_rescale_q(int64_t(position) * 1000, AVRational{1, 1000000}, stream->time_base) + start;
    if (forward && lastPts != AV_NOPTS_VALUE && ts <= lastPts)
        return Convert();
    if (!(forward && lastPts != AV_NOPTS_VALUE && ts > lastPts && !ended)) {
        if (!SeekToKeyFrame(ts))
            return false;
        ended = false;
    }
    return DecodeUntil(ts) && Convert();
}

// Backward seek, then the first key packet; where that key frame lies after
// the target (MPEG streams land anywhere), one second further back, then two...
bool TReferenceDecoder::SeekToKeyFrame(int64_t ts)
{
    const int64_t second = av_rescale_q(1, AVRational{1, 1}, stream->time_base);
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    for (int64_t back = 0; back <= 64 * second; back = back ? back * 2 : second) {
        ++seeks;
        if (av_seek_frame(format.get(), stream->index, ts - back, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        avcodec_flush_buffers(codec.get());
        lastPts = AV_NOPTS_VALUE;
        while (av_read_frame(format.get(), packet.get()) >= 0) {
            if (packet->stream_index == stream->index && (packet->flags & AV_PKT_FLAG_KEY)) {
                const int64_t key = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                if (key <= ts || ts - back <= start) {
                    avcodec_send_packet(codec.get(), packet.get());
                    av_packet_unref(packet.get());
                    return true;
                }
                break;
            }
            av_packet_unref(packet.get());
        }
        av_packet_unref(packet.get());
    }
    return false;
}

bool TReferenceDecoder::DecodeUntil(int64_t ts)
{
    for (;;) {
        const int received = avcodec_receive_frame(codec.get(), frame.get());
        if (received == 0) {
            lastPts = frame->best_effort_timestamp;
            if (lastPts >= ts)
                return true;
            continue;
        }
        if (received == AVERROR_EOF)
            return lastPts != AV_NOPTS_VALUE;
        if (received != AVERROR(EAGAIN) || ended)
            return false;
        if (av_read_frame(format.get(), packet.get()) < 0) {
            avcodec_send_packet(codec.get(), nullptr);
            ended = true;
            continue;
        }
        if (packet->stream_index == stream->index)
            avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
    }
}

bool TReferenceDecoder::Convert()
{
    scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                      static_cast<AVPixelFormat>(frame->format), width, height, AV_PIX_FMT_BGR24,
                                      SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler)
        return false;
    uint8_t* target[4] = {picture.data(), nullptr, nullptr, nullptr};
    const int stride[4] = {width * 3, 0, 0, 0};
    return sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, target, stride) > 0;
}

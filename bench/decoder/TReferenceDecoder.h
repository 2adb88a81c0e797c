#pragma once

// The minimal exact-seeking loop the benchmark compares against, written
// with the same libraries: seek back to a key frame (backward flag, then
// the first key packet at or before the target), decode forward to the
// first frame at or after the target, convert it to BGR.

#include "decoder/UAvPointer.h"

#include <QString>

#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

class TReferenceDecoder
{
public:
    // forward: decode on without seeking when the target lies ahead of the
    // last frame (the minimal playback loop); otherwise every fetch seeks.
    TReferenceDecoder(int threads, bool forward) : threads(threads), forward(forward) {}

    bool Open(const QString& path);
    bool Fetch(int position);
    int Seeks() const { return seeks; }
    int Width() const { return width; }
    int Height() const { return height; }
    AVRational TimeBase() const { return stream->time_base; }
    const uint8_t* Picture() const { return picture.data(); }
    int Stride() const { return width * 3; }

private:
    bool SeekToKeyFrame(int64_t ts);
    bool DecodeUntil(int64_t ts);
    bool Convert();

    int threads;
    bool forward;
    int64_t lastPts = AV_NOPTS_VALUE;
    bool ended = false;
    TAvPointer<AVFormatContext, avformat_close_input> format;
    TAvPointer<AVCodecContext, avcodec_free_context> codec;
    TAvPointer<AVPacket, av_packet_free> packet;
    TAvPointer<AVFrame, av_frame_free> frame;
    TAvPointer<SwsContext, sws_freeContext> scaler;
    AVStream* stream = nullptr;
    int width = 0;
    int height = 0;
    int seeks = 0;
    std::vector<uint8_t> picture;
};

#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace avifile {

// FFmpeg objects owned through unique_ptr; each type names its release call.
template <typename T>
struct TAvDeleter;

template <>
struct TAvDeleter<AVCodecContext> {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
template <>
struct TAvDeleter<AVFrame> {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
template <>
struct TAvDeleter<AVPacket> {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
template <>
struct TAvDeleter<SwsContext> {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

template <typename T>
using TAvPointer = std::unique_ptr<T, TAvDeleter<T>>;

} // namespace avifile

#pragma once

#include <memory>
#include <type_traits>

// Owning pointers for FFmpeg objects: one deleter template that calls the
// library's own release routine, whether it takes the object or the address
// of the pointer (avformat_close_input, avcodec_free_context, av_frame_free,
// av_packet_free, sws_freeContext).
template <auto FreeFunction>
struct TAvDeleter
{
    template <typename T>
    void operator()(T* object) const
    {
        if constexpr (std::is_invocable_v<decltype(FreeFunction), T**>)
            FreeFunction(&object);
        else
            FreeFunction(object);
    }
};

template <typename T, auto FreeFunction>
using TAvPointer = std::unique_ptr<T, TAvDeleter<FreeFunction>>;

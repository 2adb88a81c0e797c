// libFuzzer target over the FFmpeg back end: open (probing, the demuxer and
// codec checks, the duration scan), then fetches forwards, backwards, past
// both ends and again at the same place. The input is written to a file
// because the back end opens files by name, as the program does.

#include "decoder/UFFmpegBackend.h"
#include "picture/TSafetyBitmap.h"

#include <QString>

extern "C" {
#include <libavutil/log.h>
}

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// One file per process; /dev/shm keeps it off the disk.
char inputPath[64];

void RemoveInput()
{
    std::remove(inputPath);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Damaged input makes the demuxers and codecs complain on every run.
    av_log_set_level(AV_LOG_QUIET);
    std::snprintf(inputPath, sizeof inputPath, "/dev/shm/pellumo-ffmpeg-fuzz-%d.bin", int(::getpid()));
    std::atexit(RemoveInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(inputPath, "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();

    // One decoding thread: a pool per run costs more than the decoding.
    TFFmpegBackend backend(1);
    TSafetyBitmap frame;
    if (!backend.Open(QString::fromLocal8Bit(inputPath), frame))
        return 0;
    const int duration = backend.Duration();
    if (duration <= 0 || backend.FrameWidth() <= 0 || backend.FrameHeight() <= 0)
        std::abort(); // an open file always has a picture size and a length
    // To the end, back to the start (a seek), forwards, past the end.
    for (int position : {duration - 1, 0, 97, INT_MAX}) {
        if (backend.SeekTo(position) && backend.RenderFrame(frame)
            && (frame.Width() != backend.FrameWidth() || frame.Height() != backend.FrameHeight()))
            std::abort();
    }
    backend.Close();
    return 0;
}

#include "decoder/UFFmpegLog.h"

#include "support/ULog.h"

#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace {

void LogLine(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_WARNING)
        return;
    // A line may arrive in pieces; the prefix rule is per thread.
    thread_local int printPrefix = 1;
    char line[1024];
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(context, level, format, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    QByteArray text(line);
    while (text.endsWith('\n'))
        text.chop(1);
    if (!text.isEmpty())
        qCWarning(lcPellumo, "ffmpeg: %s", text.constData());
}

} // namespace

void RouteFFmpegLog()
{
    static std::once_flag installed;
    std::call_once(installed, [] { av_log_set_callback(LogLine); });
}

#include "tools/UGrabOutput.h"

#include "decoder/UMovieDecoder.h"
#include "tools/TGrabOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

bool PrintLine(const QByteArray& line)
{
    const bool written = std::fwrite(line.constData(), 1, size_t(line.size()), stdout) == size_t(line.size())
                         && std::fputc('\n', stdout) != EOF;
    return std::fflush(stdout) == 0 && written;
}

bool PrintJson(const QJsonObject& record)
{
    return PrintLine(QJsonDocument(record).toJson(QJsonDocument::Compact));
}

} // namespace

bool PrintVideoLine(const TGrabOptions& options, const TMovieDecoder& decoder)
{
    const QString backend = decoder.UseAviFile() ? QStringLiteral("avi") : QStringLiteral("ffmpeg");
    if (!options.Json())
        return PrintLine(QString("backend=%1 duration=%2 size=%3x%4")
                             .arg(backend)
                             .arg(decoder.Duration())
                             .arg(decoder.FrameWidth())
                             .arg(decoder.FrameHeight())
                             .toLocal8Bit());
    return PrintJson({{"type", "video"},
                      {"video", options.VideoPath()},
                      {"backend", backend},
                      {"duration", decoder.Duration()},
                      {"width", decoder.FrameWidth()},
                      {"height", decoder.FrameHeight()}});
}

bool PrintPictureLine(const TGrabOptions& options, int number, int position, const QString& path)
{
    if (!options.Json())
        return PrintLine(QString("%1\t%2\t%3").arg(number, 3, 10, QChar('0')).arg(position).arg(path).toLocal8Bit());
    return PrintJson({{"type", "picture"},
                      {"video", options.VideoPath()},
                      {"index", number},
                      {"position", position},
                      {"file", path}});
}

bool PrintSheetLine(const TGrabOptions& options, const QList<int>& positions, const QString& path)
{
    if (!options.Json())
        return PrintLine(QString("sheet\t%1\t%2").arg(positions.size()).arg(path).toLocal8Bit());
    QJsonArray list;
    for (int position : positions)
        list.append(position);
    return PrintJson({{"type", "sheet"}, {"video", options.VideoPath()}, {"positions", list}, {"file", path}});
}

void PrintGrabError(const QString& message)
{
    std::fprintf(stderr, "pellumo-grab: %s\n", qPrintable(message));
}

#include "tools/UGrabOutput.h"

#include "decoder/UMovieDecoder.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UDeinterlace.h"
#include "picture/UImageWriter.h"
#include "tools/TGrabOptions.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <exception>

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

bool PrintPictureLine(const TGrabOptions& options, int number, int position, int frame, const QString& path)
{
    if (!options.Json())
        return PrintLine(QString("%1\t%2\t%3").arg(number, 3, 10, QChar('0')).arg(position).arg(path).toLocal8Bit());
    return PrintJson({{"type", "picture"},
                      {"video", options.VideoPath()},
                      {"index", number},
                      {"position", position},
                      {"frame", frame},
                      {"file", path}});
}

bool PrintSheetLine(const TGrabOptions& options, const QList<int>& positions, const QList<int>& frames,
                    const QString& path)
{
    if (!options.Json())
        return PrintLine(QString("sheet\t%1\t%2").arg(positions.size()).arg(path).toLocal8Bit());
    auto array = [](const QList<int>& values) {
        QJsonArray list;
        for (int value : values)
            list.append(value);
        return list;
    };
    return PrintJson({{"type", "sheet"},
                      {"video", options.VideoPath()},
                      {"positions", array(positions)},
                      {"frames", array(frames)},
                      {"file", path}});
}

bool PrintCutLine(const TGrabOptions& options, int number, int position)
{
    if (!options.Json())
        return PrintLine(QByteArray::number(position));
    return PrintJson({{"type", "cut"}, {"video", options.VideoPath()}, {"index", number}, {"position", position}});
}

bool PrintShotsLine(const TGrabOptions& options, int found, int taken, int duplicates)
{
    if (!options.Json())
        return PrintLine(QString("shots\t%1\t%2\t%3").arg(found).arg(taken).arg(duplicates).toLocal8Bit());
    return PrintJson({{"type", "shots"},
                      {"video", options.VideoPath()},
                      {"shots", found},
                      {"taken", taken},
                      {"duplicates", duplicates}});
}

void WriteGrabPicture(const QImage& image, const QString& path, const TGrabOptions& options)
{
    switch (options.ImageFormat()) {
    case TGrabOptions::TImageFormat::Jpeg: WriteJpegFile(image, path, 90); return;
    case TGrabOptions::TImageFormat::Png: WritePngFile(image, path); return;
    case TGrabOptions::TImageFormat::Bmp: WriteBmpFile(image, path); return;
    }
}

bool WriteNumberedPicture(const TSafetyBitmap& frame, int number, const TGrabOptions& options, QString& path)
{
    path = QDir(options.OutputFolder()).filePath(QString("%1.%2").arg(number, 3, 10, QChar('0')).arg(options.Extension()));
    TSafetyBitmap picture;
    picture.Assign(frame);
    if (options.Deinterlace())
        DeinterlaceBitmap(picture);
    try {
        WriteGrabPicture(picture.Image(), path, options);
        return true;
    } catch (const std::exception& error) {
        PrintGrabError(QString("cannot write %1: %2").arg(path, QString::fromLocal8Bit(error.what())));
        return false;
    }
}

void PrintGrabError(const QString& message)
{
    std::fprintf(stderr, "pellumo-grab: %s\n", qPrintable(message));
}

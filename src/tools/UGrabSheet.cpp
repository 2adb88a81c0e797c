#include "tools/UGrabSheet.h"

#include "decoder/UMovieDecoder.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UContactSheet.h"
#include "picture/UDeinterlace.h"
#include "picture/UImageWriter.h"
#include "tools/TGrabOptions.h"
#include "tools/UGrabOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstring>
#include <exception>

std::unique_ptr<QCoreApplication> MakeGrabApplication(int& argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            break;
        if (std::strcmp(argv[i], "--sheet") == 0 || std::strncmp(argv[i], "--sheet=", 8) == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

int WriteGrabSheet(TMovieDecoder& decoder, const TGrabOptions& options)
{
    const std::vector<int> picks = options.Positions(decoder.Duration());
    const QList<int> positions(picks.begin(), picks.end());
    TSheetHeader header;
    header.Movie = QFileInfo(options.VideoPath()).fileName();
    header.Duration = decoder.Duration();
    header.FrameSize = QSize(decoder.FrameWidth(), decoder.FrameHeight());
    const TSheetLayout layout = ContactSheetLayout(int(positions.size()), header.FrameSize, options.SheetColumns());

    int status = 0;
    QList<TSheetScene> cells;
    QList<int> frames;
    for (int i = 0; i < positions.size(); ++i) {
        TSheetScene cell{{}, i + 1, positions[i]};
        frames.append(-1);
        if (decoder.FetchFrame(positions[i])) {
            frames.back() = decoder.FramePosition();
            TSafetyBitmap picture;
            picture.Assign(decoder.FrameBitmap());
            if (options.Deinterlace())
                DeinterlaceBitmap(picture);
            cell.Picture = SheetThumbnail(picture.Image(), layout);
        } else {
            PrintGrabError(QString("%1: no frame at %2 ms, its cell stays empty").arg(options.VideoPath()).arg(positions[i]));
            status = 1;
        }
        cells.append(cell);
    }
    const QImage sheet = RenderContactSheet(cells, header, layout);

    const QDir folder(options.OutputFolder());
    const QString path = folder.filePath(QStringLiteral("sheet.") + options.Extension());
    const TImageTexts texts =
        ContactSheetTexts(QStringLiteral("pellumo-grab"), QFileInfo(options.VideoPath()).absoluteFilePath(), positions);
    try {
        if (!folder.mkpath("."))
            throw EImageWriteError(QString("cannot create folder %1").arg(options.OutputFolder()));
        if (options.ImageFormat() == TGrabOptions::TImageFormat::Jpeg)
            WriteJpegFile(sheet, path, 90, texts);
        else
            WritePngFile(sheet, path, texts);
    } catch (const std::exception& error) {
        PrintGrabError(QString("cannot write %1: %2").arg(path, QString::fromLocal8Bit(error.what())));
        return 1;
    }
    return PrintSheetLine(options, positions, frames, path) ? status : 1;
}

// pellumo-grab: writes the frames of a video at given positions as pictures,
// through the program's own decoder. See TGrabOptions::Usage().

#include "decoder/TRangeReader.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/USharpestFrame.h"
#include "picture/TSafetyBitmap.h"
#include "support/Filever.h"
#include "support/Pathutil.h"
#include "tools/TGrabBatch.h"
#include "tools/TGrabOptions.h"
#include "tools/UGrabOutput.h"
#include "tools/UGrabSheet.h"
#include "tools/UGrabShots.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <unistd.h>

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// A byte string that does not survive decoding (not valid UTF-8) would name
// another file once it became a QString.
bool RepresentableArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (!Pathutil::IsRepresentablePath(argv[i]))
            return false;
    return true;
}

// Result lines are what a script reads: one that cannot be written is a
// failure like a picture that cannot be written. The first error is kept.
int outputError = 0;

void FlushOutput()
{
    if (std::fflush(stdout) != 0 && outputError == 0)
        outputError = errno != 0 ? errno : EIO;
}

QString DescribeOpenError(TOpenError error)
{
    switch (error) {
    case TOpenError::None: break;
    case TOpenError::NotRegularFile: return "no such file, or not a regular file";
    case TOpenError::Unreadable: return "not a video either reader can read, or no picture decodes";
    case TOpenError::NoVideoStream: return "no video stream";
    case TOpenError::ExcludedCodec:
        return "codec left to the AVI reader (Indeo 3, Cinepak, Microsoft RLE, Microsoft Video 1), which could not "
               "read it";
    case TOpenError::TooLarge: return "pictures larger than 8192 pixels a side";
    case TOpenError::UnknownDuration: return "unknown duration";
    case TOpenError::TooShort: return "too short (40 ms or less)";
    case TOpenError::TooLong: return "too long (more than 2147483647 ms, about 24.8 days)";
    }
    return "unknown reason";
}

// A progress line for long runs, only where someone watches.
class TProgress
{
public:
    explicit TProgress(int total) : total(total), shown(total >= 10 && ::isatty(STDERR_FILENO)) {}
    ~TProgress()
    {
        if (shown)
            std::fprintf(stderr, "\r%*s\r", 40, "");
    }
    void Step(int done) const
    {
        if (shown)
            std::fprintf(stderr, "\rpellumo-grab: %d/%d", done, total);
    }

private:
    int total;
    bool shown;
};

int Grab(const TGrabOptions& options)
{
    TMovieDecoder decoder;
    decoder.SetStoredPixels(options.StoredPixels());
    if (!decoder.Open(options.VideoPath())) {
        PrintGrabError(QString("cannot open video %1: %2").arg(options.VideoPath(), DescribeOpenError(decoder.OpenError())));
        return ExitFailure;
    }
    PrintVideoLine(options, decoder);
    FlushOutput();
    if (options.InfoOnly())
        return 0;
    if (options.SheetColumns() > 0)
        return WriteGrabSheet(decoder, options);
    if (options.Shots() || options.ListShots())
        return GrabShots(decoder, options);

    const std::vector<TGrabOptions::TPick> picks = options.Picks(decoder.Duration());
    const QDir folder(options.OutputFolder());
    if (!picks.empty() && !folder.mkpath(".")) {
        PrintGrabError(QString("cannot create folder %1").arg(options.OutputFolder()));
        return ExitFailure;
    }
    // Several plain positions are read ahead by decoders side by side, in
    // the order given; the sharpest-frame searches use the decoder above.
    std::vector<int> plainPositions;
    for (const TGrabOptions::TPick& pick : picks)
        if (!pick.sharpest)
            plainPositions.push_back(pick.position);
    std::optional<TRangeReader> reader;
    if (plainPositions.size() > 1)
        reader.emplace(decoder, plainPositions);
    TRangeReader::TFrame readFrame;
    int status = 0;
    const TProgress progress(static_cast<int>(picks.size()));
    for (size_t i = 0; i < picks.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        int position = picks[i].position;
        int frame = -1;
        bool fetched = false;
        if (picks[i].sharpest) {
            // Without any frame worth a score the frame at the position is written.
            const TSharpestFrame sharpest = FindSharpestFrame(decoder, position);
            fetched = sharpest.position >= 0 || decoder.FetchFrame(position);
            position = sharpest.position >= 0 ? sharpest.position : position;
        } else if (reader) {
            fetched = reader->Next(readFrame) && readFrame.fetched;
            frame = readFrame.framePosition;
        } else {
            fetched = decoder.FetchFrame(position);
        }
        if (frame < 0)
            frame = decoder.FramePosition();
        // As in the program's split: a frame that cannot be fetched gives no
        // picture (the previous one would carry the wrong position).
        if (!fetched) {
            PrintGrabError(QString("%1: no frame at %2 ms, skipped").arg(options.VideoPath()).arg(position));
            status = ExitFailure;
            progress.Step(number);
            continue;
        }
        QString path;
        if (!WriteNumberedPicture(reader && !picks[i].sharpest ? readFrame.picture : decoder.FrameBitmap(), number,
                                  options, path))
            return ExitFailure;
        PrintPictureLine(options, number, position, frame, path);
        FlushOutput();
        progress.Step(number);
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGXFSZ, SIG_IGN);   // a file-size limit fails the write instead of killing
    const std::unique_ptr<QCoreApplication> application = MakeGrabApplication(argc, argv);
    if (!RepresentableArguments(argc, argv)) {
        PrintGrabError("arguments must be valid UTF-8 (file and folder names included)");
        return ExitUsage;
    }
    TGrabOptions options;
    if (!options.Parse(QCoreApplication::arguments().mid(1))) {
        PrintGrabError(options.Error());
        std::fprintf(stderr, "%s", qPrintable(TGrabOptions::Usage()));
        return ExitUsage;
    }
    if (options.HelpRequested()) {
        std::printf("%s", qPrintable(TGrabOptions::Usage()));
        return 0;
    }
    if (options.VersionRequested()) {
        // The version the build put into this very file, as the About box shows it.
        TFileVer file(QCoreApplication::applicationFilePath());
        std::printf("pellumo-grab %s\n", qPrintable(TFileVer::VersionText(file.Query())));
        return 0;
    }
    int status = ExitFailure;
    try {
        status = TGrabBatch(options).Run(Grab);
    } catch (const std::exception& error) {
        PrintGrabError(error.what());
    }
    FlushOutput();
    if (outputError == 0 && std::ferror(stdout))
        outputError = EIO;
    if (outputError != 0) {
        PrintGrabError(QString("cannot write to standard output: %1").arg(QString::fromLocal8Bit(std::strerror(outputError))));
        return ExitFailure;
    }
    return status;
}

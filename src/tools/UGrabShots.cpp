#include "tools/UGrabShots.h"

#include "decoder/TRangeReader.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/UShotDetector.h"
#include "picture/UPerceptualHash.h"
#include "tools/TGrabOptions.h"
#include "tools/UGrabOutput.h"

#include <QDir>


namespace {

// Pictures are numbered in three digits.
constexpr int MaxShotPictures = 999;

} // namespace

int GrabShots(TMovieDecoder& decoder, const TGrabOptions& options)
{
    const auto [start, end] = options.Range(decoder.Duration());
    const std::optional<std::vector<TShotFrame>> frames = ScanShotFrames(decoder, start, end);
    if (!frames || frames->empty()) {
        PrintGrabError(QString("%1: no frame could be decoded in %2-%3 ms").arg(options.VideoPath()).arg(start).arg(end));
        return 1;
    }
    const std::vector<int> cuts = FindCuts(*frames);
    if (options.ListShots())
        for (size_t i = 0; i < cuts.size(); ++i)
            if (!PrintCutLine(options, static_cast<int>(i) + 1, (*frames)[static_cast<size_t>(cuts[i])].position))
                return 1;
    if (!options.Shots())
        return 0;

    const std::vector<TShotPick> picks = PickShotFrames(*frames, cuts, MaxShotPictures);
    const QDir folder(options.OutputFolder());
    if (!folder.mkpath(".")) {
        PrintGrabError(QString("cannot create folder %1").arg(options.OutputFolder()));
        return 1;
    }
    std::vector<int> positions;
    for (const TShotPick& pick : picks)
        positions.push_back(pick.position);
    TRangeReader reader(decoder, positions);
    TRangeReader::TFrame frame;
    std::vector<TPictureHash> written;
    int duplicates = 0;
    int status = 0;
    while (reader.Next(frame)) {
        if (!frame.fetched) {
            PrintGrabError(QString("%1: no frame at %2 ms, skipped").arg(options.VideoPath()).arg(frame.position));
            status = 1;
            continue;
        }
        const TPictureHash hash = PerceptualHash(frame.picture.Image());
        if (IsNearDuplicate(hash, written)) {
            ++duplicates;
            continue;
        }
        written.push_back(hash);
        const int number = static_cast<int>(written.size());
        QString path;
        if (!WriteNumberedPicture(frame.picture, number, options, path))
            return 1;
        if (!PrintPictureLine(options, number, frame.framePosition, frame.framePosition, path))
            return 1;
    }
    if (!PrintShotsLine(options, static_cast<int>(picks.size()), static_cast<int>(written.size()), duplicates))
        return 1;
    return status;
}

// The shot scan of the 2-minute 1080p benchmark video against the ffmpeg
// program in the same run: a plain decode of every frame (-threads 2 -f
// null) and the scdet filter (threshold 10). Then precision and recall of
// the shot detector and of scdet on the short videos of the shot tests,
// and of the detector against scdet.
//
//   bench_shots [--video PATH] [--rounds N]

#include "decoder/UMovieDecoder.h"
#include "decoder/UShotDetector.h"
#include "fixtures/TShotVideos.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using PellumoFixture::ShotVideoFrameMs;

// CPU seconds (user and system) of this process, or of its finished children.
double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The CPU time of the last run measured (wall times are at the mercy of
// whatever else the machine runs; CPU time much less).
double lastCpu = 0;
using PellumoFixture::TShotVideo;

// Runs the ffmpeg program on the video with the filters given; the wall
// time in seconds, its standard error in `log`.
double RunFfmpeg(const QString& video, const QString& filters, QString* log = nullptr)
{
    QStringList arguments{"-nostdin", "-hide_banner", "-loglevel", log ? "info" : "error", "-threads", "2", "-i", video};
    if (!filters.isEmpty())
        arguments << "-vf" << filters;
    arguments << "-an" << "-f" << "null" << "-";
    QProcess ffmpeg;
    QElapsedTimer timer;
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    timer.start();
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    ffmpeg.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    lastCpu = CpuSeconds(RUSAGE_CHILDREN) - cpu;
    if (log)
        *log = QString::fromLocal8Bit(ffmpeg.readAllStandardError());
    return ffmpeg.exitCode() == 0 ? seconds : -1.0;
}

// The cut positions scdet reports (its "lavfi.scd.time" lines), in ms.
std::vector<int> ScdetCuts(const QString& video)
{
    QString log;
    RunFfmpeg(video, QStringLiteral("scdet=threshold=10"), &log);
    std::vector<int> cuts;
    const QRegularExpression time(QStringLiteral("lavfi\\.scd\\.time: ([0-9.]+)"));
    for (auto match = time.globalMatch(log); match.hasNext();)
        cuts.push_back(static_cast<int>(match.next().captured(1).toDouble() * 1000.0 + 0.5));
    return cuts;
}

struct TScan
{
    double seconds = -1;
    std::vector<int> cuts;
    int frames = 0;
};

TScan ScanCuts(const QString& video, int decoders)
{
    TScan scan;
    TMovieDecoder movie;
    if (!movie.Open(video))
        return scan;
    TShotScanOptions options;
    options.decoders = decoders;
    QElapsedTimer timer;
    const double cpu = CpuSeconds(RUSAGE_SELF);
    timer.start();
    const auto frames = ScanShotFrames(movie, 0, movie.Duration(), options);
    if (!frames)
        return scan;
    const std::vector<int> cuts = FindCuts(*frames);
    scan.seconds = timer.nsecsElapsed() / 1e9;
    lastCpu = CpuSeconds(RUSAGE_SELF) - cpu;
    scan.frames = static_cast<int>(frames->size());
    for (int cut : cuts)
        scan.cuts.push_back((*frames)[static_cast<size_t>(cut)].position);
    return scan;
}

// A found cut matches an expected one within one frame; a fade anywhere
// inside its stretch.
struct TTally
{
    int found = 0;
    int expected = 0;
    int foundRight = 0;
    int expectedFound = 0;

    void Add(const std::vector<int>& cuts, const std::vector<std::pair<int, int>>& truth)
    {
        auto matches = [](int cut, const std::pair<int, int>& window) {
            return cut >= window.first - ShotVideoFrameMs && cut <= window.second + ShotVideoFrameMs;
        };
        found += static_cast<int>(cuts.size());
        expected += static_cast<int>(truth.size());
        for (int cut : cuts)
            foundRight += std::any_of(truth.begin(), truth.end(), [&](const auto& w) { return matches(cut, w); });
        for (const auto& window : truth)
            expectedFound += std::any_of(cuts.begin(), cuts.end(), [&](int cut) { return matches(cut, window); });
    }
    double Precision() const { return found > 0 ? double(foundRight) / found : 1.0; }
    double Recall() const { return expected > 0 ? double(expectedFound) / expected : 1.0; }
};

std::vector<std::pair<int, int>> Truth(const TShotVideo& video)
{
    std::vector<std::pair<int, int>> windows;
    for (int frame : video.cutFrames)
        windows.emplace_back(frame * ShotVideoFrameMs, frame * ShotVideoFrameMs);
    if (video.fadeFrom >= 0)
        windows.emplace_back(video.fadeFrom * ShotVideoFrameMs, video.fadeTo * ShotVideoFrameMs);
    return windows;
}

std::vector<std::pair<int, int>> AsTruth(const std::vector<int>& cuts)
{
    std::vector<std::pair<int, int>> windows;
    for (int cut : cuts)
        windows.emplace_back(cut, cut);
    return windows;
}

QString Joined(const std::vector<int>& values)
{
    QStringList parts;
    for (int value : values)
        parts << QString::number(value);
    return parts.join(' ');
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QString video = QDir(QStringLiteral(PELLUMO_BENCH_VIDEO_DIR)).filePath(QStringLiteral("bench_h264_1080p.mp4"));
    int rounds = 1;
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--video")
            video = arguments[++i];
        else if (arguments[i] == "--rounds")
            rounds = std::max(arguments[++i].toInt(), 1);
    }
    if (!QFileInfo::exists(video)) {
        std::fprintf(stderr, "bench_shots: %s missing (bench_decoder writes it)\n", qPrintable(video));
        return 1;
    }
    std::printf("%s, %d round(s)\n", qPrintable(video), rounds);
    double plain = 0, scdet = 0, scanTwo = 0, scanOne = 0;
    double plainCpu = 0, scdetCpu = 0, scanTwoCpu = 0, scanOneCpu = 0;
    for (int round = 0; round < rounds; ++round) {
        // One after another, each round, so that a change in the machine's load falls on all.
        const double p = RunFfmpeg(video, {});
        plainCpu += lastCpu;
        const TScan two = ScanCuts(video, 2);
        scanTwoCpu += lastCpu;
        const double s = RunFfmpeg(video, QStringLiteral("scdet=threshold=10"));
        scdetCpu += lastCpu;
        const TScan one = ScanCuts(video, 1);
        scanOneCpu += lastCpu;
        if (p < 0 || s < 0 || two.seconds < 0 || one.seconds < 0) {
            std::fprintf(stderr, "bench_shots: a run failed\n");
            return 1;
        }
        std::printf("round %d: plain decode %.2f s, scdet %.2f s, scan 2 decoders %.2f s (%d frames, %zu cuts), "
                    "scan 1 decoder %.2f s (%zu cuts)\n",
                    round + 1, p, s, two.seconds, two.frames, two.cuts.size(), one.seconds, one.cuts.size());
        plain += p;
        scdet += s;
        scanTwo += two.seconds;
        scanOne += one.seconds;
    }
    std::printf("wall time:  scan (2 decoders) / plain decode %.2f, scan (1 decoder) / plain decode %.2f, "
                "scdet / plain decode %.2f\n",
                scanTwo / plain, scanOne / plain, scdet / plain);
    std::printf("CPU time:   scan (2 decoders) / plain decode %.2f, scan (1 decoder) / plain decode %.2f, "
                "scdet / plain decode %.2f (plain decode %.2f s)\n",
                scanTwoCpu / plainCpu, scanOneCpu / plainCpu, scdetCpu / plainCpu, plainCpu / rounds);

    QTemporaryDir folder;
    TTally ours, theirs, againstScdet;
    for (const TShotVideo& shotVideo : PellumoFixture::ShotVideos()) {
        const QString path = PellumoFixture::MakeShotVideo(folder.path(), shotVideo);
        if (path.isEmpty()) {
            std::fprintf(stderr, "bench_shots: cannot make %s\n", shotVideo.name);
            return 1;
        }
        const std::vector<int> found = ScanCuts(path, 2).cuts;
        const std::vector<int> scdetFound = ScdetCuts(path);
        ours.Add(found, Truth(shotVideo));
        theirs.Add(scdetFound, Truth(shotVideo));
        againstScdet.Add(found, AsTruth(scdetFound));
        std::printf("%-10s detector: %-16s scdet: %s\n", shotVideo.name, qPrintable(Joined(found)),
                    qPrintable(Joined(scdetFound)));
    }
    std::printf("detector against the made cuts: precision %.2f, recall %.2f (%d found, %d made)\n", ours.Precision(),
                ours.Recall(), ours.found, ours.expected);
    std::printf("scdet against the made cuts:    precision %.2f, recall %.2f (%d found)\n", theirs.Precision(),
                theirs.Recall(), theirs.found);
    std::printf("detector against scdet:         precision %.2f, recall %.2f\n", againstScdet.Precision(),
                againstScdet.Recall());
    return 0;
}

// The automatic split in the main window against pellumo-grab on the same
// video, in the same run: a 32-way split over the whole movie, scene files,
// stored pictures, the progress dialog and the repaint of the scene list's
// thumbnails included, against `pellumo-grab --split 32` writing the same
// frames as BMP files (process start and opening included on both sides:
// the window's time runs from OpenMovie to the painted thumbnails). Rounds
// alternate between the two; the medians and their ratios are printed, in
// wall time and in CPU time (the window's process, pellumo-grab as a child;
// all threads), which does not grow when other programs hold the cores.
//
// usage: bench_auto_split [video] [rounds] [decoders]
//   default video: the 2-minute 1080p H.264 benchmark video of bench/decoder
//   (written by pellumo_fixturegen --bench on first use). decoders: the
//   range reader's decoder count on both sides (PELLUMO_DECODERS; default:
//   one per core, at most 4), e.g. 1 to compare with a single decoder.

#include "app/UApplication.h"
#include "app/UKadrix.h"
#include "app/UPlaybackClock.h"
#include "decoder/TRangeReader.h"
#include "decoder/UMovieDecoder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int SplitCount = 32;

// Qt's dialogs, but the split's question is answered with OK.
class TBenchDialogs : public TQtDialogs
{
public:
    bool AskOkCancel(QWidget*, const QString&, const QString&) override { return true; }
    void Notify(QWidget*, const QString&, const QString& text) override
    {
        std::fprintf(stderr, "bench_auto_split: message: %s\n", qPrintable(text));
    }
};

class TStepClock : public TTickSource
{
public:
    quint32 TickCount() const override { return now; }
    quint32 now = 1000;
};

struct TTimes
{
    double wallMs;
    double cpuMs;
};

double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double ChildrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString BenchVideo()
{
    const QDir folder(QStringLiteral(PELLUMO_BENCH_VIDEO_DIR));
    const QString path = folder.filePath(QStringLiteral("bench_h264_1080p.mp4"));
    if (!QFileInfo::exists(path)) {
        std::printf("# writing the benchmark videos into %s (a few minutes, once)\n", qPrintable(folder.path()));
        QProcess::execute(QStringLiteral(PELLUMO_FIXTUREGEN_PATH), {"--bench", folder.path()});
    }
    return QFileInfo::exists(path) ? path : QString();
}

// One split in a fresh window (host mode on an empty folder: no temporary
// work folder, no close question). Returns the milliseconds and the
// positions of the scenes taken.
TTimes WindowSplit(const QString& video, std::vector<int>& positions)
{
    QTemporaryDir work;
    TfrmKadrix window({work.path()});
    auto clock = std::make_unique<TStepClock>();
    TStepClock* ticks = clock.get();
    TPlaybackController& playback = *window.findChild<TPlaybackController*>();
    playback.SetTickSource(std::move(clock));
    window.show();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    const double cpuStart = ProcessCpuMs();
    timer.start();
    window.OpenMovie(video, true);
    ticks->now += 97;
    playback.Tick(); // the first frame on screen enables the split
    window.RunAutoSplit(SplitCount);
    window.grab(); // paints the scene list with its thumbnails
    const TTimes times{timer.nsecsElapsed() / 1e6, ProcessCpuMs() - cpuStart};

    positions.clear();
    for (const QString& file : window.CaptureStore().SceneFiles())
        positions.push_back(window.CaptureStore().SceneOrigin(file).Position);
    window.close();
    return times;
}

TTimes GrabSplit(const QString& video, std::vector<int>& positions)
{
    QTemporaryDir out;
    QProcess grab;
    QElapsedTimer timer;
    const double cpuStart = ChildrenCpuMs();
    timer.start();
    grab.start(QStringLiteral(PELLUMO_GRAB_PATH), {"--split", QString::number(SplitCount), "-o", out.path(), video});
    grab.waitForFinished(-1);
    const TTimes times{timer.nsecsElapsed() / 1e6, ChildrenCpuMs() - cpuStart};
    positions.clear();
    const QStringList lines = QString::fromLocal8Bit(grab.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        positions.push_back(lines[i].section('\t', 1, 1).toInt());
    if (grab.exitCode() != 0)
        std::fprintf(stderr, "bench_auto_split: pellumo-grab exit code %d\n", grab.exitCode());
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TKadrixApplication app(argc, argv);
    TDialogs::Install(std::make_unique<TBenchDialogs>());
    const QString video = argc > 1 ? QString::fromLocal8Bit(argv[1]) : BenchVideo();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (argc > 3)
        qputenv("PELLUMO_DECODERS", argv[3]); // read by the window here and by pellumo-grab as a child
    TMovieDecoder probe;
    if (video.isEmpty() || !probe.Open(video)) {
        std::fprintf(stderr, "bench_auto_split: cannot open the video %s\n", qPrintable(video));
        return 1;
    }
    std::printf("# %s: %d x %d, %d ms; %d-way split, %d rounds, %d decoders a side\n", qPrintable(video),
                probe.FrameWidth(), probe.FrameHeight(), probe.Duration(), SplitCount, rounds,
                TRangeReader::DefaultDecoderCount());
    probe.Close();

    std::vector<double> windowWall, windowCpu, grabWall, grabCpu;
    std::vector<int> windowPositions, grabPositions;
    for (int round = 0; round < rounds; ++round) {
        const TTimes window = WindowSplit(video, windowPositions);
        const TTimes grab = GrabSplit(video, grabPositions);
        windowWall.push_back(window.wallMs);
        windowCpu.push_back(window.cpuMs);
        grabWall.push_back(grab.wallMs);
        grabCpu.push_back(grab.cpuMs);
        std::printf("round %d: window %8.1f ms wall %8.1f ms CPU (%zu scenes)   pellumo-grab %8.1f ms wall %8.1f ms "
                    "CPU (%zu pictures)\n",
                    round + 1, window.wallMs, window.cpuMs, windowPositions.size(), grab.wallMs, grab.cpuMs,
                    grabPositions.size());
    }
    std::printf("# same positions in both: %s\n", windowPositions == grabPositions ? "yes" : "NO");
    std::printf("median wall: window %.1f ms, pellumo-grab %.1f ms, window/pellumo-grab %.3f\n", Median(windowWall),
                Median(grabWall), Median(windowWall) / Median(grabWall));
    std::printf("median CPU:  window %.1f ms, pellumo-grab %.1f ms, window/pellumo-grab %.3f\n", Median(windowCpu),
                Median(grabCpu), Median(windowCpu) / Median(grabCpu));
    return 0;
}

// Measures the work of each playback tick of the main window on a video:
// the tick itself (fetch of the frame at the new bar position and the copy
// into CurrentFrame) and the repaint of the video area. The clock advances
// exactly one timer interval per tick, so every tick does the work of an
// on-time tick. Times are printed in milliseconds and as ratios against a
// reference measured in the same run: copying one frame's bytes (memcpy).
//
// usage: bench_playback_tick [--hdr10] [video] [ticks] [4K video]
//   without a video, a 1920 x 1080 H.264 clip is made with the ffmpeg program
//   in a temporary folder; with --hdr10 an HEVC 10-bit BT.2020 PQ clip of
//   that size, whose every frame is tone-mapped, and afterwards one fetch of
//   a 3840 x 2160 HDR10 frame is timed (open, fetch in the middle, and the
//   conversion of the decoded frame alone).

#include "app/UApplication.h"
#include "app/UKadrix.h"
#include "app/UPlaybackClock.h"
#include "decoder/UMovieDecoder.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class TStepClock : public TTickSource
{
public:
    quint32 TickCount() const override { return now; }
    quint32 now = 1000;
};

struct TStats
{
    std::vector<double> ms;
    double Percentile(double p) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * (sorted.size() - 1) + 0.5))];
    }
    double Mean() const
    {
        double sum = 0;
        for (double v : ms)
            sum += v;
        return sum / ms.size();
    }
};

double Elapsed(QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// CPU time of the whole process (all threads, FFmpeg's decoding threads
// included) in milliseconds: unlike wall time, it does not grow when other
// programs hold the cores.
double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The reference: copying the bytes of one 24-bit frame of the given size.
double ReferenceCopyMs(int width, int height)
{
    const size_t bytes = static_cast<size_t>(width) * height * 3;
    std::vector<char> source(bytes, 1), target(bytes);
    TStats stats;
    for (int i = 0; i < 50; ++i) {
        source[i] = static_cast<char>(i);
        QElapsedTimer timer;
        timer.start();
        std::memcpy(target.data(), source.data(), bytes);
        stats.ms.push_back(Elapsed(timer));
    }
    std::printf("# reference checksum %d\n", target[49]);
    return stats.Percentile(0.5);
}

QString RunFfmpeg(const QString& path, const QStringList& arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + arguments << path);
    ffmpeg.waitForFinished(-1);
    return ffmpeg.exitCode() == 0 ? path : QString();
}

QString MakeVideo(const QString& folder)
{
    return RunFfmpeg(folder + QStringLiteral("/bench_1080p.mp4"),
                     {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30:duration=20", "-c:v", "libx264", "-preset",
                      "veryfast", "-crf", "23", "-g", "250", "-bf", "3", "-pix_fmt", "yuv420p"});
}

// HDR10 as phones record it: HEVC 10-bit, BT.2020 primaries and matrix, PQ.
QString MakeHdr10Video(const QString& folder, const QString& size, int seconds)
{
    const QString source = QStringLiteral("testsrc2=size=%1:rate=25:duration=%2").arg(size).arg(seconds);
    return RunFfmpeg(folder + QStringLiteral("/bench_hdr10_%1.mp4").arg(size),
                     {"-f", "lavfi", "-i", source, "-vf",
                      "zscale=tin=bt709:pin=bt709:min=709:t=smpte2084:p=bt2020:m=2020_ncl:npl=100,format=yuv420p10le",
                      "-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=0", "-colorspace",
                      "bt2020nc", "-color_primaries", "bt2020", "-color_trc", "smpte2084"});
}

// One 4K HDR10 fetch: the open (which shows the first frame), a fetch in
// the middle (seek, decode, tone mapping) and the conversion alone.
void MeasureUltraHdFetch(const QString& folder, QString video)
{
    if (video.isEmpty())
        video = MakeHdr10Video(folder, QStringLiteral("3840x2160"), 2);
    TMovieDecoder decoder;
    QElapsedTimer timer;
    timer.start();
    if (video.isEmpty() || !decoder.Open(video)) {
        std::fprintf(stderr, "bench_playback_tick: no 4K HDR10 video\n");
        return;
    }
    const double openMs = Elapsed(timer);
    timer.restart();
    const bool fetched = decoder.FetchFrame(1000);
    const double fetchMs = Elapsed(timer);
    TStats conversion;
    for (int i = 0; i < 5; ++i) {
        timer.restart();
        decoder.RenderFrame();
        conversion.ms.push_back(Elapsed(timer));
    }
    const double reference = ReferenceCopyMs(decoder.FrameWidth(), decoder.FrameHeight());
    std::printf("# 4K HDR10 %d x %d (%s): open %.1f ms, fetch at 1000 ms %.1f ms%s, conversion alone median %.1f ms;"
                " memcpy of the frame %.3f ms, fetch/reference %.1f\n",
                decoder.FrameWidth(), decoder.FrameHeight(), qPrintable(decoder.PictureCorrection()), openMs, fetchMs,
                fetched ? "" : " (failed)", conversion.Percentile(0.5), reference, fetchMs / reference);
}

void Print(const char* name, const TStats& stats, double reference)
{
    std::printf("%-22s mean %7.2f  median %7.2f  p95 %7.2f  max %7.2f ms   median/reference %6.2f\n", name,
                stats.Mean(), stats.Percentile(0.5), stats.Percentile(0.95), stats.Percentile(1.0),
                stats.Percentile(0.5) / reference);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TKadrixApplication app(argc, argv);
    QTemporaryDir work; // host mode: no temporary work folder, no close question
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool hdr10 = arguments.removeAll(QStringLiteral("--hdr10")) > 0;
    QString video = !arguments.isEmpty() ? arguments.at(0)
                    : hdr10              ? MakeHdr10Video(work.path(), QStringLiteral("1920x1080"), 16)
                                         : MakeVideo(work.path());
    const int ticks = arguments.size() > 1 ? std::max(10, arguments.at(1).toInt()) : 150;
    if (video.isEmpty()) {
        std::fprintf(stderr, "bench_playback_tick: no video\n");
        return 1;
    }

    TfrmKadrix window({work.path()});
    auto clockOwner = std::make_unique<TStepClock>();
    TStepClock* clock = clockOwner.get();
    TPlaybackController& playback = *window.findChild<TPlaybackController*>();
    playback.SetTickSource(std::move(clockOwner));
    window.show();
    QCoreApplication::processEvents();
    window.OpenMovie(video, true);
    if (!window.Playback().Decoder().Active()) {
        std::fprintf(stderr, "bench_playback_tick: cannot open %s\n", qPrintable(video));
        return 1;
    }
    const int width = window.Playback().Decoder().FrameWidth();
    const int height = window.Playback().Decoder().FrameHeight();
    std::printf("# %s: %d x %d, %d ms, %d ticks of 97 ms, video area %d x %d; %s\n", qPrintable(video), width, height,
                window.Playback().Decoder().Duration(), ticks, window.Controls().PaintBox1->width(),
                window.Controls().PaintBox1->height(), qPrintable(window.Playback().Decoder().PictureCorrection()));
    const double reference = ReferenceCopyMs(width, height);
    std::printf("# reference: memcpy of one %d x %d 24-bit frame, median %.3f ms\n", width, height, reference);

    TStats tick, copy, paint, total, paintDeinterlaced, cpu;
    for (int i = 0; i < ticks && window.Playback().PlayState() == TPlaybackController::TPlayState::Playing; ++i) {
        clock->now += 97;
        QElapsedTimer timer;
        const double cpuStart = ProcessCpuMs();
        timer.start();
        playback.Tick();
        const double tickMs = Elapsed(timer);
        timer.restart();
        window.Controls().PaintBox1->repaint();
        const double paintMs = Elapsed(timer);
        cpu.ms.push_back(ProcessCpuMs() - cpuStart);
        timer.restart();
        const QImage duplicate = window.Playback().CurrentFrame().Image().copy();
        copy.ms.push_back(Elapsed(timer));
        if (tickMs + paintMs > 60)
            std::printf("# slow tick at %d ms: %.1f + %.1f ms\n", window.Controls().TrackBar1->value(), tickMs, paintMs);
        tick.ms.push_back(tickMs);
        paint.ms.push_back(paintMs);
        total.ms.push_back(tickMs + paintMs);
    }
    window.Controls().chkDeinterlace->setChecked(true);
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.Controls().PaintBox1->repaint();
        paintDeinterlaced.ms.push_back(Elapsed(timer));
    }
    Print("tick (fetch + copy)", tick, reference);
    Print("  of it: frame copy", copy, reference);
    Print("paint", paint, reference);
    Print("paint, de-interlaced", paintDeinterlaced, reference);
    Print("whole tick", total, reference);
    Print("whole tick, CPU time", cpu, reference);
    const auto over = [](const TStats& stats) {
        return static_cast<int>(std::count_if(stats.ms.begin(), stats.ms.end(), [](double v) { return v > 97; }));
    };
    std::printf("# budget: one timer interval, 97 ms; ticks over budget: wall time %d, CPU time %d, of %zu\n",
                over(total), over(cpu), total.ms.size());
    window.close();
    if (hdr10)
        MeasureUltraHdFetch(work.path(), arguments.value(2));
    return 0;
}

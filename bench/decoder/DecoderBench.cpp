// Decoder benchmark: the 32-way split, 50 random fetches and 600 playback
// ticks 97 ms apart on long 1080p videos, each against the reference loop
// (TReferenceDecoder) measured in the same run. Prints times and ratios,
// and how many delivered frames were not the exact frame. The split is also
// read by the range reader (TRangeReader) with one decoder and with two,
// opening its decoders included.
//
//   bench_decoder [--video h264|mpeg2] [--threads N] [--skip-variants]
//                 [--workload split32|random50|playback600]

#include "TReferenceDecoder.h"

#include "decoder/TRangeReader.h"
#include "decoder/UFFmpegBackend.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureFrames.h"
#include "picture/TSafetyBitmap.h"
#include "support/USplitPositions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

struct TVideo
{
    const char* key;
    const char* fileName;
    int frames;
    int rate;
};

constexpr TVideo Videos[] = {
    {"h264", "bench_h264_1080p.mp4", 3000, 25},
    {"mpeg2", "bench_mpeg2_1080p.mpg", 3000, 25},
};

struct TResult
{
    double totalMs = 0;
    double maxMs = 0;
    int slowTicks = 0; // over 97 ms
    int wrongFrames = 0;
    int failures = 0;
    int seeks = 0;
    double cpuMs = 0; // the process's CPU time, every thread: grows less than wall time when others hold the cores
};

double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct TWorkload
{
    const char* name;
    std::vector<int> positions;
    bool playback = false; // the reference decodes on instead of seeking
    bool ascending = false; // also read by the range reader
};

// The first frame at or after the position rounded to the time base.
int ExpectedFrame(const TVideo& video, AVRational base, int duration, int position)
{
    double ms = std::max(position, 0);
    if (ms >= duration)
        ms = duration - 0.001;
    const double unitsPerMs = base.den / (1000.0 * base.num);
    const double target = std::round(ms * unitsPerMs);
    const int frame = static_cast<int>(std::ceil(target / (unitsPerMs * 1000.0 / video.rate) - 1e-9));
    return std::clamp(frame, 0, video.frames - 1);
}

// Runs one fetch per position and times each.
TResult Measure(const std::vector<int>& positions, const std::function<bool(int)>& fetch,
                const std::function<int()>& frameShown, const std::function<int(int)>& expected)
{
    TResult result;
    const double cpuStart = ProcessCpuMs();
    for (int position : positions) {
        const auto start = Clock::now();
        const bool ok = fetch(position);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        result.totalMs += ms;
        result.maxMs = std::max(result.maxMs, ms);
        result.slowTicks += ms > 97.0 ? 1 : 0;
        if (!ok)
            ++result.failures;
        else if (frameShown() != expected(position))
            ++result.wrongFrames;
    }
    result.cpuMs = ProcessCpuMs() - cpuStart;
    return result;
}

struct TRunner
{
    TVideo video;
    QString path;
    int threads;
    AVRational base{1, 1};
    int duration = 0;

    TResult RunPellumo(const TWorkload& workload, int decoderThreads, bool skipNonReference)
    {
        TFFmpegBackend backend(decoderThreads);
        backend.SetSkipNonReference(skipNonReference);
        TSafetyBitmap frame;
        if (!backend.Open(path, frame))
            return TResult{0, 0, 0, 0, static_cast<int>(workload.positions.size()), 0};
        backend.ResetStatistics();
        TResult result = Measure(
            workload.positions, [&](int p) { return backend.SeekTo(p) && backend.RenderFrame(frame); },
            [&] { return PellumoFixture::ReadFrameNumber(frame); },
            [&](int p) { return ExpectedFrame(video, base, duration, p); });
        result.seeks = backend.Statistics().seeks;
        return result;
    }

    // The whole list through the range reader: the time until the last
    // frame is handed back, the reader's decoders opened inside it.
    TResult RunRangeReader(const TWorkload& workload, int decoders)
    {
        TMovieDecoder movie;
        if (!movie.Open(path))
            return TResult{0, 0, 0, 0, static_cast<int>(workload.positions.size()), 0};
        TResult result;
        const double cpuStart = ProcessCpuMs();
        const auto start = Clock::now();
        // FFmpeg's threads as the program sets them, or as --threads asks.
        TRangeReader reader(movie, workload.positions,
                            {decoders, TRangeReader::DefaultMaxWaiting, threads > 0 ? threads : -1});
        TRangeReader::TFrame frame;
        while (reader.Next(frame)) {
            if (!frame.fetched)
                ++result.failures;
            else if (PellumoFixture::ReadFrameNumber(frame.picture) != ExpectedFrame(video, base, duration, frame.position))
                ++result.wrongFrames;
        }
        result.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        result.cpuMs = ProcessCpuMs() - cpuStart;
        result.maxMs = result.totalMs;
        const TRangeReader::TStatistics statistics = reader.Statistics();
        std::printf("    range reader: %d decoders, %d segments, at most %d frames waiting\n", statistics.decoders,
                    statistics.segments, statistics.peakWaiting);
        return result;
    }

    TResult RunReference(const TWorkload& workload)
    {
        TReferenceDecoder reference(threads, workload.playback);
        if (!reference.Open(path))
            return TResult{0, 0, 0, 0, static_cast<int>(workload.positions.size()), 0};
        TResult result = Measure(
            workload.positions, [&](int p) { return reference.Fetch(p); },
            [&] {
                const QImage image(reference.Picture(), reference.Width(), reference.Height(), reference.Stride(),
                                   QImage::Format_BGR888);
                return PellumoFixture::ReadFrameNumber(image);
            },
            [&](int p) { return ExpectedFrame(video, base, duration, p); });
        result.seeks = reference.Seeks();
        return result;
    }
};

void PrintResult(const char* label, const TResult& result, int count)
{
    std::printf("    %-26s total %9.1f ms  mean %7.1f ms  max %7.1f ms  >97ms %3d  seeks %4d  wrong %3d  failed %d  "
                "CPU %9.1f ms\n",
                label, result.totalMs, result.totalMs / std::max(count, 1), result.maxMs, result.slowTicks,
                result.seeks, result.wrongFrames, result.failures, result.cpuMs);
}

std::vector<TWorkload> Workloads(int duration)
{
    std::vector<TWorkload> workloads;
    workloads.push_back({"split32", SplitPositions(0, duration, 32), false, true});
    QRandomGenerator random(97);
    std::vector<int> randomPositions;
    for (int i = 0; i < 50; ++i)
        randomPositions.push_back(static_cast<int>(random.bounded(duration)));
    workloads.push_back({"random50", randomPositions});
    std::vector<int> ticks;
    for (int i = 1; i <= 600; ++i)
        ticks.push_back(std::min(i * 97, duration - 1));
    workloads.push_back({"playback600", ticks, true});
    return workloads;
}

bool EnsureVideos(const QString& folder)
{
    bool present = true;
    for (const TVideo& video : Videos)
        present = present && QFileInfo::exists(QDir(folder).filePath(video.fileName));
    if (present)
        return true;
    std::printf("writing the benchmark videos into %s (a few minutes, once)\n", qPrintable(folder));
    std::fflush(stdout);
    return QProcess::execute(PELLUMO_FIXTUREGEN_PATH, {"--bench", folder}) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QString only;
    int threads = TFFmpegBackend::DefaultDecoderThreads;
    bool variants = true;
    QString onlyWorkload;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--video" && i + 1 < arguments.size())
            only = arguments[++i];
        else if (arguments[i] == "--threads" && i + 1 < arguments.size())
            threads = arguments[++i].toInt();
        else if (arguments[i] == "--skip-variants")
            variants = false;
        else if (arguments[i] == "--workload" && i + 1 < arguments.size())
            onlyWorkload = arguments[++i];
    }
    const QString folder = QStringLiteral(PELLUMO_BENCH_VIDEO_DIR);
    if (!EnsureVideos(folder)) {
        std::fprintf(stderr, "bench_decoder: cannot write the benchmark videos\n");
        return 1;
    }
    std::printf("decoder threads: %d (0 = one per core), reference the same\n", threads);
    for (const TVideo& video : Videos) {
        if (!only.isEmpty() && only != video.key)
            continue;
        TRunner runner{video, QDir(folder).filePath(video.fileName), threads};
        TReferenceDecoder probe(threads, false);
        TFFmpegBackend backend(threads);
        TSafetyBitmap frame;
        if (!probe.Open(runner.path) || !backend.Open(runner.path, frame)) {
            std::fprintf(stderr, "bench_decoder: cannot open %s\n", qPrintable(runner.path));
            return 1;
        }
        runner.base = probe.TimeBase();
        runner.duration = backend.Duration();
        std::printf("\n%s (%dx%d, %d ms)\n", video.fileName, backend.FrameWidth(), backend.FrameHeight(),
                    runner.duration);
        for (const TWorkload& workload : Workloads(runner.duration)) {
            if (!onlyWorkload.isEmpty() && onlyWorkload != workload.name)
                continue;
            const int count = static_cast<int>(workload.positions.size());
            const TResult reference = runner.RunReference(workload);
            const TResult pellumo = runner.RunPellumo(workload, threads, true);
            std::printf("  %s: ratio pellumo/reference %.2f\n", workload.name, pellumo.totalMs / reference.totalMs);
            PrintResult("pellumo", pellumo, count);
            PrintResult("reference", reference, count);
            for (int decoders : workload.ascending ? std::vector<int>{1, 2} : std::vector<int>{}) {
                const TResult read = runner.RunRangeReader(workload, decoders);
                std::printf("  %s, range reader with %d decoder%s: ratio to reference %.2f (CPU %.2f), to pellumo "
                            "%.2f (CPU %.2f)\n",
                            workload.name, decoders, decoders > 1 ? "s" : "", read.totalMs / reference.totalMs,
                            read.cpuMs / reference.cpuMs, read.totalMs / pellumo.totalMs, read.cpuMs / pellumo.cpuMs);
                PrintResult("range reader", read, count);
            }
            if (!variants)
                continue;
            PrintResult("pellumo, no frame skipping", runner.RunPellumo(workload, threads, false), count);
            PrintResult(threads == 1 ? "pellumo, threads 0" : "pellumo, threads 1",
                        runner.RunPellumo(workload, threads == 1 ? 0 : 1, true), count);
            std::fflush(stdout);
        }
    }
    return 0;
}

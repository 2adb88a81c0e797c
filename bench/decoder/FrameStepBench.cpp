// Frame-step benchmark on the 2-minute 1080p H.264 video (250-frame groups
// of pictures): 100 previous-frame steps (10 from each of 10 random
// positions) against the reference loop (TReferenceDecoder: seek back and
// decode forward to the wanted frame for each step), and 20 sharpest-frame
// searches. Prints mean and median times, the ratio of the means and the
// frames that were not the wanted one.
//
//   bench_frame_step [--video PATH] [--threads N]

#include "TReferenceDecoder.h"

#include "decoder/UFFmpegBackend.h"
#include "decoder/UMovieDecoder.h"
#include "decoder/USharpestFrame.h"
#include "fixtures/TFixtureFrames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FrameMs = 40; // 25 fps
constexpr int StartPoints = 10;
constexpr int StepsPerPoint = 10;
constexpr int SharpestSearches = 20;

struct TTimes
{
    std::vector<double> ms;
    int wrong = 0;

    double Mean() const
    {
        double sum = 0;
        for (double value : ms)
            sum += value;
        return ms.empty() ? 0 : sum / static_cast<double>(ms.size());
    }
    double Median() const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    void Print(const char* label) const
    {
        std::printf("  %-28s n %3zu  mean %8.1f ms  median %8.1f ms  max %8.1f ms  wrong %d\n", label, ms.size(),
                    Mean(), Median(), ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()), wrong);
    }
};

double Time(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    QString path = QDir(QStringLiteral(PELLUMO_BENCH_VIDEO_DIR)).filePath(QStringLiteral("bench_h264_1080p.mp4"));
    int threads = TFFmpegBackend::DefaultDecoderThreads;
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == "--video")
            path = arguments[++i];
        else if (arguments[i] == "--threads")
            threads = arguments[++i].toInt();
    }
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "bench_frame_step: %s missing (bench_decoder writes it)\n", qPrintable(path));
        return 1;
    }
    TMovieDecoder decoder;
    TReferenceDecoder reference(threads, false);
    if (!decoder.Open(path) || !reference.Open(path)) {
        std::fprintf(stderr, "bench_frame_step: cannot open %s\n", qPrintable(path));
        return 1;
    }
    const int duration = decoder.Duration();
    std::printf("%s (%dx%d, %d ms), decoder threads %d\n", qPrintable(path), decoder.FrameWidth(),
                decoder.FrameHeight(), duration, threads);

    QRandomGenerator random(16);
    TTimes steps;
    TTimes referenceSteps;
    for (int point = 0; point < StartPoints; ++point) {
        const int startFrame = StepsPerPoint + static_cast<int>(random.bounded(duration / FrameMs - StepsPerPoint - 1));
        if (!decoder.FetchFrame(startFrame * FrameMs))
            return 1;
        for (int step = 1; step <= StepsPerPoint; ++step) {
            const int wanted = startFrame - step;
            bool ok = false;
            steps.ms.push_back(Time([&] { ok = decoder.PreviousFrame(); }));
            steps.wrong += ok && PellumoFixture::ReadFrameNumber(decoder.FrameBitmap()) == wanted ? 0 : 1;
            referenceSteps.ms.push_back(Time([&] { ok = reference.Fetch(wanted * FrameMs); }));
            const QImage picture(reference.Picture(), reference.Width(), reference.Height(), reference.Stride(),
                                 QImage::Format_BGR888);
            referenceSteps.wrong += ok && PellumoFixture::ReadFrameNumber(picture) == wanted ? 0 : 1;
        }
    }
    steps.Print("previous frame, pellumo");
    referenceSteps.Print("previous frame, reference");
    std::printf("  ratio of means pellumo/reference %.3f\n", steps.Mean() / std::max(referenceSteps.Mean(), 1e-9));

    TTimes searches;
    for (int i = 0; i < SharpestSearches; ++i) {
        const int position = static_cast<int>(random.bounded(duration));
        decoder.FetchFrame(position);
        TSharpestFrame found;
        searches.ms.push_back(Time([&] { found = FindSharpestFrame(decoder, position); }));
        searches.wrong += found.position >= 0 && std::abs(found.position - position) <= SharpestFrameRadiusMs ? 0 : 1;
    }
    searches.Print("sharpest frame search");
    return 0;
}

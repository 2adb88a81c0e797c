// Measures 99 captures of 1920 x 1080 frames into the scene list (BMP file
// written through a temporary name, picture stored, display collection
// reset) and the first paint of the full thumbnail grid (every thumbnail
// made), against a reference measured in the same run on the same frames:
// QImage::save as BMP plus QImage::scaled(SmoothTransformation) to the
// thumbnail size. Each frame is captured and then written by the reference,
// alternately, so both see the same disk and cache state. Prints wall times
// in milliseconds, the ratio per capture (capture + its share of the first
// paint against save + scale), the first paint and a repaint from the
// thumbnail cache, and the resident memory with 99 scenes against their raw
// size.
//
// usage: bench_scene_capture [folder]   (default: a temporary folder)

#include "app/UCaptureStore.h"
#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "picture/TSafetyBitmap.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Width = 1920, Height = 1080, Scenes = 99;
constexpr double RawSceneMb = Width * Height * 3 / 1e6; // 6.2 MB

// A frame of its own for every capture, as the decoder delivers them.
TSafetyBitmap Frame(int seed)
{
    QImage image(Width, Height, QImage::Format_BGR888);
    for (int y = 0; y < Height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < Width * 3; ++x)
            row[x] = uchar((x / 3 + y + seed * 17) ^ (x % 3 * 85));
    }
    TSafetyBitmap frame;
    frame.SetImage(image);
    return frame;
}

double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Sum(const std::vector<double>& values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/benchXXXXXX" : QString());
    QDir root(temp.path());
    root.mkpath("scenes");
    root.mkpath("reference");
    TCaptureStore store(root.filePath("scenes"));
    TfrmImageBrowser browser;
    browser.SetImagePack(&store.CustomImagePack1());
    browser.SetThumbnailSize(100);
    browser.resize(1200, 1420); // 10 columns x 10 rows: every item on screen
    browser.show();
    QWidget* viewport = browser.ListView1()->viewport();

    const double baseMb = ResidentMb();
    std::vector<double> ours, reference;
    for (int i = 0; i < Scenes; ++i) {
        const TSafetyBitmap frame = Frame(i);
        QElapsedTimer timer;
        timer.start();
        if (!store.Capture(frame, QStringLiteral("/movies/bench.mp4"), i * 1000)) {
            std::fprintf(stderr, "capture %d failed\n", i);
            return 1;
        }
        ours.push_back(timer.nsecsElapsed() / 1e6);

        timer.restart();
        frame.Image().save(root.filePath(QStringLiteral("reference/%1.bmp").arg(i)), "BMP");
        const QImage thumbnail = frame.Image().scaled(98, 55, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        reference.push_back(timer.nsecsElapsed() / 1e6);
        if (thumbnail.isNull())
            return 1;
    }
    QStringList captions;
    for (int i = 1; i <= Scenes; ++i)
        captions << QStringLiteral("No.%1").arg(i);
    browser.SetCaptions(captions);
    QApplication::processEvents();
    browser.ImagePack().ClearCache(); // in case showing the items painted them already
    QElapsedTimer timer;
    timer.start();
    viewport->grab();
    const double firstPaint = timer.nsecsElapsed() / 1e6;
    timer.restart();
    viewport->grab();
    const double repaint = timer.nsecsElapsed() / 1e6;
    const double residentMb = ResidentMb();
    const double perCapture = (Sum(ours) + firstPaint) / Scenes;
    const double perReference = Sum(reference) / Scenes;

    std::printf("captures of %dx%d frames: %d\n", Width, Height, Scenes);
    std::printf("capture (ours)       total %8.1f ms  median %6.2f ms\n", Sum(ours), Median(ours));
    std::printf("reference save+scale total %8.1f ms  median %6.2f ms\n", Sum(reference), Median(reference));
    std::printf("first paint of %d thumbnails %.1f ms, repaint from the cache %.1f ms\n", Scenes, firstPaint, repaint);
    std::printf("per capture: ours %.2f ms (capture + paint share), reference %.2f ms, ratio %.2f\n", perCapture,
                perReference, perCapture / perReference);
    std::printf("resident memory: %.0f MB with %d scenes (%.0f MB at start); limit %.0f MB = %d x %.1f MB + 150 MB\n",
                residentMb, Scenes, baseMb, Scenes * RawSceneMb + 150, Scenes, RawSceneMb);
    return 0;
}

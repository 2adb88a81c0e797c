// Loading a 1920 x 1080 24-bit BMP and making its 98 x 55 thumbnail:
// the program's path (own BMP reader + area averaging) against Qt's
// (QImage's BMP reader + QImage::scaled with SmoothTransformation), measured
// in the same run. The two sides alternate run by run, so that a busy machine
// slows both alike; the medians and their ratio are printed.
//
// Usage: bench_picture_thumbnail [repetitions]
#include "picture/TSafetyBitmap.h"
#include "picture/UAreaAverage.h"
#include "picture/UImageWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kThumbWidth = 98, kThumbHeight = 55;

QImage frame()
{
    QImage image(kWidth, kHeight, QImage::Format_BGR888);
    for (int y = 0; y < kHeight; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            line[3 * x] = uchar(x * 7 + y);
            line[3 * x + 1] = uchar(x ^ y);
            line[3 * x + 2] = uchar(y * 3);
        }
    }
    return image;
}

volatile int sink = 0;

double timeOnce(const std::function<int()>& work)
{
    QElapsedTimer timer;
    timer.start();
    sink = sink + work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs both alternately; returns their medians in milliseconds.
std::pair<double, double> compare(int repetitions, const std::function<int()>& ours, const std::function<int()>& qt)
{
    for (int i = 0; i < 3; ++i) {   // warm the page cache and the allocator for both
        timeOnce(ours);
        timeOnce(qt);
    }
    std::vector<double> oursTimes, qtTimes;
    for (int i = 0; i < repetitions; ++i) {
        oursTimes.push_back(timeOnce(ours));
        qtTimes.push_back(timeOnce(qt));
    }
    return {median(oursTimes), median(qtTimes)};
}

void report(const char* what, std::pair<double, double> result)
{
    std::printf("  %-18s ours %7.2f ms   Qt %7.2f ms   ratio ours/Qt %.2f\n", what, result.first, result.second,
                result.first / result.second);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.bmp");
    WriteBmpFile(frame(), path);

    const auto whole = compare(
        repetitions,
        [&] {
            TSafetyBitmap bitmap;
            bitmap.LoadFromFile(path);
            return ReduceByAreaAveraging(bitmap.Image(), kThumbWidth, kThumbHeight).pixel(5, 5) & 1;
        },
        [&] {
            QImage image(path, "bmp");
            return image.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(5, 5) & 1;
        });
    const auto load = compare(
        repetitions,
        [&] {
            TSafetyBitmap bitmap;
            bitmap.LoadFromFile(path);
            return bitmap.Width();
        },
        [&] { return QImage(path, "bmp").width(); });
    // Each side reduces the picture as its own loader delivers it: ours 24-bit, Qt's 32-bit.
    TSafetyBitmap bitmap;
    bitmap.LoadFromFile(path);
    const QImage loaded(path, "bmp");
    const auto reduce = compare(
        repetitions, [&] { return ReduceByAreaAveraging(bitmap.Image(), kThumbWidth, kThumbHeight).pixel(5, 5) & 1; },
        [&] { return loaded.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(5, 5) & 1; });

    std::printf("1920x1080 24-bit BMP -> 98x55 thumbnail, median of %d alternating runs\n", repetitions);
    report("load + thumbnail:", whole);
    report("load only:", load);
    report("thumbnail only:", reduce);
    return 0;
}

// Loading a 1920 x 1080 24-bit BMP and making its 98 x 55 thumbnail:
// the program's path (own BMP reader + area averaging) against Qt's
// (QImage's BMP plugin + QImage::scaled with SmoothTransformation), measured
// in the same run. Prints the median time of each and their ratio.
#include "picture/TSafetyBitmap.h"
#include "picture/UAreaAverage.h"
#include "picture/UImageWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

double medianMilliseconds(int repetitions, const std::function<int()>& work)
{
    std::vector<double> times;
    int sink = 0;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        sink += work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    if (sink == 42)
        std::puts("");
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 41;
    QTemporaryDir dir;
    const QString path = dir.filePath("frame.bmp");
    WriteBmpFile(frame(), path);

    const double ours = medianMilliseconds(repetitions, [&] {
        TSafetyBitmap bitmap;
        bitmap.LoadFromFile(path);
        return ReduceByAreaAveraging(bitmap.Image(), kThumbWidth, kThumbHeight).pixel(5, 5) & 1;
    });
    const double qt = medianMilliseconds(repetitions, [&] {
        QImage image(path, "bmp");
        return image.scaled(kThumbWidth, kThumbHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(5, 5) & 1;
    });
    const double oursLoad = medianMilliseconds(repetitions, [&] {
        TSafetyBitmap bitmap;
        bitmap.LoadFromFile(path);
        return bitmap.Width();
    });
    const double qtLoad = medianMilliseconds(repetitions, [&] { return QImage(path, "bmp").width(); });

    std::printf("1920x1080 24-bit BMP -> 98x55 thumbnail, median of %d runs\n", repetitions);
    std::printf("  load + thumbnail: ours %.2f ms, Qt %.2f ms, ratio ours/Qt %.2f\n", ours, qt, ours / qt);
    std::printf("  load only:        ours %.2f ms, Qt %.2f ms, ratio ours/Qt %.2f\n", oursLoad, qtLoad, oursLoad / qtLoad);
    return 0;
}

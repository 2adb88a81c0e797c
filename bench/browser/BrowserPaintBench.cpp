// The thumbnail browser with 99 scenes of 1920 x 1080, all on screen:
//   first paint  - every thumbnail made (area averaging) and drawn, framed and captioned;
//   repaint      - the same paint from the thumbnail cache;
// against references measured in the same run: scaling the same 99 frames
// with QImage::scaled(Qt::SmoothTransformation), and drawing 99 ready
// thumbnails into an image of the viewport's size. The cost of the same paint
// without thumbnails (frames and captions) is printed as well. The sides alternate run by
// run so that a busy machine slows both alike; medians and ratios are printed.
//
// Usage: bench_browser_paint [repetitions]
#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "picture/TCustomImagePack.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int SceneCount = 99, Width = 1920, Height = 1080;

QImage Frame(int no)
{
    QImage image(Width, Height, QImage::Format_BGR888);
    for (int y = 0; y < Height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < Width; ++x) {
            line[3 * x] = uchar(x * 7 + y + no);
            line[3 * x + 1] = uchar((x ^ y) + no * 3);
            line[3 * x + 2] = uchar(y * 3 - no);
        }
    }
    return image;
}

double Milliseconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 9;

    std::vector<QImage> frames;
    for (int i = 0; i < SceneCount; ++i)
        frames.push_back(Frame(i));
    TCustomImagePack scenes;
    scenes.SetCacheLimit(100);
    scenes.OnGetCount = [](QObject*, int& n) { n = SceneCount; };
    scenes.OnGetImage = [&](QObject*, TPictureEx* picture, int no) { picture->Bitmap().SetImage(frames[size_t(no)]); };

    TfrmImageBrowser browser;
    browser.SetImagePack(&scenes);
    browser.SetThumbnailSize(100);
    QStringList captions;
    for (int i = 1; i <= SceneCount; ++i)
        captions << QStringLiteral("No.%1").arg(i);
    browser.SetCaptions(captions);
    browser.resize(1200, 1420);   // 10 columns x 10 rows: every item on screen
    browser.show();
    QApplication::processEvents();
    QWidget* viewport = browser.ListView1()->viewport();

    const QSize thumbnail(98, 55);
    std::vector<QImage> ready(frames.size());
    std::vector<double> first, repaint, scaleReference, drawReference;
    for (int run = 0; run < repetitions + 1; ++run) {
        browser.ImagePack().ClearCache();
        const double a = Milliseconds([&] { viewport->grab(); });
        const double b = Milliseconds([&] { viewport->grab(); });
        const double c = Milliseconds([&] {
            for (size_t i = 0; i < frames.size(); ++i)
                ready[i] = frames[i].scaled(thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        });
        const double d = Milliseconds([&] {
            QPixmap canvas(viewport->size());
            QPainter painter(&canvas);
            for (size_t i = 0; i < ready.size(); ++i)
                painter.drawImage(int(i % 10) * 114 + 8, int(i / 10) * 135 + 20, ready[i]);
        });
        if (run == 0)
            continue;   // warm-up
        first.push_back(a);
        repaint.push_back(b);
        scaleReference.push_back(c);
        drawReference.push_back(d);
    }
    const double items = browser.ImagePack().CachedIndexes().size();
    // What the repaint costs without any thumbnail: frames, labels, captions.
    browser.SetImagePack(nullptr);
    std::vector<double> bare;
    for (int run = 0; run < repetitions; ++run)
        bare.push_back(Milliseconds([&] { viewport->grab(); }));
    std::printf("%d scenes of %dx%d, %d runs, thumbnails cached after a paint: %.0f\n", SceneCount, Width, Height,
                repetitions, items);
    std::printf("first paint      %8.2f ms   reference QImage::scaled x99  %8.2f ms   ratio %.2f\n", Median(first),
                Median(scaleReference), Median(first) / Median(scaleReference));
    std::printf("repaint (cache)  %8.2f ms   reference drawImage x99       %8.2f ms   ratio %.2f\n", Median(repaint),
                Median(drawReference), Median(repaint) / Median(drawReference));
    std::printf("paint without thumbnails (frames and captions only) %8.2f ms\n", Median(bare));
    return 0;
}

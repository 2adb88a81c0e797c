#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "browser/TScenePreview.h"
#include "browser/UBrowserRules.h"
#include "picture/TCustomImagePack.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"
#include "picture/UImageWriter.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>

namespace {

// The collection the browser shows: picture i is a 640 x 480 plane of colors[i].
struct Scenes
{
    TCustomImagePack pack;
    std::vector<QColor> colors;
    std::vector<QSize> sizes;
    std::multiset<int> loads;

    explicit Scenes(int count) : colors(size_t(count), Qt::red), sizes(size_t(count), QSize(640, 480))
    {
        pack.SetCacheLimit(100);
        pack.OnGetCount = [this](QObject*, int& n) { n = int(colors.size()); };
        pack.OnGetImage = [this](QObject*, TPictureEx* picture, int no) {
            loads.insert(no);
            if (sizes[size_t(no)].isEmpty())
                throw std::runtime_error("unreadable scene");
            QImage image(sizes[size_t(no)], QImage::Format_BGR888);
            image.fill(colors[size_t(no)]);
            picture->Bitmap().SetImage(image);
        };
    }
};

QStringList Captions(int count)
{
    QStringList captions;
    for (int i = 1; i <= count; ++i)
        captions << QStringLiteral("No.%1").arg(i);
    return captions;
}

// A browser of `count` scenes in a window of the given size, laid out and shown.
struct Fixture
{
    Scenes scenes;
    QWidget window;
    TfrmImageBrowser* browser;

    Fixture(int count, QSize size) : scenes(count), browser(new TfrmImageBrowser(&window))
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        browser->SetImagePack(&scenes.pack);
        browser->SetThumbnailSize(100);
        browser->SetCaptions(Captions(count));
        window.resize(size);
        window.show();
        QApplication::processEvents();
    }

    QWidget* Viewport() const { return browser->ListView1()->viewport(); }
    QModelIndex Item(int i) const { return browser->ListView1()->model()->index(i, 0); }
    QImage Paint() const { return Viewport()->grab().toImage(); }
    QColor ThumbnailCentre(const QImage& painted, int i) const
    {
        const QRect bounds = browser->ListView1()->visualRect(Item(i));
        return painted.pixelColor(bounds.left() + bounds.width() / 2, bounds.top() + 45);
    }
    std::set<int> Visible() const
    {
        std::set<int> visible;
        for (int i = 0; i < browser->ItemCount(); ++i)
            if (browser->ListView1()->visualRect(Item(i)).intersects(Viewport()->rect()))
                visible.insert(i);
        return visible;
    }
};

void RunUntilIdle()
{
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TEST(ImageBrowser, OnlyPaintedItemsGetThumbnails)
{
    Fixture f(99, {300, 260});
    f.browser->ImagePack().ClearCache();
    f.scenes.pack.ClearCache();
    f.scenes.loads.clear();
    f.Paint();
    const std::set<int> visible = f.Visible();
    ASSERT_FALSE(visible.empty());
    ASSERT_LT(visible.size(), 99u);
    EXPECT_EQ(std::set<int>(f.scenes.loads.begin(), f.scenes.loads.end()), visible);

    auto* bar = f.browser->ListView1()->verticalScrollBar();
    bar->setValue(bar->maximum());
    f.Paint();
    EXPECT_EQ(f.scenes.loads.count(98), 1u);
    EXPECT_LT(f.scenes.loads.size(), 99u);
}

TEST(ImageBrowser, ChangeOfTheShownCollectionRemakesThumbnails)
{
    Fixture f(3, {400, 300});
    EXPECT_EQ(f.ThumbnailCentre(f.Paint(), 1), QColor(Qt::red));
    f.scenes.colors[1] = Qt::blue;
    f.scenes.pack.ClearCache();   // no notification: the browser keeps what it made
    EXPECT_EQ(f.ThumbnailCentre(f.Paint(), 1), QColor(Qt::red));
    f.scenes.pack.Reset();
    EXPECT_TRUE(f.browser->ImagePack().CachedIndexes().empty());
    EXPECT_EQ(f.ThumbnailCentre(f.Paint(), 1), QColor(Qt::blue));

    // A change of one picture remakes that thumbnail alone.
    f.scenes.colors[0] = Qt::green;
    f.scenes.colors[2] = Qt::green;
    f.scenes.pack.ClearCache();
    f.scenes.pack.ResetAt(2);
    const QImage painted = f.Paint();
    EXPECT_EQ(f.ThumbnailCentre(painted, 0), QColor(Qt::red));
    EXPECT_EQ(f.ThumbnailCentre(painted, 2), QColor(Qt::green));
}

TEST(ImageBrowser, IdleDropsTheCacheOnlyWhileTheListCannotBeSeen)
{
    const std::function<void(QWidget&)> hiders[] = {&QWidget::hide, &QWidget::showMinimized};
    for (const auto& hideWindow : hiders) {
        Fixture f(5, {400, 300});
        f.Paint();
        RunUntilIdle();
        EXPECT_FALSE(f.browser->ImagePack().CachedIndexes().empty());
        hideWindow(f.window);
        RunUntilIdle();
        EXPECT_TRUE(f.browser->ImagePack().CachedIndexes().empty());
    }
}

TEST(ImageBrowser, ThumbnailsAreMadeAtTheirFittedSize)
{
    Fixture f(4, {400, 300});
    f.scenes.sizes = {{640, 480}, {480, 640}, {20, 15}, {0, 0}};   // the last one cannot be read
    f.scenes.pack.Reset();
    TCustomImagePack& thumbnails = f.browser->ImagePack();
    EXPECT_EQ(thumbnails.GetImageRect(0).size(), QSize(98, 74));
    EXPECT_EQ(thumbnails.GetImageRect(1).size(), QSize(66, 88));
    EXPECT_EQ(thumbnails.GetImageRect(2).size(), QSize(98, 74));   // enlarged
    EXPECT_FALSE(thumbnails.GetImageRect(3).isEmpty());             // the error picture, fitted
    TPictureEx enlarged;
    thumbnails.GetImage(enlarged, 2);
    EXPECT_EQ(enlarged.Bitmap().Image().pixelColor(50, 40), QColor(Qt::red));
}

TEST(ImageBrowser, JpegPicturesAreDecodedSmallAndFitted)
{
    QImage source(1600, 1200, QImage::Format_BGR888);
    source.fill(QColor(30, 120, 200));
    QByteArray data = EncodeJpeg(source);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TSafetyJPEGImage jpeg;
    jpeg.LoadFromStream(buffer);
    TCustomImagePack jpegs;
    jpegs.OnGetCount = [](QObject*, int& n) { n = 1; };
    jpegs.OnGetImage = [&](QObject*, TPictureEx* picture, int) { picture->SetGraphic(&jpeg); };
    Fixture f(1, {400, 300});
    f.browser->SetImagePack(&jpegs);
    TPictureEx thumbnail;
    f.browser->ImagePack().GetImage(thumbnail, 0);
    EXPECT_EQ(QSize(thumbnail.Width(), thumbnail.Height()), QSize(98, 74));
    const QColor centre = thumbnail.Bitmap().Image().pixelColor(49, 37);
    EXPECT_NEAR(centre.blue(), 200, 6);
    EXPECT_NEAR(centre.green(), 120, 6);
}

TEST(ImageBrowser, ForgetsACollectionDestroyedBeforeIt)
{
    Fixture f(3, {400, 300});
    auto other = std::make_unique<Scenes>(3);
    f.browser->SetImagePack(&other->pack);
    f.Paint();
    other.reset();
    EXPECT_EQ(f.browser->SourcePack(), nullptr);
    const QImage painted = f.Paint();   // draws frames without pictures, reads nothing dead
    EXPECT_EQ(f.ThumbnailCentre(painted, 0), QColor(Qt::white));
}

TEST(ImageBrowser, SelectIndexAddsToTheSelectionAndShowsTheItem)
{
    Fixture f(99, {300, 260});
    f.browser->SelectIndex(0);
    f.browser->SelectIndex(2);
    f.browser->SelectIndex(99);   // no such item: nothing changes
    EXPECT_EQ(f.browser->SelectedIndexes(), (std::vector<int>{0, 2}));
    EXPECT_EQ(f.browser->SelectedIndex(), 0);
    f.browser->SelectIndex(98);
    EXPECT_TRUE(f.Viewport()->rect().contains(f.browser->ListView1()->visualRect(f.Item(98))));
    EXPECT_EQ(f.browser->SelectedCount(), 3);
    f.browser->SelectIndex(-1);
    EXPECT_EQ(f.browser->SelectedIndex(), -1);
    f.browser->SelectIndex(1);
    f.browser->SetCaptions(Captions(99));
    EXPECT_EQ(f.browser->SelectedCount(), 0);
}

TEST(ImageBrowser, GridIsCentredAndRowMajor)
{
    Fixture f(10, {500, 400});
    const int viewWidth = f.Viewport()->width();
    const QRect first = f.browser->ListView1()->visualRect(f.Item(0));
    int columns = 1;
    while (f.browser->ListView1()->visualRect(f.Item(columns)).top() == first.top())
        ++columns;
    const QRect last = f.browser->ListView1()->visualRect(f.Item(columns - 1));
    EXPECT_EQ(columns, ArrangeGrid(viewWidth, first.width() + 10).columns);
    EXPECT_LE(std::abs(first.left() - (viewWidth - 1 - last.right())), 1);   // as much room left as right
    EXPECT_EQ(f.browser->ListView1()->visualRect(f.Item(columns)).left(), first.left());
}

TEST(ImageBrowser, TipShowsTheFullCaptionWhenShortenedAndTheOrigin)
{
    Fixture f(2, {400, 300});
    const QString longText = QStringLiteral("長い説明の付いたシーンの名前です");
    f.browser->SetCaptions({QStringLiteral("No.1"), longText});
    EXPECT_TRUE(f.browser->InfoTip(0).isEmpty());
    EXPECT_EQ(f.browser->InfoTip(1), longText);
    EXPECT_TRUE(f.browser->ItemCaption(1).endsWith(QStringLiteral("...")));
    f.browser->OnGetInfoTip = [](int i) { return i == 0 ? QStringLiteral("a.mp4 00:00:01.50") : QString(); };
    EXPECT_EQ(f.browser->InfoTip(0), QStringLiteral("a.mp4 00:00:01.50"));
    EXPECT_EQ(f.browser->InfoTip(1), longText);
}

TEST(ImageBrowser, KeysRunTheWindowsActionsAndEnterNeverReachesTheDefaultButton)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    Scenes scenes(6);
    auto* browser = new TfrmImageBrowser(&dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    layout->addWidget(browser);
    layout->addWidget(ok);
    int okClicks = 0, activations = 0, deletions = 0, selectAlls = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++okClicks; });
    QAction activate, remove, selectAll;
    QObject::connect(&activate, &QAction::triggered, [&] { ++activations; });
    QObject::connect(&remove, &QAction::triggered, [&] { ++deletions; });
    QObject::connect(&selectAll, &QAction::triggered, [&] { ++selectAlls; });
    browser->SetImagePack(&scenes.pack);
    browser->SetThumbnailSize(100);
    browser->SetCaptions(Captions(6));
    dialog.resize(300, 400);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    browser->FormActivate();
    QApplication::processEvents();
    QWidget* list = browser->ListView1();

    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(activations, 0);   // no action set yet: the key is still consumed
    browser->SetDoubleClickAction(&activate);
    browser->SetDeleteAction(&remove);
    browser->SetSelectAllAction(&selectAll);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ((std::vector<int>{activations, deletions, selectAlls}), (std::vector<int>{1, 1, 1}));

    // Two columns fit: Right moves to 1, Shift+Down extends to 3.
    browser->SelectIndex(-1);
    browser->SelectIndex(0);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(browser->SelectedIndexes(), (std::vector<int>{1}));
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(browser->SelectedIndexes(), (std::vector<int>{1, 2, 3}));

    const QRect item = browser->ListView1()->visualRect(browser->ListView1()->model()->index(4, 0));
    QTest::mouseDClick(browser->ListView1()->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(browser->SelectedIndex(), 4);
}

TEST(ImageBrowser, TheWheelScrollsByRowsAndCtrlWheelStepsTheSize)
{
    Fixture f(40, {300, 400});
    int chosen = 0;
    QObject::connect(f.browser, &TfrmImageBrowser::ThumbnailSizeChosen, [&](int size) { chosen = size; });
    QScrollBar& bar = *f.browser->ListView1()->verticalScrollBar();
    const int row = f.browser->ListView1()->visualRect(f.Item(2)).top() - f.browser->ListView1()->visualRect(f.Item(0)).top();
    ASSERT_EQ(f.browser->ColumnCount(), 2);
    ASSERT_GT(row, 0);
    const auto wheel = [&](int angle, Qt::KeyboardModifiers modifiers) {
        const QPointF at = f.Viewport()->rect().center();
        QWheelEvent event(at, f.Viewport()->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, modifiers, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(f.Viewport(), &event);
    };
    // One notch is one row, two half notches too; back up by one.
    const struct { int angle; int value; } steps[] = {{-120, row}, {-60, row}, {-60, 2 * row}, {120, row}};
    for (const auto& step : steps) {
        wheel(step.angle, Qt::NoModifier);
        EXPECT_EQ(bar.value(), step.value) << step.angle;
    }
    const struct { int angle; int size; } zooms[] = {{120, 160}, {120, 240}, {120, 240}, {-240, 100}};
    for (const auto& zoom : zooms) {
        wheel(zoom.angle, Qt::ControlModifier);
        EXPECT_EQ(f.browser->ThumbnailSize(), zoom.size) << zoom.angle;
    }
    EXPECT_EQ(chosen, 100);
}

TEST(ImageBrowser, SpaceOrARestingMouseShowsAPreviewWithTheOriginAndEscClosesIt)
{
    Fixture f(6, {300, 400});
    f.scenes.colors[3] = Qt::blue;
    f.scenes.pack.Reset();
    f.browser->OnGetInfoTip = [](int i) { return QStringLiteral("trip.mpg 00:00:0%1.00").arg(i); };
    QApplication::setActiveWindow(&f.window);
    f.browser->FormActivate();
    QWidget* list = f.browser->ListView1();
    f.browser->SelectIndex(3);

    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(f.browser->PreviewIndex(), 3);
    const TScenePreview& preview = f.browser->Preview();
    EXPECT_EQ(preview.Lines(), (QStringList{"No.4", "trip.mpg 00:00:03.00"}));
    // 640 x 480 fitted into the preview's box, several times a thumbnail.
    EXPECT_EQ(preview.Picture().size(), QSize(TScenePreview::BoxHeight * 4 / 3, TScenePreview::BoxHeight));
    EXPECT_EQ(preview.Picture().pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_EQ(f.browser->SelectedIndexes(), std::vector<int>{3}) << "Space does not change the selection";
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(f.browser->PreviewIndex(), -1);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(f.browser->PreviewIndex(), -1) << "Space again closes it";

    // Resting on an item shows it after the delay; any change of the list closes it.
    const QPoint over = f.browser->ListView1()->visualRect(f.Item(1)).center();
    QTest::mouseMove(f.Viewport(), over);
    QMouseEvent move(QEvent::MouseMove, over, f.Viewport()->mapToGlobal(over), Qt::NoButton, {}, {});
    QApplication::sendEvent(f.Viewport(), &move);
    EXPECT_TRUE(f.browser->HoverTimer().isActive());
    EXPECT_EQ(f.browser->PreviewIndex(), -1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.browser->PreviewIndex() >= 0; }, 10000));
    EXPECT_EQ(f.browser->PreviewIndex(), 1);
    f.browser->SetCaptions(Captions(6));
    EXPECT_EQ(f.browser->PreviewIndex(), -1);
}

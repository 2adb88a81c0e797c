#include "picture/TCustomImagePack.h"
#include "picture/TListener.h"
#include "picture/TMetafile.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UErrorPicture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

namespace {

// A collection of `count` pictures; picture i is (10 + i) x (5 + i), grey i.
// Records every load so that tests can see what the cache did.
struct Pack
{
    TCustomImagePack pack;
    int count = 10;
    std::vector<int> loads;
    std::map<int, bool> failing;

    explicit Pack(int limit)
    {
        pack.SetCacheLimit(limit);
        pack.OnGetCount = [this](QObject* sender, int& n) {
            EXPECT_EQ(sender, &pack);
            n = count;
        };
        pack.OnGetImage = [this](QObject*, TPictureEx* picture, int no) {
            loads.push_back(no);
            if (failing[no])
                throw std::runtime_error("cannot read picture");
            QImage image(10 + no, 5 + no, QImage::Format_BGR888);
            image.fill(QColor(no, no, no));
            picture->Bitmap().SetImage(image);
        };
    }

    void Read(std::initializer_list<int> indexes)
    {
        for (int i : indexes) {
            TPictureEx picture;
            pack.GetImage(picture, i);
        }
    }
};

bool isErrorPicture(const TPictureEx& picture)
{
    return dynamic_cast<const TMetafile*>(picture.Graphic()) != nullptr && picture.Width() == ErrorPicture().Width();
}

} // namespace

TEST(ImagePackCache, LimitOneReloadsOnAlternation)
{
    Pack p(1);
    p.Read({0, 1, 0, 1});
    EXPECT_EQ(p.loads, (std::vector<int>{0, 1, 0, 1}));
    p.Read({1, 1});
    EXPECT_EQ(p.loads.size(), 4u);
}

TEST(ImagePackCache, LoweringTheLimitEvictsTheLeastRecentAtOnce)
{
    Pack p(5);
    p.Read({0, 1, 2, 3, 4, 1});
    EXPECT_EQ(p.pack.CachedIndexes(), (std::vector<int>{0, 2, 3, 4, 1}));
    p.pack.SetCacheLimit(2);
    EXPECT_EQ(p.pack.CachedIndexes(), (std::vector<int>{4, 1}));
    EXPECT_EQ(p.pack.CacheLimit(), 2);
}

TEST(ImagePackCache, ReadingRefreshesRecency)
{
    Pack p(2);
    p.Read({3, 1, 3, 4});
    EXPECT_EQ(p.pack.CachedIndexes(), (std::vector<int>{3, 4}));
    p.loads.clear();
    p.Read({3});
    EXPECT_TRUE(p.loads.empty()) << "3 stayed cached";
    p.Read({1});
    EXPECT_EQ(p.loads, std::vector<int>{1}) << "1 was evicted";
}

TEST(ImagePackCache, StoreReplacesAndRefreshes)
{
    Pack p(3);
    p.Read({0, 1, 2});
    TPictureEx stored;
    QImage image(7, 7, QImage::Format_BGR888);
    image.fill(Qt::red);
    stored.Bitmap().SetImage(image);
    p.pack.StoreImage(stored, 0);
    EXPECT_EQ(p.pack.CachedIndexes(), (std::vector<int>{1, 2, 0}));
    stored.Bitmap().SetSize24(1, 1);   // the cache holds its own copy
    TPictureEx out;
    p.pack.GetImage(out, 0);
    EXPECT_EQ(out.Width(), 7);
    EXPECT_EQ(out.Bitmap().Image().pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(p.loads, (std::vector<int>{0, 1, 2}));
    p.pack.StoreImage(stored, 8);   // storing is a use: evicts the least recent (1)
    EXPECT_EQ(p.pack.CachedIndexes(), (std::vector<int>{2, 0, 8}));
}

TEST(ImagePackCache, HandedOutPicturesAreCopies)
{
    Pack p(2);
    TPictureEx first;
    p.pack.GetImage(first, 2);
    first.Bitmap().SetSize24(1, 1);
    TPictureEx second;
    p.pack.GetImage(second, 2);
    EXPECT_EQ(second.Width(), 12);
    EXPECT_EQ(p.loads.size(), 1u);
}

TEST(ImagePackCache, LimitBelowOneCountsAsOne)
{
    Pack p(0);
    EXPECT_EQ(p.pack.CacheLimit(), 1);
    TPictureEx picture;
    p.pack.GetImage(picture, 4);
    EXPECT_EQ(picture.Width(), 14);
}

TEST(ImagePackFailures, FailingLoadIsCachedAsErrorPictureUntilReset)
{
    Pack p(5);
    p.failing[7] = true;
    TPictureEx picture;
    // The collection absorbs the failure itself, so even GetImage does not raise.
    EXPECT_TRUE(p.pack.GetPictureSafe(picture, 7));
    EXPECT_TRUE(isErrorPicture(picture));
    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    p.pack.Draw(painter, 0, 0, 7);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::white)) << "the red-on-white error picture was drawn";
    EXPECT_EQ(p.pack.GetImageRect(7), QRect(0, 0, ErrorPicture().Width(), ErrorPicture().Height()));
    EXPECT_EQ(p.loads, std::vector<int>{7}) << "the failure is not retried while cached";

    p.failing[7] = false;
    p.pack.Reset();
    p.pack.GetImage(picture, 7);
    EXPECT_EQ(picture.Width(), 17);
    EXPECT_EQ(p.loads, (std::vector<int>{7, 7}));
}

TEST(ImagePackFailures, GetPictureSafeReportsSuccess)
{
    Pack p(2);
    TPictureEx picture;
    EXPECT_TRUE(p.pack.GetPictureSafe(picture, 1));
    EXPECT_EQ(picture.Width(), 11);
}

TEST(ImagePackFailures, GetPictureSafeCatchesWhatGetImageRaises)
{
    TCustomImagePack pack;
    pack.OnGetCount = [](QObject*, int&) { throw std::runtime_error("count unavailable"); };
    TPictureEx picture;
    EXPECT_THROW(pack.GetImage(picture, 0), std::runtime_error);
    EXPECT_FALSE(pack.GetPictureSafe(picture, 0));
    EXPECT_TRUE(isErrorPicture(picture));
    QImage canvas(10, 10, QImage::Format_RGB32);
    QPainter painter(&canvas);
    EXPECT_NO_THROW(pack.StretchDraw(painter, QRect(0, 0, 10, 10), 0));
}

TEST(ImagePackIndexes, InvalidIndexesGiveEmptyAndCacheNothing)
{
    Pack p(5);
    TPictureEx picture;
    picture.Bitmap().SetSize24(3, 3);
    p.pack.GetImage(picture, -1);
    EXPECT_TRUE(picture.Empty());
    p.pack.GetImage(picture, 10);
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(p.pack.GetImageRect(10), QRect(0, 0, 0, 0));
    EXPECT_TRUE(p.pack.CachedIndexes().empty());
    EXPECT_TRUE(p.loads.empty());
}

TEST(ImagePackIndexes, WithoutCountHandlerEverythingIsInvalid)
{
    TCustomImagePack pack;
    int loads = 0;
    pack.OnGetImage = [&](QObject*, TPictureEx*, int) { ++loads; };
    EXPECT_EQ(pack.Count(), 0);
    EXPECT_TRUE(pack.IsInvalidIndex(0));
    TPictureEx picture;
    pack.GetImage(picture, 0);
    EXPECT_EQ(loads, 0);
}

TEST(ImagePackRects, AccessorsReadTheRectangle)
{
    Pack p(4);
    EXPECT_EQ(p.pack.GetImageRect(3), QRect(0, 0, 13, 8));
    EXPECT_EQ(p.pack.GetImageWidth(3), 13);
    EXPECT_EQ(p.pack.GetImageHeight(3), 8);
    EXPECT_EQ(p.pack.GetImageLeft(3), 0);
    EXPECT_EQ(p.pack.GetImageTop(3), 0);
}

TEST(ImagePackDraw, StretchDrawAndDrawAtAPoint)
{
    Pack p(4);
    QImage canvas(40, 40, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    p.pack.Draw(painter, 20, 20, 5);           // 15 x 10 of grey 5 at (20, 20)
    p.pack.StretchDraw(painter, QRect(0, 0, 4, 4), 9);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(20, 20), QColor(5, 5, 5));
    EXPECT_EQ(canvas.pixelColor(34, 29), QColor(5, 5, 5));
    EXPECT_EQ(canvas.pixelColor(35, 29), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(3, 3), QColor(9, 9, 9));
    EXPECT_EQ(canvas.pixelColor(4, 4), QColor(Qt::white));
}

TEST(ImagePackNotify, ResetSendsOnePackChangedThenOnChange)
{
    Pack p(3);
    std::vector<QString> events;
    TListener listener([&](QObject* sender, const QUuid& id) {
        EXPECT_EQ(sender, &p.pack);
        events.push_back(id == ntfPackChanged ? "pack" : id == ntfCancelLoads ? "cancel" : "other");
    });
    listener.AddBroadcaster(&p.pack);
    p.pack.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &p.pack);
        events.push_back("OnChange");
    };
    p.Read({0, 1});
    p.pack.Reset();
    EXPECT_TRUE(p.pack.CachedIndexes().empty());
    p.pack.CancelPendingLoads();
    EXPECT_EQ(events, (std::vector<QString>{"pack", "OnChange", "cancel"}));
}

TEST(ImagePackNotify, DestroyingThePackReleasesItsListeners)
{
    TListener listener([](QObject*, const QUuid&) {});
    int destroying = 0;
    TListener watcher([&](QObject*, const QUuid& id) { destroying += id == ntfDestroying; });
    {
        TCustomImagePack pack;
        listener.AddBroadcaster(&pack);
        watcher.AddBroadcaster(&pack);
        EXPECT_EQ(listener.BroadcasterCount(), 1);
    }
    EXPECT_EQ(listener.BroadcasterCount(), 0);
    EXPECT_EQ(destroying, 1);
}

TEST(ImagePackChain, DerivedCollectionReadsFromAnotherAndSurvivesEviction)
{
    // Like the display collection reading the captured pictures: the loader
    // of one collection reads another, and may even read itself.
    Pack source(100);
    TCustomImagePack display;
    display.SetCacheLimit(1);
    display.OnGetCount = [&](QObject*, int& n) { n = source.pack.Count(); };
    display.OnGetImage = [&](QObject*, TPictureEx* picture, int no) {
        source.pack.GetPictureSafe(*picture, no);
        if (no > 0)
            (void)display.GetImageRect(no - 1);   // evicts this very entry (limit 1)
    };
    TPictureEx picture;
    display.GetImage(picture, 3);
    EXPECT_EQ(picture.Width(), 13);
}

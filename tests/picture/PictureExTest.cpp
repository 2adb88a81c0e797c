#include "picture/TChangeNotify.h"
#include "picture/TListener.h"
#include "picture/TMetafile.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"
#include "picture/UErrorPicture.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

TSafetyBitmap bitmapOf(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(color);
    TSafetyBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

struct ChangeCounter
{
    int count = 0;
    QObject* lastSender = nullptr;
    TListener listener{[this](QObject* sender, const QUuid& id) {
        if (id == ntfPictureChanged) {
            ++count;
            lastSender = sender;
        }
    }};
};

} // namespace

TEST(PictureExGraphic, SettingAGraphicStoresACopy)
{
    TPictureEx picture;
    TSafetyBitmap bitmap = bitmapOf(4, 3, Qt::red);
    picture.SetGraphic(&bitmap);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_NE(picture.Graphic(), &bitmap);
    bitmap.SetSize24(9, 9);
    EXPECT_EQ(picture.Width(), 4);
    picture.Clear();
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
}

TEST(PictureExChanged, EveryGraphicChangeNotifiesWithThePictureAsSender)
{
    TPictureEx picture;
    ChangeCounter counter;
    counter.listener.AddBroadcaster(&picture);   // the picture answers for its notifier
    int hook = 0;
    picture.OnChange = [&](TPictureEx*) { ++hook; };
    const TSafetyBitmap bitmap = bitmapOf(2, 2, Qt::blue);
    picture.SetGraphic(&bitmap);
    EXPECT_EQ(counter.count, 1);
    EXPECT_EQ(counter.lastSender, &picture);
    picture.Bitmap().SetSize24(5, 5);   // a change inside the graphic
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(hook, 2);
}

TEST(PictureExChanged, OneNotificationPerOutermostUpdate)
{
    TPictureEx picture;
    ChangeCounter counter;
    counter.listener.AddBroadcaster(&picture);
    picture.BeginUpdate();
    picture.Bitmap().SetSize24(3, 3);
    picture.Bitmap().SetSize24(4, 4);
    picture.Changed();
    EXPECT_EQ(counter.count, 0);
    picture.EndUpdate();
    EXPECT_EQ(counter.count, 1);
}

TEST(PictureExChanged, ReentrantChangeFromTheHookIsIgnored)
{
    TPictureEx picture;
    ChangeCounter counter;
    counter.listener.AddBroadcaster(&picture);
    int hook = 0;
    picture.OnChange = [&](TPictureEx* p) {
        ++hook;
        p->Changed();
    };
    picture.Changed();
    EXPECT_EQ(hook, 1);
    EXPECT_EQ(counter.count, 1);
}

TEST(PictureExChanged, ListenerIsReleasedWhenThePictureGoes)
{
    ChangeCounter counter;
    {
        TPictureEx picture;
        counter.listener.AddBroadcaster(&picture);
        EXPECT_EQ(counter.listener.BroadcasterCount(), 1);
    }
    EXPECT_EQ(counter.listener.BroadcasterCount(), 0);
}

TEST(PictureExAssign, SameBitmapClassKeepsTheGraphicObject)
{
    TPictureEx target, source;
    const TSafetyBitmap red = bitmapOf(2, 2, Qt::red), green = bitmapOf(6, 1, Qt::green);
    target.SetGraphic(&red);
    source.SetGraphic(&green);
    TGraphic* before = target.Graphic();
    int graphicChanges = 0;
    before->OnChange = [&, chained = before->OnChange](TGraphic* g) {
        ++graphicChanges;
        chained(g);
    };
    target.Assign(source);
    EXPECT_EQ(target.Graphic(), before);
    EXPECT_EQ(graphicChanges, 1);
    EXPECT_EQ(target.Width(), 6);
    EXPECT_EQ(target.Bitmap().Image().pixel(0, 0), QColor(Qt::green).rgb());
}

TEST(PictureExAssign, JpegsAndDifferentClassesReplaceTheGraphic)
{
    TPictureEx target, source;
    TSafetyBitmap bitmap = bitmapOf(8, 8, Qt::gray);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    target.SetGraphic(&jpeg);
    source.SetGraphic(&jpeg);
    TGraphic* before = target.Graphic();
    target.Assign(source);
    EXPECT_NE(target.Graphic(), before);
    EXPECT_NE(dynamic_cast<TJPEGImage*>(target.Graphic()), nullptr);

    source.SetGraphic(&bitmap);
    target.Assign(source);
    EXPECT_NE(dynamic_cast<TSafetyBitmap*>(target.Graphic()), nullptr);

    TPictureEx empty;
    target.Assign(empty);
    EXPECT_EQ(target.Graphic(), nullptr);
    TPictureEx alsoEmpty;
    ChangeCounter counter;
    counter.listener.AddBroadcaster(&alsoEmpty);
    alsoEmpty.Assign(empty);
    EXPECT_EQ(counter.count, 0) << "two empty pictures: nothing happens";
}

TEST(PictureExEnsureBitmap, ReplacesOtherGraphicsSilently)
{
    TPictureEx picture;
    picture.Assign(ErrorPicture());
    ChangeCounter counter;
    counter.listener.AddBroadcaster(&picture);
    TSafetyBitmap& bitmap = EnsureSafetyBitmap(picture);
    EXPECT_EQ(picture.Graphic(), &bitmap);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(counter.count, 0);
    bitmap.SetSize24(3, 3);
    EXPECT_EQ(&EnsureSafetyBitmap(picture), &bitmap) << "a bitmap stays";
    EXPECT_EQ(counter.count, 1);
}

TEST(ErrorPictureLook, RedTextOnWhiteExactlyAsLargeAsTheText)
{
    const TPictureEx& error = ErrorPicture();
    EXPECT_EQ(&error, &ErrorPicture());
    ASSERT_NE(dynamic_cast<const TMetafile*>(error.Graphic()), nullptr);
    const QRect text = QFontMetrics(QGuiApplication::font())
                           .boundingRect(QRect(), Qt::AlignCenter, QString::fromUtf8(ErrorPictureText()));
    EXPECT_EQ(error.Width(), text.width());
    EXPECT_EQ(error.Height(), text.height());
    EXPECT_TRUE(QString::fromUtf8(ErrorPictureText()).startsWith(QStringLiteral("イメージ処理")));

    TSafetyBitmap rendered;
    rendered.Assign(*error.Graphic());
    ASSERT_EQ(rendered.Width(), error.Width());
    int red = 0, white = 0, other = 0;
    for (int y = 0; y < rendered.Height(); ++y)
        for (int x = 0; x < rendered.Width(); ++x) {
            const QColor c = rendered.Image().pixelColor(x, y);
            if (c == Qt::white)
                ++white;
            else if (c.red() > 200 && c.green() < c.red() && c.green() == c.blue())
                ++red;   // red, or red blended with white at glyph edges
            else
                ++other;
        }
    EXPECT_GT(white, 0);
    EXPECT_GT(red, 20);
    EXPECT_EQ(other, 0);
}

TEST(SafetyBitmapAssign, SharedPixelsCopyOnlyTransparency)
{
    TSafetyBitmap a = bitmapOf(3, 3, Qt::yellow);
    TSafetyBitmap b = a;
    EXPECT_TRUE(b.Equals(a));
    a.SetTransparent(true);
    a.SetTransparentColor(Qt::yellow);
    b.Assign(a);
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentMode(), TTransparentMode::Fixed);
    EXPECT_EQ(b.TransparentColor(), QColor(Qt::yellow));
    b.SetSize24(3, 3);
    EXPECT_FALSE(b.Equals(a)) << "writing pixels detaches the shared data";
}

TEST(SafetyBitmapDraw, TransparentColourLeavesTheCanvas)
{
    TSafetyBitmap bitmap = bitmapOf(4, 4, Qt::blue);
    bitmap.ScanLine(0)[0] = 0;
    bitmap.ScanLine(0)[1] = 0;
    bitmap.ScanLine(0)[2] = 255;   // top-left pixel red
    bitmap.SetTransparent(true);
    bitmap.SetTransparentColor(Qt::blue);
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(Qt::green);
    QPainter painter(&canvas);
    bitmap.Draw(painter, QRect(0, 0, 4, 4));
    painter.end();
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(2, 2), QColor(Qt::green));
}

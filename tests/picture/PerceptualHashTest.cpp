// The perceptual hash: the same picture through a resize, a JPEG round trip
// or slight noise stays near; other pictures, and black against white, do not.

#include "picture/UPerceptualHash.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>

namespace {

QImage Drawing(int variant)
{
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QRandomGenerator random(static_cast<quint32>(variant));
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), 200, random.bounded(60, 255)));
        painter.drawEllipse(random.bounded(280), random.bounded(200), random.bounded(30, 160), random.bounded(30, 120));
    }
    return image;
}

QImage JpegRoundTrip(const QImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 40);
    return QImage::fromData(buffer.data(), "JPEG");
}

QImage Noisy(QImage image)
{
    QRandomGenerator random(3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = random.bounded(-6, 7);
            image.setPixelColor(x, y, QColor(qBound(0, c.red() + d, 255), qBound(0, c.green() + d, 255), qBound(0, c.blue() + d, 255)));
        }
    return image;
}

QImage Plain(Qt::GlobalColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(PerceptualHashTest, NearForTheSamePictureFarForOthers)
{
    const QImage picture = Drawing(1);
    const TPictureHash hash = PerceptualHash(picture);
    struct TCase
    {
        const char* name;
        QImage other;
        bool near;
    };
    const TCase cases[] = {
        {"half size", picture.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), true},
        {"jpeg", JpegRoundTrip(picture), true},
        {"noise", Noisy(picture), true},
        {"another drawing", Drawing(2), false},
        {"a third drawing", Drawing(3), false},
        {"mirrored", picture.mirrored(true, false), false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IsNearDuplicate(hash, PerceptualHash(c.other)), c.near) << c.name;
    EXPECT_FALSE(IsNearDuplicate(PerceptualHash(Plain(Qt::black)), PerceptualHash(Plain(Qt::white))));
    EXPECT_TRUE(IsNearDuplicate(hash, std::vector<TPictureHash>{PerceptualHash(Drawing(2)), PerceptualHash(Noisy(picture))}));
}

} // namespace

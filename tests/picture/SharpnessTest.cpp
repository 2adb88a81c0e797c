// Sharpness scores: sharp beats blurred, pictures that cannot be a good
// still have no score, and large pictures are scored at 640 pixels wide.

#include "picture/USharpness.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace {

// Blocks of random grey levels 60..200: plenty of edges.
QImage Texture(int width, int height, int block = 4)
{
    QImage image(width, height, QImage::Format_BGR888);
    QRandomGenerator random(7);
    for (int y = 0; y < height; y += block)
        for (int x = 0; x < width; x += block) {
            const int level = 60 + random.bounded(141);
            for (int dy = 0; dy < block && y + dy < height; ++dy)
                for (int dx = 0; dx < block && x + dx < width; ++dx)
                    image.setPixelColor(x + dx, y + dy, QColor(level, level, level));
        }
    return image;
}

QImage BoxBlur(const QImage& source, int radius)
{
    QImage blurred(source.size(), QImage::Format_BGR888);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            int sum = 0, count = 0;
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx)
                    if (source.valid(x + dx, y + dy)) {
                        sum += qGray(source.pixel(x + dx, y + dy));
                        ++count;
                    }
            blurred.setPixelColor(x, y, QColor(sum / count, sum / count, sum / count));
        }
    return blurred;
}

// Uniform level plus random noise of the given amplitude.
QImage Noisy(int level, int amplitude)
{
    QImage image(160, 120, QImage::Format_BGR888);
    QRandomGenerator random(3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int value = std::clamp(level + random.bounded(2 * amplitude + 1) - amplitude, 0, 255);
            image.setPixelColor(x, y, QColor(value, value, value));
        }
    return image;
}

} // namespace

TEST(SharpnessTest, PicturesWithoutAScore)
{
    const struct { const char* name; QImage picture; } cases[] = {
        {"null", QImage()},
        {"black", Noisy(0, 0)},
        {"near black with strong noise", Noisy(8, 8)},
        {"uniform grey", Noisy(128, 0)},
        {"grey with faint noise", Noisy(128, 2)},
        {"two pixels high", Texture(100, 2, 1)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(SharpnessScore(c.picture).has_value()) << c.name;
}

TEST(SharpnessTest, SharperScoresHigher)
{
    const QImage sharp = Texture(320, 240);
    const std::optional<double> scores[] = {SharpnessScore(sharp), SharpnessScore(BoxBlur(sharp, 1)),
                                            SharpnessScore(BoxBlur(sharp, 3))};
    for (const auto& score : scores)
        ASSERT_TRUE(score.has_value());
    EXPECT_GT(*scores[0], *scores[1]);
    EXPECT_GT(*scores[1], *scores[2]);
}

// A picture twice as wide as the limit, made of 2 x 2 copies of each pixel,
// is reduced back to its original and scores the same.
TEST(SharpnessTest, WidePicturesAreScoredReduced)
{
    const QImage original = Texture(SharpnessMaxWidth, 96);
    const QImage doubled = original.scaled(original.width() * 2, original.height() * 2);
    const std::optional<double> small = SharpnessScore(original);
    const std::optional<double> large = SharpnessScore(doubled);
    ASSERT_TRUE(small && large);
    EXPECT_NEAR(*large, *small, *small * 1e-6);
}

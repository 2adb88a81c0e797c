// Frame pictures of every width: the scaler's output must land inside the
// picture, whatever the row length (run under AddressSanitizer in CI).

#include "TDecoderTestSupport.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using PellumoFixture::TFixtureVideo;

QString WidthVideoPath(const TFixtureVideo& video)
{
    return PellumoFixture::FixturePath(QStringLiteral("%1/%2").arg(PellumoFixture::WidthFolder, video.fileName));
}

// Every pixel of the flat grey source comes out grey (coding and the
// colour conversion may move it a little).
bool IsFlatGrey(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            for (int channel : {qRed(pixel), qGreen(pixel), qBlue(pixel)})
                if (std::abs(channel - PellumoFixture::WidthVideoGrey) > 12)
                    return false;
        }
    return true;
}

class TPictureWidthTest : public testing::TestWithParam<TFixtureVideo>
{
};

} // namespace

TEST_P(TPictureWidthTest, EveryFetchFillsExactlyThePicture)
{
    const TFixtureVideo& video = GetParam();
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(WidthVideoPath(video))) << WidthVideoPath(video).toStdString();
    for (int position : {0, 40, 0}) {
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        const QImage& picture = decoder.FrameBitmap().Image();
        ASSERT_EQ(picture.size(), QSize(video.width, video.height));
        EXPECT_TRUE(IsFlatGrey(picture)) << "at " << position;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, TPictureWidthTest, testing::ValuesIn(PellumoFixture::WidthVideos()),
                         DecoderTest::FixtureTestName);

// One decoder opening an upright phone clip, a landscape one and the first
// again, as the window does when the user opens one movie after another.
TEST(TPictureWidthSequenceTest, OneDecoderOpensUprightThenLandscapeThenUprightAgain)
{
    const auto find = [](int width, int height) {
        for (const TFixtureVideo& video : PellumoFixture::WidthVideos())
            if (video.width == width && video.height == height)
                return video;
        return TFixtureVideo{};
    };
    TMovieDecoder decoder;
    for (const TFixtureVideo& video : {find(1080, 1920), find(640, 360), find(1080, 1920)}) {
        ASSERT_TRUE(decoder.Open(WidthVideoPath(video))) << video.fileName;
        ASSERT_TRUE(decoder.FetchFrame(40));
        EXPECT_EQ(decoder.FrameBitmap().Image().size(), QSize(video.width, video.height));
        EXPECT_TRUE(IsFlatGrey(decoder.FrameBitmap().Image()));
    }
}

// Phone and laptop sizes through the command-line tool.
TEST(TPictureWidthGrabTest, WritesEveryLargeSizeAtItsSize)
{
    QTemporaryDir folder;
    for (const TFixtureVideo& video : PellumoFixture::WidthVideos()) {
        if (video.width <= 64)
            continue;
        const QString out = folder.filePath(video.fileName);
        QProcess grab;
        grab.start(PELLUMO_GRAB_PATH, {"--at", "0,40", "--format", "png", "-o", out, WidthVideoPath(video)});
        ASSERT_TRUE(grab.waitForFinished(120000));
        ASSERT_EQ(grab.exitCode(), 0) << grab.readAllStandardError().toStdString();
        const QImage written(out + "/002.png");
        EXPECT_EQ(written.size(), QSize(video.width, video.height)) << video.fileName;
    }
}

#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"

#include <gtest/gtest.h>

using PellumoFixture::TFixtureKind;
using PellumoFixture::TFixtureVideo;

namespace {

std::vector<TFixtureVideo> RefusedVideos()
{
    std::vector<TFixtureVideo> videos;
    for (const TFixtureVideo& video : PellumoFixture::FixtureVideos()) {
        // Only AVI files can come to the AVI back end.
        if (video.kind == TFixtureKind::Refused && QByteArray(video.muxer) == "avi")
            videos.push_back(video);
    }
    return videos;
}

TEST(AviFixtureVideos, CoverTheCodecsFFmpegIsNotUsedFor)
{
    QStringList names;
    for (const TFixtureVideo& video : RefusedVideos())
        names << QString::fromLatin1(video.fileName);
    EXPECT_TRUE(names.contains(QStringLiteral("cinepak.avi")));
    EXPECT_TRUE(names.contains(QStringLiteral("msvideo1.avi")));
}

// The frame whose time span [n / rate, (n + 1) / rate) holds the position,
// the last one beyond the end.
int FrameContaining(const TFixtureVideo& video, int position)
{
    return std::clamp(int(qint64(position) * video.rate / 1000), 0, video.frames - 1);
}

class AviFixtureVideo : public testing::TestWithParam<TFixtureVideo>
{
};

} // namespace

// Videos the FFmpeg back end refuses (Cinepak, Microsoft Video 1, a single
// frame) are served by the AVI back end, frame for frame.
TEST_P(AviFixtureVideo, ServedByTheAviBackEndWithTheFrameOfEachPosition)
{
    const TFixtureVideo& video = GetParam();
    TMovieDecoder decoder;
    ASSERT_TRUE(decoder.Open(PellumoFixture::FixturePath(video.fileName)));
    EXPECT_TRUE(decoder.UseAviFile());
    EXPECT_EQ(decoder.FrameWidth(), video.width);
    EXPECT_EQ(decoder.FrameHeight(), video.height);
    // The end of the last frame, rounded up to whole milliseconds.
    EXPECT_EQ(decoder.Duration(), int((qint64(video.frames) * 1000 + video.rate - 1) / video.rate));

    std::vector<int> positions;
    for (int position = 0; position <= decoder.Duration() + 100; position += 13)
        positions.push_back(position);
    // Backwards across key frames, the edges of frame spans, and the end of
    // the position bar.
    for (int position : { 1990, 40, 1000, 39, 80, 79, -10, decoder.Duration() - 1 })
        positions.push_back(position);
    for (int position : positions) {
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        EXPECT_EQ(PellumoFixture::ReadFrameNumber(decoder.FrameBitmap()), FrameContaining(video, position))
            << video.fileName << " at " << position;
        EXPECT_EQ(decoder.FrameBitmap().Width(), video.width);
        EXPECT_EQ(decoder.FrameBitmap().Height(), video.height);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AviFixtureVideo, testing::ValuesIn(RefusedVideos()),
                         [](const testing::TestParamInfo<TFixtureVideo>& info) {
                             QString name = QString::fromLatin1(info.param.fileName);
                             return name.replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
                         });

// Frame by frame on every test video, through both back ends: each step
// gives the neighbouring frame in presentation order, and the position of
// each frame fetched again gives that very frame.

#include "TDecoderTestSupport.h"

#include "decoder/UFFmpegBackend.h"

using namespace DecoderTest;
using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

namespace {

// The decodable videos and the AVI files only the AVI back end serves.
std::vector<TFixtureVideo> SteppableVideos()
{
    std::vector<TFixtureVideo> videos = DecodableVideos();
    for (const char* name : {"cinepak.avi", "msvideo1.avi"})
        videos.push_back(*PellumoFixture::FindFixtureVideo(QString::fromLatin1(name)));
    return videos;
}

} // namespace

class TFrameStepTest : public testing::TestWithParam<TFixtureVideo>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(decoder.Open(FixturePath(GetParam().fileName))) << GetParam().fileName;
        // The AVI back end shows nothing until the first fetch.
        ASSERT_TRUE(decoder.FetchFrame(0));
    }

    int Shown() const { return ReadFrameNumber(decoder.FrameBitmap()); }

    // What the window does after a step: the bar moves to the frame's
    // position and the frame there is fetched. Positions past the container's
    // duration cannot be fetched (the bar ends there).
    void ExpectPositionGivesFrame(int frame)
    {
        const int position = decoder.FramePosition();
        ASSERT_GE(position, 0);
        if (position >= decoder.Duration())
            return;
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        EXPECT_EQ(Shown(), frame) << "position " << position;
    }

    TMovieDecoder decoder;
};

TEST_P(TFrameStepTest, WalksEveryFrameForwardThenBack)
{
    const int frames = GetParam().frames;
    ASSERT_EQ(Shown(), 0);
    for (int frame = 1; frame < frames; ++frame) {
        ASSERT_TRUE(decoder.NextFrame()) << "to frame " << frame;
        ASSERT_EQ(Shown(), frame);
        ExpectPositionGivesFrame(frame);
    }
    EXPECT_FALSE(decoder.NextFrame());
    EXPECT_EQ(Shown(), frames - 1);
    for (int frame = frames - 2; frame >= 0; --frame) {
        ASSERT_TRUE(decoder.PreviousFrame()) << "to frame " << frame;
        ASSERT_EQ(Shown(), frame);
        ExpectPositionGivesFrame(frame);
    }
    EXPECT_FALSE(decoder.PreviousFrame());
    EXPECT_EQ(Shown(), 0);
}

// Entering at every frame by position (a seek or decoding forward, with
// frames skipped), then stepping across whatever key frame lies around it.
TEST_P(TFrameStepTest, StepsFromEveryPosition)
{
    const TFixtureVideo& video = GetParam();
    const int frames = video.frames;
    for (int frame = frames - 1; frame >= 0; --frame) {
        const int position = FramePositions(video, frame)[0];
        if (position >= decoder.Duration())
            continue;
        ASSERT_TRUE(decoder.FetchFrame(position));
        ASSERT_EQ(Shown(), frame) << position;
        if (frame > 0) {
            ASSERT_TRUE(decoder.PreviousFrame()) << "from frame " << frame;
            EXPECT_EQ(Shown(), frame - 1);
            // A frame first met after a seek knows its own position too.
            ExpectPositionGivesFrame(frame - 1);
            ASSERT_TRUE(decoder.NextFrame());
            EXPECT_EQ(Shown(), frame);
        }
        if (frame + 1 < frames) {
            ASSERT_TRUE(decoder.NextFrame()) << "from frame " << frame;
            EXPECT_EQ(Shown(), frame + 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TFrameStepTest, testing::ValuesIn(SteppableVideos()), FixtureTestName);

// Stepping back through a group of pictures seeks once, not at every step,
// also when each step's position is fetched again as the window does.
TEST(TFrameStepBack, KeptFramesSpareTheSeeks)
{
    TFFmpegBackend backend;
    TSafetyBitmap frame;
    ASSERT_TRUE(backend.Open(FixturePath(QStringLiteral("h264_bframes.mp4")), frame));
    ASSERT_TRUE(backend.SeekTo(70 * 40));
    backend.ResetStatistics();
    for (int expected = 69; expected >= 50; --expected) {
        ASSERT_TRUE(backend.PreviousFrame());
        ASSERT_TRUE(backend.SeekTo(backend.FramePosition()));
        ASSERT_TRUE(backend.RenderFrame(frame));
        ASSERT_EQ(ReadFrameNumber(frame), expected);
    }
    EXPECT_LE(backend.Statistics().seeks, 2);
}

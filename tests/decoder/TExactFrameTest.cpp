// Every decodable test video delivers exactly the frame for a position:
// forwards, backwards, around key frames, in playback steps and past the end.

#include "TDecoderTestSupport.h"

#include "decoder/UFFmpegBackend.h"

using namespace DecoderTest;
using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

class TExactFrameTest : public testing::TestWithParam<TFixtureVideo>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(decoder.Open(FixturePath(GetParam().fileName))) << GetParam().fileName;
        ASSERT_FALSE(decoder.UseAviFile());
        expectation = std::make_unique<TExpectation>(GetParam(), decoder.Duration());
    }

    void ExpectFrameAt(int position)
    {
        ASSERT_TRUE(decoder.FetchFrame(position)) << GetParam().fileName << " at " << position << " ms";
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), expectation->FrameAt(position))
            << GetParam().fileName << " at " << position << " ms";
    }

    TMovieDecoder decoder;
    std::unique_ptr<TExpectation> expectation;
};

TEST_P(TExactFrameTest, ReportsSizeAndDuration)
{
    const TFixtureVideo& video = GetParam();
    EXPECT_EQ(decoder.FrameWidth(), video.ShownWidth());
    EXPECT_EQ(decoder.FrameHeight(), video.height);
    // The end of the last frame (AVI with B-frames shows every frame one late).
    EXPECT_EQ(decoder.Duration(), (video.frames + video.leadFrames) * 1000 / video.rate);
    EXPECT_EQ(decoder.FrameBitmap().Width(), video.ShownWidth());
    EXPECT_EQ(decoder.FrameBitmap().Height(), video.height);
}

TEST_P(TExactFrameTest, OpenShowsTheFirstFrame)
{
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 0);
}

TEST_P(TExactFrameTest, EveryFrameInOrder)
{
    const TFixtureVideo& video = GetParam();
    for (int frame = 0; frame < video.frames; ++frame)
        for (int position : FramePositions(video, frame))
            ExpectFrameAt(position);
}

TEST_P(TExactFrameTest, BackwardsFromTheEnd)
{
    const TFixtureVideo& video = GetParam();
    for (int frame = video.frames - 1; frame >= 0; frame -= 3)
        ExpectFrameAt(FramePositions(video, frame)[1]);
}

TEST_P(TExactFrameTest, JumpsBackAndForth)
{
    const TFixtureVideo& video = GetParam();
    const int last = video.frames - 1;
    const std::vector<int> frames = {last / 2, 1, last, 0, last / 3, last / 3 - 1, 2 * last / 3, last / 4, last - 1,
                                     last / 2 + 1, last / 2};
    for (int frame : frames)
        for (int position : FramePositions(video, std::max(frame, 0)))
            ExpectFrameAt(position);
}

// Key frames of the fixtures are at most 25 frames apart: every frame
// around frames 10..30 is just before or just after one of them.
TEST_P(TExactFrameTest, AroundKeyFramesFromFarAway)
{
    const TFixtureVideo& video = GetParam();
    for (int frame = 10; frame <= std::min(30, video.frames - 1); ++frame) {
        ExpectFrameAt(FramePositions(video, video.frames - 1)[0]);
        ExpectFrameAt(FramePositions(video, frame)[0]);
        ExpectFrameAt(FramePositions(video, frame)[2]);
    }
}

TEST_P(TExactFrameTest, PlaybackTicks)
{
    const TFixtureVideo& video = GetParam();
    const int length = video.frames * 1000 / video.rate;
    for (int position = 0; position < length; position += 97)
        ExpectFrameAt(position);
}

// The window shows duration - 1 at the end of the bar: the last frame.
TEST_P(TExactFrameTest, PastTheEndGivesTheLastFrame)
{
    const TFixtureVideo& video = GetParam();
    for (int position : {decoder.Duration() - 1, decoder.Duration(), decoder.Duration() + 5000, INT32_MAX}) {
        ASSERT_TRUE(decoder.FetchFrame(position)) << position;
        EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), video.frames - 1) << position;
    }
    ExpectFrameAt(0);
}

TEST_P(TExactFrameTest, NegativePositionGivesTheFirstFrame)
{
    ExpectFrameAt(FramePositions(GetParam(), GetParam().frames / 2)[0]);
    ASSERT_TRUE(decoder.FetchFrame(-500));
    EXPECT_EQ(ReadFrameNumber(decoder.FrameBitmap()), 0);
}

TEST_P(TExactFrameTest, SamePositionTwiceGivesTheSameFrame)
{
    const TFixtureVideo& video = GetParam();
    const int position = FramePositions(video, video.frames / 3)[0];
    ExpectFrameAt(position);
    ExpectFrameAt(position);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TExactFrameTest, testing::ValuesIn(DecodableVideos()), FixtureTestName);

// Playback through the back end itself: after the first picture no
// container seek is needed, also for streams whose frames are reordered.
class TPlaybackSeekTest : public testing::TestWithParam<TFixtureVideo>
{
};

TEST_P(TPlaybackSeekTest, PlaybackNeverSeeks)
{
    const TFixtureVideo& video = GetParam();
    TFFmpegBackend backend;
    TSafetyBitmap frame;
    ASSERT_TRUE(backend.Open(FixturePath(video.fileName), frame));
    const TExpectation expectation(video, backend.Duration());
    backend.ResetStatistics();
    const int length = video.frames * 1000 / video.rate;
    for (int position = 97; position < length; position += 97) {
        ASSERT_TRUE(backend.SeekTo(position));
        ASSERT_TRUE(backend.RenderFrame(frame));
        EXPECT_EQ(ReadFrameNumber(frame), expectation.FrameAt(position)) << position;
    }
    EXPECT_EQ(backend.Statistics().seeks, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TPlaybackSeekTest, testing::ValuesIn(DecodableVideos()), FixtureTestName);

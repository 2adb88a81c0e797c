// The playback rules without a window: a bare slider as the position bar, a
// clock moved by hand (starting just below the 32-bit wrap) and the test
// videos, whose every frame shows its own frame number.

#include "KadrixTestSupport.h"

#include "app/TPlaybackController.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"

#include <QFile>
#include <QSlider>

using namespace PellumoFixture;

namespace {

using TPlayState = TPlaybackController::TPlayState;
using TOpenResult = TPlaybackController::TOpenResult;

const QString ShortVideo = QStringLiteral("mpeg4.avi");      // 4 s, 25 frames per second
const QString LongVideo = QStringLiteral("mpeg4_20s.avi");   // 20 s, 10 frames per second
const QString FrameVideo = QStringLiteral("h264_bframes.mp4"); // B-frames, 40 ms a frame

class PlaybackControllerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        auto source = std::make_unique<TManualTickSource>(0xFFFFF000u);
        clock = source.get();
        playback.SetTickSource(std::move(source));
        QObject::connect(&playback, &TPlaybackController::PositionShown,
                         [this](int position) { labels.push_back(position); });
    }
    void Open(const QString& video) { ASSERT_EQ(playback.Open(FixturePath(video)), TOpenResult::Opened); }
    // Opened, its first frame shown and paused at position.
    void OpenPausedAt(const QString& video, int position)
    {
        Open(video);
        Tick(97);
        playback.Pause();
        playback.Seek(position);
    }
    void Tick(quint32 ms)
    {
        clock->now += ms;
        playback.Tick();
    }
    int Frame() const { return ReadFrameNumber(playback.CurrentFrame()); }
    // The frame number the decoder itself delivers at ms of the open movie.
    int FrameAt(int ms) const
    {
        TMovieDecoder decoder;
        if (!decoder.Open(playback.MoviePath()) || !decoder.FetchFrame(ms))
            return -2;
        return ReadFrameNumber(decoder.FrameBitmap());
    }

    QSlider bar{Qt::Horizontal};
    TPlaybackController playback{bar};
    TManualTickSource* clock = nullptr;
    std::vector<int> labels; // every time shown, in order
};

TEST_F(PlaybackControllerTest, OpeningPlaysFromTheStartAndTheBarFollowsTheClock)
{
    Open(ShortVideo);
    EXPECT_EQ(playback.PlayState(), TPlayState::Playing);
    EXPECT_TRUE(playback.Ticking());
    EXPECT_EQ(bar.maximum(), playback.Decoder().Duration());
    EXPECT_EQ(bar.value(), 0);
    EXPECT_FALSE(playback.FrameShown());
    for (const quint32 ms : {97u, 97u, 97u, 1500u}) // a late tick jumps ahead
        Tick(ms);
    EXPECT_EQ(bar.value(), 1791);
    EXPECT_TRUE(playback.FrameShown());
    EXPECT_EQ(Frame(), FrameAt(1791));
    EXPECT_EQ(playback.FramePosition(), 1791);
    EXPECT_EQ(labels.back(), 1791);
}

TEST_F(PlaybackControllerTest, EndOfTheMovieRewindsAndPauses)
{
    Open(ShortVideo);
    Tick(2000);
    Tick(static_cast<quint32>(bar.maximum())); // well past the end
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(playback.PlayState(), TPlayState::Paused);
    EXPECT_FALSE(playback.Ticking());
    Tick(500);
    EXPECT_EQ(bar.value(), 0);
}

TEST_F(PlaybackControllerTest, PlayingResumesFromThePausedPositionOrTheDroppedHandle)
{
    Open(LongVideo);
    Tick(12500);
    playback.Pause();
    clock->now += 7000; // time passes while paused
    playback.Play();
    Tick(97);
    EXPECT_EQ(bar.value(), 12597);

    // While the handle is held, ticks leave the bar where the mouse puts it,
    // and the time it is held still is not played.
    bar.setSliderDown(true);
    bar.setValue(8000);
    EXPECT_EQ(Frame(), 80);
    Tick(97);
    Tick(3300);
    EXPECT_EQ(bar.value(), 8000);
    clock->now += 40; // released between two ticks
    bar.setSliderDown(false);
    Tick(97);
    EXPECT_EQ(bar.value(), 8097);
    EXPECT_EQ(Frame(), FrameAt(8097));
}

TEST_F(PlaybackControllerTest, RewindPlaysOnFromTheStartAndAtTheStartFetchesNothing)
{
    Open(ShortVideo);
    Tick(1000);
    playback.Rewind();
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(playback.PlayState(), TPlayState::Playing);
    Tick(97);
    EXPECT_EQ(bar.value(), 97);

    playback.Rewind();
    playback.Pause();
    const qint64 picture = playback.CurrentFrame().Image().cacheKey();
    labels.clear();
    playback.Rewind();
    EXPECT_EQ(labels, std::vector<int>{0}) << "the time is shown again";
    EXPECT_EQ(playback.CurrentFrame().Image().cacheKey(), picture);
}

TEST_F(PlaybackControllerTest, SteppingMovesByTheUnitAndStopsAtBothEnds)
{
    OpenPausedAt(ShortVideo, 0);
    const int end = bar.maximum();
    const struct { int from, direction, unitMs, to; } steps[] = {
        {0, -1, 500, 0},      {0, +1, 500, 500},          {300, -1, 500, 0},
        {end - 200, +1, 1000, end}, {1000, +1, 600000, end}, {1000, -1, 600000, 0},
    };
    for (const auto& step : steps) {
        playback.Seek(step.from);
        playback.StepBy(step.direction, step.unitMs);
        EXPECT_EQ(bar.value(), step.to) << step.from << " by " << step.direction * step.unitMs;
        EXPECT_EQ(Frame(), FrameAt(std::min(step.to, end - 1))) << "the end shows the frame at Duration - 1";
    }
}

TEST_F(PlaybackControllerTest, OpeningWhatIsNoMovieKeepsOrClosesTheOpenOne)
{
    QTemporaryDir folder;
    const QString broken = folder.filePath("broken.avi");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    Open(LongVideo);
    Tick(3000);
    Open(ShortVideo);
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(Frame(), 0) << "moving the bar back to 0 shows the new movie's first frame";
    EXPECT_EQ(bar.maximum(), playback.Decoder().Duration());

    // A missing path or a folder only pauses: the open movie plays on.
    for (const QString& notAMovie : {folder.filePath("gone.avi"), folder.path()}) {
        Tick(500);
        EXPECT_EQ(playback.Open(notAMovie), TOpenResult::NotAFile);
        EXPECT_EQ(playback.PlayState(), TPlayState::Paused);
        EXPECT_FALSE(playback.Ticking());
        EXPECT_EQ(playback.MoviePath(), FixturePath(ShortVideo));
        playback.Play();
    }
    // Nothing opens while the split runs.
    {
        const TBusyMark split = playback.HoldForSplit();
        EXPECT_EQ(playback.Open(FixturePath(LongVideo)), TOpenResult::Refused);
        Tick(97);
    }
    EXPECT_EQ(playback.MoviePath(), FixturePath(ShortVideo));
    EXPECT_EQ(playback.PlayState(), TPlayState::Playing);

    // A file that does not decode closes the open movie.
    EXPECT_EQ(playback.Open(broken), TOpenResult::Failed);
    EXPECT_FALSE(playback.Decoder().Active());
    EXPECT_FALSE(playback.Ticking());
    EXPECT_TRUE(playback.MoviePath().isEmpty());
    EXPECT_TRUE(playback.CurrentFrame().Empty());
    EXPECT_EQ(std::make_pair(bar.value(), bar.maximum()), std::make_pair(0, 0));
}

TEST_F(PlaybackControllerTest, FrameStepsMoveTheBarToTheFrameAcrossAKeyFrame)
{
    OpenPausedAt(FrameVideo, 46 * 40);
    const struct { bool forward; int frame; } steps[] = {
        {true, 47}, {true, 48}, {true, 49}, {false, 48}, {false, 47}, {false, 46}, {true, 47},
    };
    for (const auto& step : steps) {
        playback.StepFrame(step.forward);
        EXPECT_EQ(Frame(), step.frame);
        EXPECT_EQ(bar.value(), step.frame * 40);
        EXPECT_EQ(labels.back(), step.frame * 40);
    }
    // The fixture's frames are equally sharp: whichever wins lies within half
    // a second, and the bar stands at its own position.
    playback.Seek(50 * 40);
    playback.ShowSharpestFrame();
    EXPECT_NEAR(Frame(), 50, 12);
    EXPECT_EQ(bar.value(), Frame() * 40);
}

TEST_F(PlaybackControllerTest, StepAfterASplitFrameStartsFromThatFrame)
{
    OpenPausedAt(FrameVideo, 10 * 40);
    TMovieDecoder other;
    ASSERT_TRUE(other.Open(playback.MoviePath()));
    ASSERT_TRUE(other.FetchFrame(30 * 40));
    TSafetyBitmap picture;
    picture.SetImage(other.FrameBitmap().Image().copy());

    EXPECT_FALSE(playback.ShowSplitFrame(20 * 40, nullptr)) << "an unread frame leaves the earlier picture";
    EXPECT_EQ(Frame(), 10);
    EXPECT_TRUE(playback.ShowSplitFrame(30 * 40, &picture));
    EXPECT_EQ(Frame(), 30);
    EXPECT_EQ(bar.value(), 30 * 40);
    playback.StepFrame(true);
    EXPECT_EQ(Frame(), 31) << "the movie's own decoder caught up with the split's frame";
}

} // namespace

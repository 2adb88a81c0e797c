// The shot detector on videos made here from the ffmpeg program's generated
// sources (fixtures/TShotVideos.h): cuts at their frames, a fade once, no cut
// for a pan, a zoom or a flash; the frame taken per shot; the grab tool.

#include "TDecoderTestSupport.h"
#include "TGrabRun.h"

#include "decoder/UShotDetector.h"
#include "fixtures/TShotVideos.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <thread>

namespace {

using PellumoFixture::ShotVideo;
using PellumoFixture::ShotVideoFrameMs;

QString VideoPath(const char* name)
{
    static QTemporaryDir folder;
    return PellumoFixture::MakeShotVideo(folder.path(), ShotVideo(name));
}

std::vector<TShotFrame> Scan(const QString& path, int decoders)
{
    TMovieDecoder movie;
    if (!movie.Open(path))
        return {};
    TShotScanOptions options;
    options.decoders = decoders;
    return ScanShotFrames(movie, 0, movie.Duration(), options).value_or(std::vector<TShotFrame>{});
}

std::vector<int> CutPositions(const std::vector<TShotFrame>& frames)
{
    std::vector<int> positions;
    for (int cut : FindCuts(frames))
        positions.push_back(frames[static_cast<size_t>(cut)].position);
    return positions;
}

struct TCutCase
{
    const char* video;
    int decoders;
};

class TShotCutTest : public testing::TestWithParam<TCutCase>
{
};

// Hard cuts at their very frame, nothing for a pan, a zoom or flashes; with
// two decoders the cut at 5 s lies right at the key frame where the second
// one starts.
TEST_P(TShotCutTest, FindsTheCutsOfTheVideo)
{
    const QString path = VideoPath(GetParam().video);
    ASSERT_FALSE(path.isEmpty());
    const std::vector<TShotFrame> frames = Scan(path, GetParam().decoders);
    ASSERT_GT(frames.size(), 90u);
    for (size_t i = 1; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].position - frames[i - 1].position, ShotVideoFrameMs) << "frame " << i << " missing or twice";
    std::vector<int> expected;
    for (int frame : ShotVideo(GetParam().video).cutFrames)
        expected.push_back(frame * ShotVideoFrameMs);
    EXPECT_EQ(CutPositions(frames), expected);
}

INSTANTIATE_TEST_SUITE_P(Videos, TShotCutTest,
                         testing::Values(TCutCase{"cuts.mp4", 1}, TCutCase{"cuts.mp4", 2}, TCutCase{"again.mp4", 2},
                                         TCutCase{"pan.mp4", 2}, TCutCase{"zoom.mp4", 1}, TCutCase{"flash.mp4", 2},
                                         TCutCase{"sharp.mp4", 2}));

TEST(TShotDetectorTest, AFadeThroughBlackIsOneCut)
{
    const PellumoFixture::TShotVideo& video = ShotVideo("fade.mp4");
    const std::vector<int> cuts = CutPositions(Scan(VideoPath("fade.mp4"), 2));
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_GE(cuts[0], video.fadeFrom * ShotVideoFrameMs);
    EXPECT_LE(cuts[0], video.fadeTo * ShotVideoFrameMs);
}

// The frame taken lies inside its shot, in its middle, and is the sharpest
// there: frames 60-62 of the blurred shot, not the sharp ones in its first tenth.
TEST(TShotDetectorTest, TakesTheSharpestFrameOfTheMiddle)
{
    const std::vector<TShotFrame> frames = Scan(VideoPath("sharp.mp4"), 2);
    const std::vector<TShotPick> picks = PickShotFrames(frames, FindCuts(frames), 99);
    ASSERT_EQ(picks.size(), 2u);
    EXPECT_GE(picks[0].position, 60 * ShotVideoFrameMs);
    EXPECT_LE(picks[0].position, 62 * ShotVideoFrameMs);
    EXPECT_GE(picks[1].position, picks[1].start + picks[1].length / 10);
    EXPECT_LT(picks[1].position, picks[1].start + picks[1].length * 9 / 10);
}

// With room for two of four shots the two longest are taken (3 s and
// 3.4 s), in time order.
TEST(TShotDetectorTest, LongestShotsWhenThereIsNoRoom)
{
    const std::vector<TShotFrame> frames = Scan(VideoPath("cuts.mp4"), 2);
    const std::vector<int> cuts = FindCuts(frames);
    const std::vector<TShotPick> all = PickShotFrames(frames, cuts, 99);
    ASSERT_EQ(all.size(), 4u);
    for (const TShotPick& pick : all) {
        EXPECT_GE(pick.position, pick.start);
        EXPECT_LT(pick.position, pick.start + pick.length);
    }
    const std::vector<TShotPick> two = PickShotFrames(frames, cuts, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].start, 50 * ShotVideoFrameMs);
    EXPECT_EQ(two[1].start, 165 * ShotVideoFrameMs);
    EXPECT_TRUE(PickShotFrames(frames, cuts, 0).empty());
}

// Numbers made up to the rule's edges: a lone jump is a cut, one among
// equal changes (a pan) is not, and no shot is shorter than the minimum.
TEST(TShotDetectorTest, RuleOnScores)
{
    auto frames = [](std::vector<float> changes) {
        std::vector<TShotFrame> list(changes.size());
        for (size_t i = 0; i < list.size(); ++i) {
            list[i].position = static_cast<int>(i) * 40;
            list[i].change = changes[i];
            list[i].luma = 100;
            list[i].back.fill(-1.0f);
        }
        return list;
    };
    std::vector<float> lone(60, 2.0f);
    lone[30] = 40.0f;
    EXPECT_EQ(FindCuts(frames(lone)), std::vector<int>{30});
    std::vector<float> pan(60, 30.0f);
    pan[30] = 40.0f;
    EXPECT_TRUE(FindCuts(frames(pan)).empty());
    std::vector<float> close(60, 2.0f);
    close[20] = 40.0f;
    close[30] = 80.0f; // 0.4 s later and stronger: it stays
    EXPECT_EQ(FindCuts(frames(close)), std::vector<int>{30});
    std::vector<float> nearEnd(60, 2.0f);
    nearEnd[50] = 40.0f; // 0.4 s before the end
    EXPECT_TRUE(FindCuts(frames(nearEnd)).empty());
}

TEST(TShotDetectorTest, CancelledScanGivesNothing)
{
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(VideoPath("cuts.mp4")));
    const auto frames = ScanShotFrames(movie, 0, movie.Duration(), {}, [](int, int) { return false; });
    EXPECT_FALSE(frames.has_value());
}

TEST(TShotDetectorTest, CacheServesStretchesInsideAScan)
{
    const QString path = VideoPath("cuts.mp4");
    const std::vector<TShotFrame> frames = Scan(path, 1);
    TShotScoreCache cache;
    cache.Keep(path, 0, 10000, frames);
    const auto inside = cache.Find(path, 1000, 6000);
    ASSERT_TRUE(inside.has_value());
    EXPECT_EQ(CutPositions(*inside), (std::vector<int>{2000, 5000}));
    EXPECT_FALSE(cache.Find(path, 1000, 10500).has_value());
    EXPECT_FALSE(cache.Find(path + "x", 1000, 6000).has_value());
}

// Stepping frame by frame goes on long after the fetch that started it:
// each step has its own deadline for reading.
TEST(TShotDetectorTest, StepsAfterTheFetchDeadline)
{
    TMovieDecoder movie;
    ASSERT_TRUE(movie.Open(VideoPath("cuts.mp4")));
    ASSERT_TRUE(movie.FetchFrame(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(5500));
    int steps = 0;
    while (steps < 200 && movie.NextFrame())
        ++steps;
    EXPECT_EQ(steps, 200);
}

// pellumo-grab: the cuts one per line; one picture per shot with the frame
// written, the bars seen again skipped as a near duplicate.
TEST(TShotDetectorTest, GrabListsCutsAndWritesOnePicturePerShot)
{
    const QString path = VideoPath("again.mp4");
    const TGrabRun list = RunGrab({"--list-shots", path});
    ASSERT_EQ(list.exitCode, 0) << qPrintable(list.err);
    EXPECT_EQ(list.out.split('\n', Qt::SkipEmptyParts).mid(1), (QStringList{"2000", "4000"}));

    QTemporaryDir folder;
    const TGrabRun shots = RunGrab({"--shots", "--json", "-o", folder.path(), path});
    ASSERT_EQ(shots.exitCode, 0) << qPrintable(shots.err);
    QList<QJsonObject> pictures;
    QJsonObject summary;
    for (const QString& line : shots.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject record = QJsonDocument::fromJson(line.toUtf8()).object();
        if (record["type"] == "picture")
            pictures.append(record);
        if (record["type"] == "shots")
            summary = record;
    }
    ASSERT_EQ(pictures.size(), 2);
    EXPECT_LT(pictures[0]["frame"].toInt(), 2000);
    EXPECT_GE(pictures[1]["frame"].toInt(), 2000);
    EXPECT_LT(pictures[1]["frame"].toInt(), 4000);
    EXPECT_TRUE(QFile::exists(pictures[1]["file"].toString()));
    EXPECT_EQ(summary["shots"].toInt(), 3);
    EXPECT_EQ(summary["taken"].toInt(), 2);
    EXPECT_EQ(summary["duplicates"].toInt(), 1);

    const TGrabRun ranged = RunGrab({"--list-shots", "--range", "3000:6000", path});
    EXPECT_EQ(ranged.out.split('\n', Qt::SkipEmptyParts).mid(1), QStringList{"4000"});
}

} // namespace

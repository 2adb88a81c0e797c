// The split at the shots in the real window, on videos made from the ffmpeg
// program's generated sources (fixtures/TShotVideos.h): one scene a shot,
// the cut marks on the bar, the room of the list, near duplicates, Cancel.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TShotVideos.h"
#include "widgets/TPositionBar.h"

#include <QTemporaryDir>

using namespace PellumoFixture;

namespace {

class KadrixShotsTest : public KadrixWindowTest
{
protected:
    void Open(const char* video, const QStringList& arguments = {})
    {
        const QString path = MakeShotVideo(ShotVideoFolder(), ShotVideo(video));
        ASSERT_FALSE(path.isEmpty());
        CreateWindow(arguments);
        window->OpenMovie(path, true);
        ASSERT_TRUE(window->Playback().Decoder().Active());
        Tick(300);
    }
    TPositionBar& Bar() const { return *window->Controls().TrackBar1; }
    std::vector<int> ScenePositions(int from = 0) const
    {
        std::vector<int> positions;
        for (int i = from; i < window->CaptureStore().SceneCount(); ++i)
            positions.push_back(window->CaptureStore().SceneOrigin(window->CaptureStore().SceneFiles()[i]).Position);
        return positions;
    }
    QString LastNotice() const { return dialogs->notices.empty() ? QString() : dialogs->notices.back().text; }
};

// Shots 0-2 s, 2-5 s, 5-6.6 s, 6.6-10 s.
bool InsideShot(int position, int shot)
{
    const int bounds[] = {0, 2000, 5000, 6600, 10000};
    return position >= bounds[shot] && position < bounds[shot + 1];
}

} // namespace

TEST_F(KadrixShotsTest, OneSceneAShotAndTheCutsMarkedUntilAnotherMovie)
{
    Open("cuts.mp4");
    window->Controls().mnuAutoShots->trigger();
    const std::vector<int> positions = ScenePositions();
    ASSERT_EQ(positions.size(), 4u);
    for (int shot = 0; shot < 4; ++shot)
        EXPECT_TRUE(InsideShot(positions[static_cast<size_t>(shot)], shot)) << positions[static_cast<size_t>(shot)];
    EXPECT_EQ(Bar().CutMarks(), (std::vector<int>{2000, 5000, 6600}));
    EXPECT_TRUE(LastNotice().contains(QStringLiteral("4個のショットから4枚"))) << LastNotice().toStdString();
    EXPECT_FALSE(window->Playback().SplitRunning());

    window->OpenMovie(FixturePath("mpeg4.avi"), true);
    EXPECT_TRUE(Bar().CutMarks().empty());
}

// Room for two: told, and the two longest shots (3 s and 3.4 s) are taken.
TEST_F(KadrixShotsTest, MoreShotsThanRoomTakesTheLongest)
{
    QTemporaryDir host;
    for (int i = 0; i < 97; ++i)
        WriteSceneBmp(host.filePath(QStringLiteral("scene%1.bmp").arg(i, 2, 10, QChar('0'))), i);
    Open("cuts.mp4", {host.path()});
    ASSERT_EQ(window->CaptureStore().SceneCount(), 97);
    window->Controls().mnuAutoShots->trigger();
    const std::vector<int> positions = ScenePositions(97);
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_TRUE(InsideShot(positions[0], 1));
    EXPECT_TRUE(InsideShot(positions[1], 3));
    ASSERT_GE(dialogs->notices.size(), 2u);
    EXPECT_TRUE(dialogs->notices[dialogs->notices.size() - 2].text.contains(QStringLiteral("ショットが4個見つかりましたが")));
}

// A shot that looks like a scene in the list is not taken again, and a
// second run over the range scans nothing (no progress of a scan).
TEST_F(KadrixShotsTest, NearDuplicatesAreSkippedAndTold)
{
    Open("again.mp4");
    window->Controls().mnuAutoShots->trigger();
    EXPECT_EQ(ScenePositions().size(), 2u);
    EXPECT_TRUE(LastNotice().contains(QStringLiteral("ほぼ同じ1個のショット"))) << LastNotice().toStdString();
    const size_t displays = dialogs->progressTotals.size();
    window->Controls().mnuAutoShots->trigger();
    EXPECT_EQ(ScenePositions().size(), 2u);
    EXPECT_TRUE(LastNotice().contains(QStringLiteral("ほぼ同じ3個のショット"))) << LastNotice().toStdString();
    ASSERT_EQ(dialogs->progressTotals.size(), displays + 1);
    EXPECT_EQ(dialogs->progressTotals.back(), 3); // the captures only
}

TEST_F(KadrixShotsTest, CancelKeepsTheScenesTaken)
{
    Open("cuts.mp4");
    dialogs->onStep = [&](int done) { return !Bar().CutMarks().empty() && done == 2; };
    window->Controls().mnuAutoShots->trigger();
    EXPECT_EQ(ScenePositions().size(), 2u);
    EXPECT_FALSE(window->Playback().SplitRunning());

    // Cancelled while scanning: nothing taken, no marks.
    Open("again.mp4");
    dialogs->onStep = [](int) { return true; };
    window->Controls().mnuAutoShots->trigger();
    EXPECT_EQ(window->CaptureStore().SceneCount(), 0);
    EXPECT_TRUE(Bar().CutMarks().empty());
}

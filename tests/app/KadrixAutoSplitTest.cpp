// The automatic split in the real window: the frames it takes, where it
// stops, and what the user can do while it runs. The test videos show their
// own frame numbers, so every scene file tells which frame it holds.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "app/FProgress.h"
#include "app/FSplitCount.h"
#include "app/UAction.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"
#include "support/USplitPositions.h"
#include "widgets/TPositionBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

using namespace PellumoFixture;

namespace {

class KadrixAutoSplitTest : public KadrixWindowTest
{
protected:
    // Opens video, shows its first frames and leaves it playing.
    void OpenPlaying(const QString& video, const QStringList& arguments = {})
    {
        CreateWindow(arguments);
        window->OpenMovie(FixturePath(video), true);
        ASSERT_TRUE(window->Playback().Decoder().Active());
        Tick(300);
        ASSERT_TRUE(window->Playback().FrameShown());
    }
    TPositionBar& Bar() const { return *window->Controls().TrackBar1; }
    void SetRangeEnd(int position)
    {
        Bar().setValue(position);
        window->Controls().mnuEndSplitRange->trigger();
    }
    int ScenePosition(int index) const
    {
        return window->CaptureStore().SceneOrigin(window->CaptureStore().SceneFiles()[index]).Position;
    }
    // The frame number in the scene's file on disk.
    int SceneFrame(int index) const { return ReadFrameNumber(QImage(window->CaptureStore().SceneFiles()[index])); }
    std::vector<std::pair<int, int>> Scenes(int from = 0) const
    {
        std::vector<std::pair<int, int>> scenes;
        for (int i = from; i < window->CaptureStore().SceneCount(); ++i)
            scenes.emplace_back(ScenePosition(i), SceneFrame(i));
        return scenes;
    }
};

} // namespace

TEST_F(KadrixAutoSplitTest, TakesTheExactFrameAtEveryPositionAfterTheScenesThere)
{
    OpenPlaying(QStringLiteral("mpeg4.avi"));
    ASSERT_TRUE(window->Actions().actPause->Execute());
    Bar().setValue(2000);
    ASSERT_TRUE(window->ExecuteCapture());
    ASSERT_TRUE(window->Actions().actPlay->Execute());
    dialogs->questions.clear();
    window->Controls().mnuAuto8->trigger();

    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].text,
              "この動画の先頭から等間隔に8枚の画像を切り出します。\r\n動画の時間数によっては数分程度かかる場合もあります。"
              "\r\n\r\n切り出しを開始しますか？\r\n");
    // 4000 ms, step 4000 / 7.2; 25 frames per second, each position shows
    // the frame nearest to it.
    const std::vector<std::pair<int, int>> expected = {{56, 1},    {611, 15},  {1167, 29}, {1722, 43},
                                                       {2278, 57}, {2833, 71}, {3389, 85}, {3944, 99}};
    ASSERT_EQ(window->CaptureStore().SceneCount(), 9);
    EXPECT_EQ(ScenePosition(0), 2000);
    EXPECT_EQ(Scenes(1), expected);
    EXPECT_EQ(dialogs->progressTotals, std::vector<int>({8}));
    EXPECT_EQ(dialogs->progressSteps, std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8}));
    // Paused where the last position left the bar.
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Paused);
    EXPECT_FALSE(window->Playback().Ticking());
    EXPECT_EQ(Bar().value(), 3944);
    // The split's frames came from decoders of its own; stepping back starts
    // from the frame on screen all the same.
    EXPECT_EQ(ReadFrameNumber(window->Playback().CurrentFrame()), 99);
    window->UpdateAllActions();
    ASSERT_TRUE(window->Actions().actFramePrev->Execute());
    EXPECT_EQ(ReadFrameNumber(window->Playback().CurrentFrame()), 98);
}

TEST_F(KadrixAutoSplitTest, AFrameThatCannotBeFetchedGivesNoScene)
{
    OpenPlaying(QString::fromLatin1(UnreadableFrameAvi));
    ASSERT_TRUE(window->Actions().actPause->Execute());
    SetRangeEnd(1600);
    dialogs->modalAnswer = [](QDialog& dialog) {
        auto& splitCount = dynamic_cast<TdlgSplitCount&>(dialog);
        splitCount.spinCount->setValue(5);
        splitCount.btnOK->click();
        return splitCount.result();
    };
    window->Controls().mnuAutoCustom->trigger();
    // 38, 419, 800, 1181, 1562 ms; the frame at 800 ms cannot be fetched, so
    // the picture on screen is still the one of 419 ms: no scene for 800.
    EXPECT_EQ(Scenes(), (std::vector<std::pair<int, int>>{{38, 0}, {419, 10}, {1181, 29}, {1562, 39}}));
    EXPECT_EQ(dialogs->progressSteps.size(), 5u);
}

TEST_F(KadrixAutoSplitTest, AFullListStopsAddingAndTheSplitIsNoLongerOffered)
{
    QTemporaryDir host;
    for (int i = 0; i < 95; ++i)
        WriteSceneBmp(host.filePath(QStringLiteral("scene%1.bmp").arg(i, 2, 10, QChar('0'))), i);
    OpenPlaying(QStringLiteral("mpeg4.avi"), {host.path()});
    ASSERT_EQ(window->CaptureStore().SceneCount(), 95);
    window->Controls().mnuAuto16->trigger();
    EXPECT_EQ(window->CaptureStore().SceneCount(), 99);
    const std::vector<int> positions = SplitPositions(0, Bar().maximum(), 16);
    std::vector<std::pair<int, int>> taken;
    for (int i = 0; i < 4; ++i)
        taken.emplace_back(positions[i], (positions[i] + 20) / 40); // the nearest of 25 frames a second
    EXPECT_EQ(Scenes(95), taken);
    // The remaining steps still ran: the bar stands at the last position.
    EXPECT_EQ(Bar().value(), positions[15]);
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actAutoCapture->isEnabled());
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 10), Bar().mapToGlobal(QPoint(20, 10)));
    QApplication::sendEvent(&Bar(), &rightClick);
    EXPECT_FALSE(window->Controls().cmTrackBar->isVisible());
}

TEST_F(KadrixAutoSplitTest, WhileItRunsNothingElseReachesTheWindowAndCancelKeepsTheScenes)
{
    OpenPlaying(QStringLiteral("mpeg4.avi"));
    int position = -1;
    dialogs->onStep = [&](int done) {
        if (done != 3)
            return false;
        position = Bar().value();
        // The close box, Ctrl+P, a playback tick, the split again: none acts.
        dialogs->questions.clear();
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(dialogs->questions.empty());
        PressKey(Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Paused);
        Tick(500);
        window->RunAutoSplit(2);
        EXPECT_TRUE(dialogs->questions.empty());
        EXPECT_EQ(Bar().value(), position);
        return true; // Cancel
    };
    window->Controls().mnuAuto32->trigger();
    EXPECT_EQ(window->CaptureStore().SceneCount(), 3);
    EXPECT_EQ(dialogs->progressSteps, std::vector<int>({1, 2, 3}));
    EXPECT_EQ(Bar().value(), position);
    EXPECT_FALSE(window->Playback().SplitRunning());
    // Afterwards the window works again.
    PressKey(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);
}

// Qt's own progress dialog: its Cancel button, Esc and its close box each stop
// the split after the step in progress, and the scenes taken so far stay.
TEST_F(KadrixAutoSplitTest, ProgressDialogCancelEscAndCloseBoxStopTheSplit)
{
    const std::function<void(TdlgProgress&)> stops[] = {
        [](TdlgProgress& dialog) { dialog.btnCancel->click(); },
        [](TdlgProgress& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](TdlgProgress& dialog) { dialog.close(); },
    };
    OpenPlaying(QStringLiteral("mpeg4.avi"));
    dialogs->realProgress = true;
    int scenes = 0;
    for (const auto& stop : stops) {
        // Runs whenever a step of the dialog lets events through.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TdlgProgress*>(QApplication::activeModalWidget());
            if (dialog && dialog->ProgressBar1->value() == 2 && !dialog->Cancelled())
                stop(*dialog);
        });
        watcher.start(0);
        window->Controls().mnuAuto8->trigger();
        scenes += 2;
        EXPECT_EQ(window->CaptureStore().SceneCount(), scenes);
        EXPECT_FALSE(window->Playback().SplitRunning());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the dialog closed with the split";
    }
}

TEST_F(KadrixAutoSplitTest, AFailedWriteEndsTheSplitWithTheScenesTakenSoFar)
{
    OpenPlaying(QStringLiteral("mpeg4.avi"));
    std::unique_ptr<TFileSizeLimit> fullDisk;
    dialogs->onStep = [&](int done) {
        if (done == 2)
            fullDisk = std::make_unique<TFileSizeLimit>(1024);
        return false;
    };
    window->Controls().mnuAuto8->trigger();
    fullDisk.reset();
    EXPECT_EQ(window->CaptureStore().SceneCount(), 2);
    EXPECT_EQ(dialogs->progressSteps, std::vector<int>({1, 2}));
    EXPECT_EQ(dialogs->notices.size(), 1u);
}

TEST_F(KadrixAutoSplitTest, CancelledQuestionsChangeNothing)
{
    OpenPlaying(QStringLiteral("mpeg4.avi"));
    const int position = Bar().value();
    dialogs->answerOk = false;
    window->Controls().mnuAuto8->trigger();
    window->Controls().mnuAutoCustom->trigger(); // the count dialog is cancelled
    EXPECT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(window->CaptureStore().SceneCount(), 0);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);
    EXPECT_EQ(Bar().value(), position);
    EXPECT_TRUE(dialogs->progressTotals.empty());
}

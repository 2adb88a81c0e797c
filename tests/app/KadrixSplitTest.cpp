// The split range on the position bar, in the real window on a generated
// video whose frames show their own numbers.

#include "KadrixTestSupport.h"

#include "app/UAction.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"
#include "widgets/TPositionBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

using namespace PellumoFixture;

namespace {

class KadrixSplitTest : public KadrixWindowTest
{
protected:
    // Opens the 4-second fixture, shows its first frame and pauses.
    void OpenPaused()
    {
        CreateWindow();
        window->OpenMovie(FixturePath(QStringLiteral("mpeg4.avi")), true);
        ASSERT_TRUE(window->Playback().Decoder().Active());
        Tick(97);
        ASSERT_TRUE(window->Actions().actPause->Execute());
    }
    TPositionBar& Bar() const { return *window->Controls().TrackBar1; }
    std::pair<int, int> Range() const { return {Bar().SelStart(), Bar().SelEnd()}; }
    bool ContextMenuOpens()
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 10), Bar().mapToGlobal(QPoint(20, 10)));
        QApplication::sendEvent(&Bar(), &event);
        QMenu* menu = window->Controls().cmTrackBar;
        const bool opened = menu->isVisible();
        menu->hide();
        return opened;
    }
};

struct TRangeStep
{
    QAction* TKadrixControls::*command;
    int barPosition;
    bool answerOk;
    std::pair<int, int> range; // -1 stands for the bar's Max
    const char* question;      // nullptr: the command asks nothing
};

} // namespace

TEST_F(KadrixSplitTest, RangeCommandsKeepStartBeforeEnd)
{
    OpenPaused();
    const int max = Bar().maximum();
    ASSERT_GT(max, 3900);
    using C = TKadrixControls;
    const TRangeStep steps[] = {
        {&C::mnuStartSplitRange, 1000, true, {1000, -1}, "現在の再生位置(00:00:01.00)を自動分割範囲の開始位置に設定します。\r\nよろしいですか？"},
        {&C::mnuEndSplitRange, 3000, false, {1000, -1}, "現在の再生位置(00:00:03.00)を自動分割範囲の終了位置に設定します。\r\nよろしいですか？"},
        {&C::cmEndSplitRange, 3000, true, {1000, 3000}, nullptr},
        // An end at or before the start: the range runs from 0.
        {&C::mnuEndSplitRange, 1000, true, {0, 1000}, nullptr},
        // A start at or after the end: the range runs to the end of the movie.
        {&C::cmStartSplitRange, 2500, true, {2500, -1}, nullptr},
        {&C::mnuStartSplitRange, 200, true, {200, -1}, nullptr},
        {&C::mnuResetSplitRange, 200, false, {200, -1}, "自動分割範囲を動画の再生時間全体にリセットします。\r\nよろしいですか？"},
        {&C::cmResetSplitRange, 200, true, {0, -1}, nullptr},
        {&C::mnuEndSplitRange, 0, true, {0, 0}, nullptr},
        {&C::mnuStartSplitRange, 0, true, {0, -1}, nullptr},
    };
    for (const TRangeStep& step : steps) {
        Bar().setValue(step.barPosition);
        dialogs->questions.clear();
        dialogs->answerOk = step.answerOk;
        (window->Controls().*step.command)->trigger();
        const std::pair<int, int> expected = {step.range.first, step.range.second < 0 ? max : step.range.second};
        EXPECT_EQ(Range(), expected) << step.barPosition;
        ASSERT_EQ(dialogs->questions.size(), 1u);
        EXPECT_EQ(dialogs->questions[0].title, window->windowTitle());
        if (step.question) {
            EXPECT_EQ(dialogs->questions[0].text, QString::fromUtf8(step.question));
        }
        // The band is drawn unless the range is 0-0.
        EXPECT_EQ(Bar().ShowSelRange(), expected != std::make_pair(0, 0));
        EXPECT_EQ(Bar().value(), step.barPosition); // asking moves nothing
    }
}

TEST_F(KadrixSplitTest, SeekingToTheRangeEndsShowsTheFramesThere)
{
    OpenPaused();
    Bar().setValue(1200);
    window->Controls().mnuStartSplitRange->trigger();
    Bar().setValue(2800);
    window->Controls().mnuEndSplitRange->trigger();
    dialogs->questions.clear();
    // 25 frames per second: 1200 ms is frame 30, 2800 ms frame 70.
    for (const auto& [command, position, frame] :
         {std::tuple{window->Controls().mnuSeekToStartRange, 1200, 30},
          std::tuple{window->Controls().cmSeekToEndRange, 2800, 70},
          std::tuple{window->Controls().cmSeekToStartRange, 1200, 30}}) {
        command->trigger();
        EXPECT_EQ(Bar().value(), position);
        EXPECT_EQ(ReadFrameNumber(window->Playback().CurrentFrame()), frame);
    }
    EXPECT_TRUE(dialogs->questions.empty());
}

TEST_F(KadrixSplitTest, OpeningResetsTheRangeToTheWholeMovie)
{
    OpenPaused();
    Bar().setValue(1500);
    window->Controls().mnuStartSplitRange->trigger();
    ASSERT_EQ(Range().first, 1500);
    window->OpenMovie(FixturePath(QStringLiteral("mjpeg.mov")), true);
    EXPECT_EQ(Range(), std::make_pair(0, Bar().maximum()));
    EXPECT_EQ(Bar().tickInterval(), Bar().maximum());
}

TEST_F(KadrixSplitTest, BarMenuOpensOnlyWhileTheSplitIsOffered)
{
    CreateWindow();
    EXPECT_FALSE(ContextMenuOpens()); // no movie
    window->OpenMovie(FixturePath(QStringLiteral("mpeg4.avi")), true);
    EXPECT_FALSE(ContextMenuOpens()); // no frame shown yet
    Tick(97);
    EXPECT_TRUE(ContextMenuOpens());
    window->Actions().actAutoCapture->Execute();
    EXPECT_TRUE(window->Controls().popupAutoCapture->isVisible());
    window->Controls().popupAutoCapture->hide();
}

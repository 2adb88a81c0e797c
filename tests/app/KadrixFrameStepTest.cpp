// Frame by frame and the sharpest frame nearby in the real window: the
// picture, the bar and the time label follow the frame, and a scene taken
// there returns to that very frame.

#include "KadrixTestSupport.h"

#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"
#include "widgets/TPositionBar.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace PellumoFixture;

namespace {

class KadrixFrameStepTest : public KadrixWindowTest
{
protected:
    // The H.264 video with B-frames, paused on frame `frame`.
    void OpenPausedAt(int frame)
    {
        CreateWindow();
        dialogs->openAnswer = FixturePath(QStringLiteral("h264_bframes.mp4"));
        window->Controls().btnSelectFile->click();
        ASSERT_TRUE(dialogs->notices.empty());
        Tick(200);
        ASSERT_TRUE(window->Actions().actPause->Execute());
        window->Controls().TrackBar1->setValue(frame * 40);
        window->UpdateAllActions();
        ASSERT_EQ(Shown(), frame);
        window->Controls().TrackBar1->setFocus();
    }
    int Shown() const { return ReadFrameNumber(window->Playback().CurrentFrame()); }
    int Position() const { return window->Controls().TrackBar1->value(); }
    void ExpectOnFrame(int frame)
    {
        EXPECT_EQ(Shown(), frame);
        EXPECT_EQ(Position(), frame * 40);
        EXPECT_EQ(window->Controls().lblCurPos->text(), FormatPosition(frame * 40));
    }
};

TEST_F(KadrixFrameStepTest, KeysStepFrameByFrame)
{
    OpenPausedAt(46);
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; int frame; } presses[] = {
        {Qt::Key_Period, Qt::NoModifier, 47}, {Qt::Key_Comma, Qt::NoModifier, 46},
        {Qt::Key_Period, Qt::KeypadModifier, 47}, {Qt::Key_K, Qt::ControlModifier, -1},
    };
    for (const auto& press : presses) {
        PressKey(press.key, press.modifiers);
        ExpectOnFrame(press.frame < 0 ? Shown() : press.frame); // Ctrl+K: the sharpest frame nearby
    }
}

TEST_F(KadrixFrameStepTest, TextFieldKeepsTheKeysAndPlayingRefusesThem)
{
    OpenPausedAt(10);
    window->Controls().edFileName->setFocus();
    PressKey(Qt::Key_Period);
    ExpectOnFrame(10);
    window->Controls().TrackBar1->setFocus();
    ASSERT_TRUE(window->Actions().actPlay->Execute());
    EXPECT_FALSE(window->Actions().actFrameNext->Execute());
    EXPECT_FALSE(window->Actions().actSharpestFrame->Execute());
}

TEST_F(KadrixFrameStepTest, SceneTakenAfterStepsReturnsToItsFrame)
{
    OpenPausedAt(30);
    PressKey(Qt::Key_Comma);
    PressKey(Qt::Key_Comma);
    ASSERT_TRUE(window->ExecuteCapture());
    const TSceneOrigin origin = window->CaptureStore().SceneOrigin(window->CaptureStore().SceneFiles().last());
    EXPECT_EQ(origin.Position, 28 * 40);
    // Going back there (as a double click on the scene does) fetches that frame.
    window->Controls().TrackBar1->setValue(80 * 40);
    ASSERT_EQ(Shown(), 80);
    window->Controls().TrackBar1->setValue(origin.Position);
    ExpectOnFrame(28);
}

} // namespace

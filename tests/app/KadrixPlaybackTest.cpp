// Opening, playing, pausing and stepping through generated videos in the real
// window, with the playback clock moved by hand. Every frame of the videos
// shows its own frame number, so each check knows which picture is on screen.

#include "KadrixTestSupport.h"

#include "app/UAction.h"
#include "support/UFormatPosition.h"
#include "app/UFrameGeometry.h"
#include "decoder/UMovieDecoder.h"
#include "fixtures/TFixtureCatalog.h"
#include "fixtures/TFixtureFrames.h"
#include "widgets/TPaintPanel.h"
#include "widgets/TPositionBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <tuple>

using namespace PellumoFixture;

namespace {

// 4 seconds, 25 frames per second, 160 x 120.
QString ShortVideo()
{
    return FixturePath(QStringLiteral("mpeg4.avi"));
}

// 20 seconds, 10 frames per second, for positions beyond the short one.
QString LongVideo()
{
    return FixturePath(QStringLiteral("mpeg4_20s.avi"));
}

QString CombVideo()
{
    return FixturePath(CombAvi);
}

// The brightest grey level inside rect of image.
int BrightestIn(const QImage& image, const QRect& rect)
{
    int brightest = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
    return brightest;
}

class KadrixPlaybackTest : public KadrixWindowTest
{
protected:
    void Open(const QString& path)
    {
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        dialogs->openAnswer = path;
        window->Controls().btnSelectFile->click();
        ASSERT_TRUE(dialogs->notices.empty()) << dialogs->notices.front().text.toStdString();
    }
    int Position() const { return window->Controls().TrackBar1->value(); }
    int Max() const { return window->Controls().TrackBar1->maximum(); }
    int FrameOnScreen() const { return ReadFrameNumber(window->CurrentFrame()); }
    void Pause()
    {
        ASSERT_TRUE(window->Actions().actPause->Execute());
        window->UpdateAllActions();
    }
    void SelectStep(int index) { window->Controls().cmbStepUnit->setCurrentIndex(index); }
    void Step(int direction)
    {
        (direction > 0 ? window->Actions().actStepNext : window->Actions().actStepPrev)->Execute();
    }
    // The frame number the decoder itself delivers at ms of the open movie.
    int FrameAt(int ms) const
    {
        TMovieDecoder decoder;
        if (!decoder.Open(window->MoviePath()) || !decoder.FetchFrame(ms))
            return -2;
        return ReadFrameNumber(decoder.FrameBitmap());
    }
};

} // namespace

TEST_F(KadrixPlaybackTest, OpenFillsTheLabelsAndPlaysFromTheStart)
{
    CreateWindow();
    Open(ShortVideo());
    const auto& ui = window->Controls();
    const int duration = window->MovieDecoder().Duration();
    ASSERT_GT(duration, 3900);
    EXPECT_EQ(ui.lblPicSize->text(), "160 x 120");
    EXPECT_EQ(ui.lblCurPos->text(), "00:00:00.00");
    EXPECT_EQ(ui.lblStopPos->text(), FormatPosition(duration));
    EXPECT_EQ(ui.edFileName->text(), "mpeg4.avi");
    EXPECT_EQ(window->MoviePath(), ShortVideo());
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Playing);
    EXPECT_TRUE(window->Timer2().isActive());
    EXPECT_TRUE(ui.TrackBar1->isEnabled());
    EXPECT_EQ(Max(), duration);
    EXPECT_EQ(Position(), 0);
    // The split range is the whole movie, with ticks only at the ends.
    EXPECT_EQ(ui.TrackBar1->SelStart(), 0);
    EXPECT_EQ(ui.TrackBar1->SelEnd(), duration);
    EXPECT_EQ(ui.TrackBar1->tickInterval(), duration);
    // The first tick shows the first frame.
    EXPECT_FALSE(window->FrameShown());
    Tick(97);
    EXPECT_TRUE(window->FrameShown());
    EXPECT_EQ(Position(), 97);
    EXPECT_EQ(ui.lblCurPos->text(), "00:00:00.09");
    EXPECT_EQ(FrameOnScreen(), FrameAt(97));
}

TEST_F(KadrixPlaybackTest, BarFollowsTheClockAndSkipsWhenTicksComeLate)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    Tick(97);
    Tick(97);
    EXPECT_EQ(Position(), 291);
    EXPECT_EQ(FrameOnScreen(), FrameAt(291));
    Tick(1500); // a slow tick jumps ahead instead of slowing the movie down
    EXPECT_EQ(Position(), 1791);
    EXPECT_EQ(FrameOnScreen(), FrameAt(1791));
    EXPECT_EQ(window->Controls().lblCurPos->text(), "00:00:01.79");
}

TEST_F(KadrixPlaybackTest, EndOfTheMovieRewindsAndPausesWithPlayShown)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(2000);
    EXPECT_EQ(FrameOnScreen(), FrameAt(2000));
    Tick(static_cast<quint32>(Max())); // well past the end
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(FrameOnScreen(), 0);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Paused);
    EXPECT_FALSE(window->Timer2().isActive());
    window->UpdateAllActions();
    EXPECT_TRUE(window->Controls().btnPlay->isVisible());
    EXPECT_FALSE(window->Controls().btnPause->isVisible());
    EXPECT_TRUE(window->Actions().actPlay->isEnabled());
    // Paused: further ticks move nothing.
    Tick(500);
    EXPECT_EQ(Position(), 0);
}

TEST_F(KadrixPlaybackTest, PlayAfterPausingResumesFromThePausedPosition)
{
    const QString video = LongVideo();
    CreateWindow();
    Open(video);
    Tick(12500);
    EXPECT_EQ(Position(), 12500);
    Pause();
    EXPECT_TRUE(window->Controls().btnPlay->isVisible());
    EXPECT_FALSE(window->Controls().btnPause->isVisible());
    clock->now += 7000; // time passes while paused
    ASSERT_TRUE(window->Actions().actPlay->Execute());
    Tick(97);
    EXPECT_EQ(Position(), 12597);
    EXPECT_EQ(FrameOnScreen(), FrameAt(12597));
    window->UpdateAllActions();
    EXPECT_FALSE(window->Controls().btnPlay->isVisible());
    EXPECT_TRUE(window->Controls().btnPause->isVisible());
}

TEST_F(KadrixPlaybackTest, DraggingTheBarWhilePlayingContinuesFromThere)
{
    const QString video = LongVideo();
    CreateWindow();
    Open(video);
    Tick(97);
    window->Controls().TrackBar1->setValue(15000); // as the user's drag does
    EXPECT_EQ(FrameOnScreen(), 150);
    EXPECT_EQ(window->Controls().lblCurPos->text(), "00:00:15.00");
    Tick(97);
    EXPECT_EQ(Position(), 15097);

    // While the handle is held, ticks leave the bar where the mouse puts it,
    // and the time it is held still is not played.
    window->Controls().TrackBar1->setSliderDown(true);
    window->Controls().TrackBar1->setValue(8000);
    Tick(97);
    Tick(3300);
    EXPECT_EQ(Position(), 8000);
    clock->now += 40; // released between two ticks
    window->Controls().TrackBar1->setSliderDown(false);
    Tick(97);
    EXPECT_EQ(Position(), 8097) << "playing went on from the dropped position";
    EXPECT_EQ(FrameOnScreen(), FrameAt(8097));
}

TEST_F(KadrixPlaybackTest, CtrlPTogglesPlayAndPause)
{
    CreateWindow();
    Open(ShortVideo());
    PressKey(Qt::Key_P, Qt::ControlModifier); // nothing shown yet: nothing to toggle
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Playing);
    Tick(97);
    PressKey(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Paused);
    EXPECT_FALSE(window->Timer2().isActive());
    PressKey(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Playing);
    EXPECT_TRUE(window->Timer2().isActive());
}

TEST_F(KadrixPlaybackTest, RewindWhilePlayingPlaysOnFromTheStart)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(1000);
    ASSERT_TRUE(window->Actions().actRewind->Execute());
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(FrameOnScreen(), 0);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Playing);
    Tick(97);
    EXPECT_EQ(Position(), 97);
}

TEST_F(KadrixPlaybackTest, RewindAtTheStartRewritesTheLabelButFetchesNothing)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    window->Actions().actRewind->Execute();
    Pause();
    const qint64 picture = window->CurrentFrame().Image().cacheKey();
    window->Controls().lblCurPos->setText(QStringLiteral("x"));
    ASSERT_TRUE(window->Actions().actRewind->Execute());
    EXPECT_EQ(window->Controls().lblCurPos->text(), "00:00:00.00");
    EXPECT_EQ(window->CurrentFrame().Image().cacheKey(), picture);
}

TEST_F(KadrixPlaybackTest, SteppingMovesByTheUnitAndStopsAtBothEnds)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    window->Controls().TrackBar1->setValue(0);
    Pause();
    const qint64 first = window->CurrentFrame().Image().cacheKey();
    Step(-1); // at 0: nothing moves, nothing is fetched
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(window->CurrentFrame().Image().cacheKey(), first);

    Step(+1); // "0.5秒"
    EXPECT_EQ(Position(), 500);
    EXPECT_EQ(FrameOnScreen(), FrameAt(500));
    EXPECT_EQ(window->Controls().lblCurPos->text(), "00:00:00.50");

    window->Controls().TrackBar1->setValue(300);
    Step(-1);
    EXPECT_EQ(Position(), 0);

    SelectStep(6); // "1秒"
    window->Controls().TrackBar1->setValue(Max() - 200);
    Step(+1);
    EXPECT_EQ(Position(), Max());
    EXPECT_EQ(FrameOnScreen(), 99) << "the end shows the frame at Duration - 1";
    const qint64 last = window->CurrentFrame().Image().cacheKey();
    PressKey(Qt::Key_Right, Qt::ControlModifier); // at the end: nothing happens
    EXPECT_EQ(Position(), Max());
    EXPECT_EQ(window->CurrentFrame().Image().cacheKey(), last);

    SelectStep(0); // "10分" on a 4-second movie
    window->Controls().TrackBar1->setValue(1000);
    Step(+1);
    EXPECT_EQ(Position(), Max());
    Step(-1);
    EXPECT_EQ(Position(), 0);
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Position(), Max());
    PressKey(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Position(), 0);
}

TEST_F(KadrixPlaybackTest, SteppingIsOffWhilePlaying)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actStepNext->isEnabled());
    EXPECT_FALSE(window->Controls().cmbStepUnit->isEnabled());
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Position(), 97);
    Pause();
    EXPECT_TRUE(window->Actions().actStepNext->isEnabled());
    EXPECT_TRUE(window->Actions().actStepPrev->isEnabled());
    EXPECT_TRUE(window->Controls().cmbStepUnit->isEnabled());
}

TEST_F(KadrixPlaybackTest, BarKeysMoveBySecondsAndTenSeconds)
{
    const QString video = LongVideo();
    CreateWindow();
    Open(video);
    Tick(97);
    window->Controls().TrackBar1->setValue(5000);
    Pause();
    window->Controls().TrackBar1->setFocus();
    PressKey(Qt::Key_Right);
    EXPECT_EQ(Position(), 6000);
    PressKey(Qt::Key_Left);
    PressKey(Qt::Key_Left);
    EXPECT_EQ(Position(), 4000);
    window->Controls().TrackBar1->setValue(12000);
    PressKey(Qt::Key_PageDown);
    EXPECT_EQ(Position(), 2000);
    PressKey(Qt::Key_PageUp);
    PressKey(Qt::Key_Right);
    PressKey(Qt::Key_Right);
    PressKey(Qt::Key_Right);
    EXPECT_EQ(Position(), 15000);
    EXPECT_EQ(FrameOnScreen(), 150);
}

TEST_F(KadrixPlaybackTest, OpeningAnotherMovieClosesTheFirstAndStartsAgain)
{
    const QString video = LongVideo();
    CreateWindow();
    Open(video);
    Tick(3000);
    Open(ShortVideo());
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(FrameOnScreen(), 0) << "moving the bar back to 0 shows the new movie's first frame";
    EXPECT_EQ(window->Controls().lblStopPos->text(), FormatPosition(window->MovieDecoder().Duration()));
    EXPECT_EQ(window->Controls().edFileName->text(), "mpeg4.avi");
    EXPECT_EQ(window->Controls().TrackBar1->SelEnd(), Max());
    Tick(97);
    EXPECT_EQ(Position(), 97);
}

TEST_F(KadrixPlaybackTest, FailedOpenAfterAMovieClearsTheViewAndStopsEverything)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(1000);
    const QString fake = tempRoot.filePath("broken.avi");
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    dialogs->openAnswer = fake;
    window->Controls().btnSelectFile->click();
    ASSERT_EQ(dialogs->notices.size(), 1u);
    EXPECT_FALSE(window->MovieDecoder().Active());
    EXPECT_FALSE(window->Timer2().isActive());
    EXPECT_TRUE(window->Controls().edFileName->text().isEmpty());
    // No picture of the previous movie under the blank labels, no position
    // or split range of it on the bar, and nothing to capture.
    EXPECT_TRUE(window->CurrentFrame().Empty());
    const QImage view = window->Controls().PaintBox1->grab().toImage();
    EXPECT_EQ(BrightestIn(view, view.rect()), 0);
    const TPositionBar& bar = *window->Controls().TrackBar1;
    EXPECT_EQ(std::make_tuple(bar.value(), bar.maximum(), bar.SelStart(), bar.SelEnd()), std::make_tuple(0, 0, 0, 0));
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actCapture->isEnabled());
    Tick(97);
    EXPECT_TRUE(window->CurrentFrame().Empty());
    // A missing path afterwards leaves everything as it is.
    window->OpenMovie(tempRoot.filePath("gone.avi"), false);
    EXPECT_EQ(dialogs->notices.size(), 1u);
}

TEST_F(KadrixPlaybackTest, MissingPathOrFolderWhilePlayingPausesTheMovie)
{
    CreateWindow();
    for (const QString& notAMovie : {tempRoot.filePath("gone.avi"), tempRoot.path()}) {
        Open(ShortVideo());
        Tick(500);
        window->OpenMovie(notAMovie, false);
        EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Paused) << notAMovie.toStdString();
        EXPECT_FALSE(window->Timer2().isActive());
        window->UpdateAllActions();
        EXPECT_TRUE(window->Controls().btnPlay->isVisible());
        EXPECT_FALSE(window->Controls().btnPause->isVisible());
        ASSERT_TRUE(window->Actions().actPlay->Execute()) << "the open movie plays on";
        Tick(97);
        EXPECT_EQ(Position(), 597);
    }
}

TEST_F(KadrixPlaybackTest, FrameIsDrawnFittedAndCentredOnBlack)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(1000);
    Pause();
    TPaintPanel* box = window->Controls().PaintBox1;
    const QImage shot = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect target = FitRectCentered(160, 120, box->width(), box->height());
    ASSERT_GT(box->width(), target.width()) << "the design panel is wider than 4:3";
    EXPECT_EQ(target.height(), box->height());
    for (int y = 0; y < shot.height(); y += 7) {
        EXPECT_EQ(shot.pixel(target.left() - 1, y), qRgb(0, 0, 0));
        EXPECT_EQ(shot.pixel(target.right() + 1, y), qRgb(0, 0, 0));
        EXPECT_EQ(shot.pixel(0, y), qRgb(0, 0, 0));
    }
    EXPECT_EQ(ReadFrameNumber(shot.copy(target)), FrameOnScreen());
}

TEST_F(KadrixPlaybackTest, DroppedFileOpensLikeAChosenOne)
{
    CreateWindow();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ShortVideo()), QUrl::fromLocalFile(LongVideo())});
    // Qt delivers a drop only to a widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    QApplication::processEvents();
    EXPECT_EQ(window->MoviePath(), ShortVideo());
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Playing);
    EXPECT_TRUE(window->OpenDialog1().FileName.isEmpty()) << "a dropped file is not the dialog's choice";
}

TEST_F(KadrixPlaybackTest, DeinterlaceChangesOnlyThePictureOnScreen)
{
    const QString video = CombVideo();
    CreateWindow();
    Open(video);
    Tick(300);
    Pause();
    TPaintPanel* box = window->Controls().PaintBox1;
    const QRect target = FitRectCentered(160, 120, box->width(), box->height());
    const QImage frame = window->CurrentFrame().Image().copy();
    ASSERT_EQ(qGray(frame.pixel(10, 1)), 255);
    EXPECT_GT(BrightestIn(box->grab().toImage(), target), 100) << "the white odd rows show";

    window->Controls().chkDeinterlace->click();
    EXPECT_EQ(BrightestIn(box->grab().toImage(), target), 0) << "odd rows repeat the black even rows";
    EXPECT_EQ(window->CurrentFrame().Image(), frame) << "the frame itself stays unfiltered";

    window->Controls().chkDeinterlace->click();
    EXPECT_GT(BrightestIn(box->grab().toImage(), target), 100);
}

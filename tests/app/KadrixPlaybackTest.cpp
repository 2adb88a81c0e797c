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
    int FrameOnScreen() const { return ReadFrameNumber(window->Playback().CurrentFrame()); }
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
        if (!decoder.Open(window->Playback().MoviePath()) || !decoder.FetchFrame(ms))
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
    const int duration = window->Playback().Decoder().Duration();
    ASSERT_GT(duration, 3900);
    EXPECT_EQ(ui.lblPicSize->text(), "160 x 120");
    EXPECT_EQ(ui.lblCurPos->text(), "00:00:00.00");
    EXPECT_EQ(ui.lblStopPos->text(), FormatPosition(duration));
    EXPECT_EQ(ui.edFileName->text(), "mpeg4.avi");
    EXPECT_TRUE(ui.TrackBar1->isEnabled());
    // The split range is the whole movie, with ticks only at the ends.
    EXPECT_EQ(ui.TrackBar1->SelStart(), 0);
    EXPECT_EQ(ui.TrackBar1->SelEnd(), duration);
    EXPECT_EQ(ui.TrackBar1->tickInterval(), duration);
    Tick(97);
    EXPECT_EQ(ui.lblCurPos->text(), "00:00:00.09");
}

TEST_F(KadrixPlaybackTest, CtrlPTogglesPlayAndPause)
{
    CreateWindow();
    Open(ShortVideo());
    PressKey(Qt::Key_P, Qt::ControlModifier); // nothing shown yet: nothing to toggle
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);
    Tick(97);
    PressKey(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Paused);
    EXPECT_FALSE(window->Playback().Ticking());
    EXPECT_TRUE(window->Controls().btnPlay->isVisible());
    EXPECT_FALSE(window->Controls().btnPause->isVisible());
    PressKey(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);
    EXPECT_TRUE(window->Playback().Ticking());
    EXPECT_FALSE(window->Controls().btnPlay->isVisible());
}

TEST_F(KadrixPlaybackTest, StepCommandsMoveByTheChosenUnit)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    window->Controls().TrackBar1->setValue(0);
    Pause();
    Step(+1); // "0.5秒"
    EXPECT_EQ(Position(), 500);
    EXPECT_EQ(FrameOnScreen(), FrameAt(500));
    EXPECT_EQ(window->Controls().lblCurPos->text(), "00:00:00.50");
    SelectStep(6); // "1秒"
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Position(), 1500);
    PressKey(Qt::Key_Left, Qt::ControlModifier);
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
    // Home and End go through the window's key filter to the bar.
    PressKey(Qt::Key_End);
    EXPECT_EQ(Position(), Max());
    EXPECT_EQ(FrameOnScreen(), FrameAt(Max() - 1));
    PressKey(Qt::Key_Home);
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(FrameOnScreen(), 0);
    window->Controls().edFileName->setFocus(); // a text field keeps them
    PressKey(Qt::Key_End);
    EXPECT_EQ(Position(), 0);
}

TEST_F(KadrixPlaybackTest, CtrlSReachesTheSaveCommand)
{
    CreateWindow();
    Open(ShortVideo());
    Tick(97);
    ASSERT_TRUE(window->ExecuteCapture());
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs->saveRequests.size(), 1u);
}

TEST_F(KadrixPlaybackTest, FailedOpenAfterAMovieSaysSoAndClearsTheView)
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
    EXPECT_EQ(dialogs->notices[0].text, "動画シーンの取得ができませんでした。");
    EXPECT_EQ(dialogs->notices[0].title, "Pellumo");
    const auto& ui = window->Controls();
    for (const QLabel* label : {ui.lblPicSize, ui.lblCurPos, ui.lblStopPos})
        EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
    EXPECT_TRUE(ui.edFileName->text().isEmpty());
    // No picture of the previous movie under the blank labels, no position
    // or split range of it on the bar, and nothing to play or capture.
    const QImage view = window->Controls().PaintBox1->grab().toImage();
    EXPECT_EQ(BrightestIn(view, view.rect()), 0);
    const TPositionBar& bar = *window->Controls().TrackBar1;
    EXPECT_EQ(std::make_tuple(bar.value(), bar.maximum(), bar.SelStart(), bar.SelEnd()), std::make_tuple(0, 0, 0, 0));
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actCapture->isEnabled());
    EXPECT_FALSE(window->Actions().actPlay->isEnabled());
    // A missing path or a folder afterwards says nothing.
    window->OpenMovie(tempRoot.filePath("gone.avi"), false);
    window->OpenMovie(tempRoot.path(), false);
    EXPECT_EQ(dialogs->notices.size(), 1u);
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
    EXPECT_EQ(window->Playback().MoviePath(), ShortVideo());
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);
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
    const QImage frame = window->Playback().CurrentFrame().Image().copy();
    ASSERT_EQ(qGray(frame.pixel(10, 1)), 255);
    EXPECT_GT(BrightestIn(box->grab().toImage(), target), 100) << "the white odd rows show";

    window->Controls().chkDeinterlace->click();
    EXPECT_EQ(BrightestIn(box->grab().toImage(), target), 0) << "odd rows repeat the black even rows";
    EXPECT_EQ(window->Playback().CurrentFrame().Image(), frame) << "the frame itself stays unfiltered";

    window->Controls().chkDeinterlace->click();
    EXPECT_GT(BrightestIn(box->grab().toImage(), target), 100);
}

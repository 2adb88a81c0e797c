#include "KadrixTestSupport.h"

#include "app/UAction.h"
#include "widgets/TPositionBar.h"
#include "widgets/TShadowPanel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace {

QRect GeometryIn(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

} // namespace

using KadrixLayoutTest = KadrixWindowTest;

TEST_F(KadrixLayoutTest, WindowCannotBeMadeSmallerThan800By600)
{
    CreateWindow();
    EXPECT_EQ(window->minimumSize(), QSize(800, 600));
    window->resize(640, 480);
    QApplication::processEvents();
    EXPECT_GE(window->width(), 800);
    EXPECT_GE(window->height(), 600);
    EXPECT_EQ(window->windowTitle(), "Pellumo");
}

TEST_F(KadrixLayoutTest, GroupsFollowTheRightAndBottomEdgesWhenResized)
{
    CreateWindow({tempRoot.path()}); // host mode: the bottom buttons are shown
    const auto& ui = window->Controls();
    window->resize(800, 600);
    QApplication::processEvents();
    const QRect scenes = GeometryIn(ui.gbSelectedFrame, window.get());
    const QRect movie = GeometryIn(ui.GroupBox1, window.get());
    const QRect bar = GeometryIn(ui.TrackBar1, window.get());
    const QRect cancel = GeometryIn(ui.btnCancel, window.get());
    const QRect help = GeometryIn(ui.pnlHelp, window.get());
    const QRect play = GeometryIn(ui.btnPlay, window.get());
    const QRect setting = GeometryIn(ui.gbSetting, window.get());
    const QRect view = GeometryIn(ui.Panel1, window.get());

    window->resize(1000, 750);
    QApplication::processEvents();
    EXPECT_EQ(GeometryIn(ui.gbSelectedFrame, window.get()), scenes.translated(200, 0).adjusted(0, 0, 0, 150));
    EXPECT_EQ(GeometryIn(ui.GroupBox1, window.get()), movie.adjusted(0, 0, 200, 150));
    EXPECT_EQ(GeometryIn(ui.TrackBar1, window.get()), bar.translated(0, 150).adjusted(0, 0, 200, 0));
    EXPECT_EQ(GeometryIn(ui.btnCancel, window.get()), cancel.translated(200, 150));
    EXPECT_EQ(GeometryIn(ui.pnlHelp, window.get()), help.translated(0, 150));
    EXPECT_EQ(GeometryIn(ui.btnPlay, window.get()), play.translated(0, 150));
    EXPECT_EQ(GeometryIn(ui.gbSetting, window.get()), setting.adjusted(0, 0, 200, 0));
    EXPECT_EQ(GeometryIn(ui.Panel1, window.get()), view.adjusted(0, 0, 200, 150));
    EXPECT_EQ(ui.PaintBox1->size(), ui.Panel1->size());
}

TEST_F(KadrixLayoutTest, DesignPositionsHoldInsideTheGroups)
{
    CreateWindow();
    const auto& ui = window->Controls();
    // Controls without anchors to the right or bottom keep their design place.
    EXPECT_EQ(ui.gbSetting->pos(), QPoint(12, 12));
    EXPECT_EQ(ui.btnSelectFile->geometry(), QRect(192, 49, 102, 32));
    EXPECT_EQ(ui.btnSearchDisc->geometry(), QRect(65, 49, 98, 32));
    EXPECT_EQ(ui.btnSelectAll->geometry(), QRect(88, 12, 57, 25));
    EXPECT_EQ(ui.btnPlay->geometry().size(), QSize(49, 40));
    EXPECT_EQ(ui.btnPlay->geometry(), ui.btnPause->geometry());
    EXPECT_EQ(ui.cmbStepUnit->geometry().size(), QSize(61, 20));
    EXPECT_EQ(ui.PaintBox1->pos(), QPoint(0, 0));
    EXPECT_EQ(ui.Panel1->pos(), QPoint(21, 36));
    EXPECT_FALSE(ui.btnSelectVob->isVisible());
    // The right-hand groups keep their width.
    EXPECT_EQ(ui.gbSelectedFrame->width(), 321);
    EXPECT_EQ(ui.StatusBar1->height(), 19);
}

TEST_F(KadrixLayoutTest, StandaloneHidesTheHostButtonsAndStretchesTheFrame)
{
    CreateWindow();
    const auto& ui = window->Controls();
    EXPECT_FALSE(window->HostMode());
    EXPECT_FALSE(ui.btnOK->isVisible());
    EXPECT_FALSE(ui.btnCancel->isVisible());
    EXPECT_FALSE(ui.pnlHelp->isVisible());
    EXPECT_FALSE(ui.btnOption1->isVisible());
    EXPECT_EQ(ui.ShadowPanel1->geometry().bottom(), ui.pnlHelp->geometry().bottom());
    EXPECT_EQ(ui.ShadowPanel1->geometry().top(), 1);
}

TEST_F(KadrixLayoutTest, HostModeShowsOkCancelAndHelp)
{
    CreateWindow({tempRoot.path()});
    const auto& ui = window->Controls();
    EXPECT_TRUE(window->HostMode());
    EXPECT_TRUE(ui.btnOK->isVisible());
    EXPECT_TRUE(ui.btnCancel->isVisible());
    EXPECT_TRUE(ui.pnlHelp->isVisible());
    EXPECT_FALSE(ui.btnOption1->isVisible()) << "ButtonMode 0 shows no host buttons";
    EXPECT_LT(ui.ShadowPanel1->geometry().bottom(), ui.btnOK->geometry().top());
}

TEST_F(KadrixLayoutTest, CaptionsHintsAndStartValues)
{
    CreateWindow();
    const auto& ui = window->Controls();
    const auto& a = window->Actions();
    EXPECT_EQ(ui.btnPause->text(), "停止");
    EXPECT_EQ(ui.btnPause->toolTip(), "動画を一時停止します");
    EXPECT_EQ(ui.btnPlay->text(), "再生");
    EXPECT_EQ(ui.btnRewind->text(), "先頭へ");
    EXPECT_EQ(ui.btnStepPrev->text(), "コマ戻し");
    EXPECT_EQ(ui.btnStepPrev->toolTip(), "前のステップへ");
    EXPECT_EQ(ui.btnStepNext->toolTip(), "次のステップへ");
    EXPECT_EQ(a.actStepNext->toolTip(), "次のコマへ");
    EXPECT_EQ(ui.btnCapture->text(), "切り出し⇒");
    EXPECT_EQ(ui.btnCapture->toolTip(), "シーンリストの最後にキャプチャ画像を追加します。");
    EXPECT_EQ(ui.btnOption1->text(), "イメージで使用");
    EXPECT_EQ(ui.btnOption2->text(), "背景柄で使用");
    EXPECT_EQ(ui.btnAutoCapture->text(), "自動分割⇒");
    EXPECT_EQ(ui.btnSelectFile->toolTip(), "動画ファイルを変更します");
    EXPECT_EQ(ui.TrackBar1->toolTip(), "動画の再生位置を変更します");
    EXPECT_EQ(ui.GroupBox1->title(), "動画");
    EXPECT_EQ(ui.lblPicNum->text(), "0");
    EXPECT_TRUE(ui.lblCurPos->text().isEmpty());
    EXPECT_TRUE(ui.edFileName->isReadOnly());

    ASSERT_EQ(ui.cmbStepUnit->count(), 9);
    EXPECT_EQ(ui.cmbStepUnit->currentIndex(), 7);
    EXPECT_EQ(ui.cmbStepUnit->currentText(), "0.5秒");
    EXPECT_EQ(ui.cmbStepUnit->itemText(0), "10分");
    EXPECT_EQ(TfrmKadrix::StepUnitMs(0), 600000);
    EXPECT_EQ(TfrmKadrix::StepUnitMs(7), 500);
    EXPECT_EQ(TfrmKadrix::StepUnitMs(8), 100);

    EXPECT_EQ(ui.TrackBar1->singleStep(), 1000);
    EXPECT_EQ(ui.TrackBar1->pageStep(), 10000);
    EXPECT_EQ(ui.TrackBar1->tickInterval(), 10000);
    EXPECT_EQ(ui.TrackBar1->maximum(), 0);
    EXPECT_EQ(window->Timer2().interval(), 97);
    EXPECT_FALSE(window->Timer2().isActive());
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::None);

    EXPECT_EQ(window->font().families().value(0), "ＭＳ Ｐゴシック");
    EXPECT_EQ(window->font().families().value(1), "Noto Sans CJK JP");
    // Controls inside the styled group boxes keep the window font too.
    for (const QWidget* control : std::initializer_list<const QWidget*>{ui.btnPlay, ui.lblPicSize,
                                                                        ui.cmbStepUnit, ui.btnSelectAll})
        EXPECT_EQ(control->font(), window->font()) << control->objectName().toStdString();
    EXPECT_EQ(ui.Label2->font().families(), window->font().families());
    EXPECT_LE(ui.Label2->geometry().right(), ui.edFileName->geometry().left()) << "the label ends before the edit";

    EXPECT_EQ(ui.menuOpen->text(), "動画を選択(&O)...");
    EXPECT_EQ(ui.menuOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(ui.menuSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(ui.Exit1->text(), "終了(&X)");
    EXPECT_EQ(ui.menuOpenHelp->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_FALSE(ui.mnuOpenHistory->isVisible());
    EXPECT_EQ(ui.popupAutoCapture->actions().size(), 11);
}

TEST_F(KadrixLayoutTest, NothingPlaysOrStepsBeforeAMovieIsShown)
{
    CreateWindow();
    window->UpdateAllActions();
    const auto& a = window->Actions();
    for (const TAction* action : {a.actPlay, a.actPause, a.actRewind, a.actStepNext, a.actStepPrev, a.actCapture})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_FALSE(window->Controls().cmbStepUnit->isEnabled());
    EXPECT_TRUE(window->Controls().btnPlay->isVisible());
    EXPECT_FALSE(window->Controls().btnPause->isVisible());
}

using KadrixOpenTest = KadrixWindowTest;

TEST_F(KadrixOpenTest, OpenDialogHasItsTitleAndFilterAndCancelChangesNothing)
{
    CreateWindow();
    window->Controls().menuOpen->trigger();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const TFileDialogRequest& request = dialogs->openRequests.front();
    EXPECT_EQ(request.Title, "動画ファイルの選択");
    EXPECT_EQ(request.FilterIndex, 1);
    EXPECT_TRUE(request.Filter.startsWith("動画ファイル|*.avi;*.wmv;*.asf;*.m1v;"));
    EXPECT_TRUE(request.Filter.endsWith("|Digital Video形式(.dv)|*.dv|すべての形式(*.*)|*.*"));
    EXPECT_EQ(request.Filter.count(u'|'), 17);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::None);
    EXPECT_TRUE(dialogs->notices.empty());
}

TEST_F(KadrixOpenTest, MissingPathChangesNothingAndShowsNoMessage)
{
    CreateWindow();
    window->OpenMovie(tempRoot.filePath("missing.avi"), false);
    EXPECT_TRUE(dialogs->notices.empty());
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::None);
    EXPECT_TRUE(window->Controls().edFileName->text().isEmpty());
    EXPECT_FALSE(window->Timer2().isActive());
    // A folder is not a movie file either.
    window->OpenMovie(tempRoot.path(), false);
    EXPECT_TRUE(dialogs->notices.empty());
}

TEST_F(KadrixOpenTest, FileThatCannotBeDecodedGivesTheMessageAndEmptiesTheLabels)
{
    CreateWindow();
    const QString fake = tempRoot.filePath("not a movie.avi");
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is plain text, not a video\n");
    file.close();
    dialogs->openAnswer = fake;
    window->Controls().btnSelectFile->click();

    ASSERT_EQ(dialogs->notices.size(), 1u);
    EXPECT_EQ(dialogs->notices[0].text, "動画シーンの取得ができませんでした。");
    EXPECT_EQ(dialogs->notices[0].title, "Pellumo");
    const auto& ui = window->Controls();
    EXPECT_TRUE(ui.lblPicSize->text().isEmpty());
    EXPECT_TRUE(ui.lblCurPos->text().isEmpty());
    EXPECT_TRUE(ui.lblStopPos->text().isEmpty());
    EXPECT_TRUE(ui.edFileName->text().isEmpty());
    EXPECT_TRUE(window->MoviePath().isEmpty());
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::Paused);
    EXPECT_FALSE(window->Timer2().isActive());
    EXPECT_FALSE(ui.TrackBar1->isEnabled());
    EXPECT_FALSE(window->FrameShown());
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actPlay->isEnabled());
}

using KadrixKeyboardTest = KadrixWindowTest;

TEST_F(KadrixKeyboardTest, CtrlShortcutsAreConsumedEvenWithoutAMovie)
{
    CreateWindow();
    // Probes: shortcuts that would fire if the keys went on to the window.
    int reached = 0;
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P),
                                     QKeySequence(Qt::CTRL | Qt::Key_Right), QKeySequence(Qt::CTRL | Qt::Key_Left),
                                     QKeySequence(Qt::CTRL | Qt::Key_Equal)}) {
        auto* probe = new QAction(window.get());
        probe->setShortcut(keys);
        probe->setShortcutContext(Qt::WindowShortcut);
        window->addAction(probe);
        QObject::connect(probe, &QAction::triggered, [&] { ++reached; });
    }
    PressKey(Qt::Key_P, Qt::ControlModifier);
    PressKey(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    PressKey(Qt::Key_Right, Qt::ControlModifier);
    PressKey(Qt::Key_Left, Qt::ControlModifier);
    PressKey(Qt::Key_Equal, Qt::ControlModifier); // capture, disabled without a frame
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::None);
}

TEST_F(KadrixKeyboardTest, OtherCtrlKeysReachTheMenus)
{
    CreateWindow();
    PressKey(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs->openRequests.size(), 1u) << "Ctrl+O opens the movie dialog";
}

TEST_F(KadrixKeyboardTest, EnterAndEscapePressOkAndCancelOnlyWhenVisible)
{
    CreateWindow({tempRoot.path()});
    int ok = 0, cancel = 0;
    QObject::connect(window->Controls().btnOK, &QPushButton::clicked, [&] { ++ok; });
    QObject::connect(window->Controls().btnCancel, &QPushButton::clicked, [&] { ++cancel; });
    window->Controls().TrackBar1->setFocus();
    window->Controls().btnOK->hide();
    PressKey(Qt::Key_Return);
    EXPECT_EQ(ok, 0);
    PressKey(Qt::Key_Escape);   // Cancel ends the work (see KadrixSaveHostTest)
    EXPECT_EQ(cancel, 1);
}

TEST_F(KadrixOpenTest, HostSettingsPresetTheOpenDialogWithAFileOrAFolder)
{
    QDir root(tempRoot.path());
    ASSERT_TRUE(root.mkpath("host") && root.mkpath("movies"));
    const QString movie = root.filePath("movies/clip.mp4");
    QFile clip(movie);
    ASSERT_TRUE(clip.open(QIODevice::WriteOnly));
    clip.close();
    const auto writeSettings = [&](const QString& movieFileName) {
        QFile settings(root.filePath("host/setting.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(QStringLiteral("[Setting]\r\nMovieFileName=%1\r\n").arg(movieFileName).toUtf8());
    };

    writeSettings(root.filePath("movies"));
    CreateWindow({root.filePath("host")});
    window->Controls().btnSelectFile->click();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].InitialDir, root.filePath("movies"));
    EXPECT_TRUE(dialogs->openRequests[0].FileName.isEmpty());
    window->close();
    window.reset();

    writeSettings(movie);
    CreateWindow({root.filePath("host")});
    window->Controls().btnSelectFile->click();
    ASSERT_EQ(dialogs->openRequests.size(), 2u);
    EXPECT_EQ(dialogs->openRequests[1].FileName, movie);
    EXPECT_EQ(window->PlayState(), TfrmKadrix::TPlayState::None) << "the preset movie is not opened";
}

#include "KadrixTestSupport.h"

#include "app/UAction.h"
#include "widgets/TActionLink.h"
#include "widgets/TPositionBar.h"
#include "widgets/TShadowPanel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <map>

namespace {

QRect GeometryIn(const QWidget* widget, const QWidget* ancestor)
{
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

// The wildcards of a Qt name filter "Text (*.a *.b)".
QStringList Patterns(const QString& nameFilter)
{
    const QRegularExpressionMatch inside = QRegularExpression("\\(([^)]*)\\)$").match(nameFilter);
    return inside.captured(1).split(u' ', Qt::SkipEmptyParts);
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
    // The scene list and the movie side share the extra width half and half.
    EXPECT_EQ(GeometryIn(ui.gbSelectedFrame, window.get()), scenes.adjusted(100, 0, 200, 150));
    EXPECT_EQ(GeometryIn(ui.GroupBox1, window.get()), movie.adjusted(0, 0, 100, 150));
    EXPECT_EQ(GeometryIn(ui.TrackBar1, window.get()), bar.translated(0, 150).adjusted(0, 0, 200, 0));
    EXPECT_EQ(GeometryIn(ui.btnCancel, window.get()), cancel.translated(200, 150));
    EXPECT_EQ(GeometryIn(ui.pnlHelp, window.get()), help.translated(0, 150));
    EXPECT_EQ(GeometryIn(ui.btnPlay, window.get()), play.translated(0, 150));
    EXPECT_EQ(GeometryIn(ui.gbSetting, window.get()), setting.adjusted(0, 0, 100, 0));
    EXPECT_EQ(GeometryIn(ui.Panel1, window.get()), view.adjusted(0, 0, 100, 150));
    EXPECT_EQ(ui.PaintBox1->size(), ui.Panel1->size());
}

TEST_F(KadrixLayoutTest, StandaloneHidesTheHostButtonsAndStretchesTheFrame)
{
    CreateWindow();
    const auto& ui = window->Controls();
    EXPECT_FALSE(window->Mode().Host);
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
    EXPECT_TRUE(window->Mode().Host);
    EXPECT_TRUE(ui.btnOK->isVisible());
    EXPECT_TRUE(ui.btnCancel->isVisible());
    EXPECT_TRUE(ui.pnlHelp->isVisible());
    EXPECT_FALSE(ui.btnOption1->isVisible()) << "ButtonMode 0 shows no host buttons";
    EXPECT_LT(ui.ShadowPanel1->geometry().bottom(), ui.btnOK->geometry().top());
}

TEST_F(KadrixLayoutTest, ControlsShowTheWindowFontAndLabelsFitTheirText)
{
    CreateWindow();
    const QFont font = window->font();
    QStringList otherFont;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        // Menus and popups are windows of their own.
        if (!control->isWindow()
            && (control->font().families() != font.families() || control->font().pixelSize() != font.pixelSize()))
            otherFont.append(control->objectName() + u'/' + control->metaObject()->className() + u' '
                             + control->font().toString());
    }
    EXPECT_EQ(otherFont.join(u'\n').toStdString(), "");
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty())
            continue;
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString();
        // Nothing beside the label covers its text.
        for (const QObject* sibling : label->parentWidget()->children()) {
            const auto* widget = qobject_cast<const QWidget*>(sibling);
            if (widget && widget != label && !widget->isHidden()) {
                EXPECT_FALSE(widget->geometry().intersects(label->geometry()))
                    << label->objectName().toStdString() << " / " << widget->objectName().toStdString();
            }
        }
    }
}

TEST_F(KadrixLayoutTest, EveryButtonWithAnActionRunsItsOwnAction)
{
    CreateWindow({tempRoot.path()}); // host mode: every button exists on screen
    std::map<const TAction*, int> runs;
    for (TAction* action : window->Actions().All()) {
        action->SetOnUpdate([](TAction& self) { self.setEnabled(true); self.setVisible(true); });
        action->SetOnExecute([&runs, action] { ++runs[action]; });
    }
    window->UpdateAllActions();
    int bound = 0;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        const auto* link = button->findChild<TActionLink*>();
        if (!link)
            continue;
        ++bound;
        const auto* action = static_cast<const TAction*>(link->Action());
        // btnX runs actX (or actX1, ...): a button wired to another action shows here.
        const QString buttonName = button->objectName().mid(3);
        const QString actionName = action->objectName().mid(3);
        EXPECT_TRUE(actionName.startsWith(buttonName) && actionName.mid(buttonName.size()).count(QRegularExpression("\\D")) == 0)
            << button->objectName().toStdString() << " runs " << action->objectName().toStdString();
        runs.clear();
        button->click();
        EXPECT_EQ(runs, (std::map<const TAction*, int>{{action, 1}})) << button->objectName().toStdString();
    }
    // Every action has its button but the scene list's double click, the
    // three frame commands of the bar's menu, the contact sheet and the two
    // copy commands (menus).
    EXPECT_EQ(bound, window->Actions().All().size() - 7);
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

TEST_F(KadrixOpenTest, OpenDialogOffersEveryMovieTypeFirstAndCancelChangesNothing)
{
    CreateWindow();
    window->Controls().menuOpen->trigger();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const TFileDialogRequest& request = dialogs->openRequests.front();
    EXPECT_EQ(request.Title, "動画ファイルの選択");
    const QStringList filters = TQtDialogs::QtNameFilters(request.Filter);
    ASSERT_GE(request.FilterIndex, 1);
    ASSERT_LE(request.FilterIndex, filters.size());
    for (const char* name : {"a.avi", "a.wmv", "a.asf", "a.m1v", "a.m2v", "a.mp4", "a.m4v", "a.mp4v", "a.mov", "a.mpg",
                             "a.mpeg", "a.3gp", "a.3g2", "a.rm", "a.rmvb", "a.flv", "a.vob", "a.dv", "a.mod"})
        EXPECT_TRUE(QDir::match(Patterns(filters[request.FilterIndex - 1]), name)) << name;
    EXPECT_TRUE(QDir::match(Patterns(filters.back()), "anything.xyz")) << "the last choice shows every file";
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::None);
    EXPECT_TRUE(dialogs->notices.empty());
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
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::None);
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
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::None) << "the preset movie is not opened";
}

TEST(KadrixQtTextsTest, QtsOwnButtonsAndFileDialogAreJapanese)
{
    QMessageBox box(QMessageBox::NoIcon, "Pellumo", "?", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), "OK");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "キャンセル");
    QFileDialog dialog(nullptr, "t");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        const auto* label = dialog.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_FALSE(label->text().contains(QRegularExpression("[A-Za-z]{3}"))) << label->text().toStdString();
    }
}

TEST(KadrixQtTextsTest, FileDialogFiltersReadAsTheirTextsAndKeepTheirPatterns)
{
    struct Case
    {
        const char* filter;
        int filterIndex;
        QStringList shown;
        const char* matching;
    };
    const Case cases[] = {
        {"ビットマップ形式(*.bmp)|*.bmp|JPEG形式(*.jpg)|*.jpg|すべてのファイル(*.*)|*.*", 2,
         {"ビットマップ形式(*.bmp)", "JPEG形式(*.jpg)", "すべてのファイル(*.*)"}, "a.jpg"},
        {"動画ファイル|*.avi;*.mpg|AVI形式(.avi)|*.avi", 1, {"動画ファイル", "AVI形式(.avi)"}, "a.mpg"},
    };
    for (const Case& c : cases) {
        TFileDialogRequest request;
        request.Filter = QString::fromUtf8(c.filter);
        request.FilterIndex = c.filterIndex;
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        TQtDialogs::PrepareFileDialog(dialog, request);
        const auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown.append(types->itemText(i));
        EXPECT_EQ(shown, c.shown);
        // The chosen entry still filters by its patterns and maps back to its index.
        EXPECT_EQ(TQtDialogs::SelectedFilterIndex(dialog), c.filterIndex) << c.filter;
        const auto* files = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(files, nullptr);
        EXPECT_TRUE(QDir::match(files->nameFilters(), c.matching)) << c.filter;
    }
}

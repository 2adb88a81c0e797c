// Dropped files, the help file and its viewer, web links and the About box
// on the real window.

#include "KadrixTestSupport.h"

#include "app/FAbout.h"
#include "app/UChmFile.h"
#include "app/UHelpViewer.h"
#include "app/UOpenUrl.h"
#include "fixtures/TFixtureCatalog.h"
#include "support/Filever.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QUrl>

using namespace PellumoFixture;

namespace {

const QString HelpFile = QStringLiteral(PELLUMO_HELP_FILE);

// Records what reaches the desktop's URL handlers instead of a browser.
class TUrlRecorder : public QObject
{
    Q_OBJECT
public:
    explicit TUrlRecorder()
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~TUrlRecorder() override
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

class KadrixDesktopTest : public KadrixWindowTest
{
protected:
    // Drags urls onto the window and drops them; false when refused.
    bool Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }
    // F1: the help menu's shortcut.
    void PressF1() { PressKey(Qt::Key_F1); }
};

} // namespace

TEST_F(KadrixDesktopTest, DropOpensTheFirstLocalFileOnly)
{
    CreateWindow();
    const QString first = FixturePath(QStringLiteral("mpeg4.avi"));
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(first), QUrl::fromLocalFile(FixturePath(QStringLiteral("vp8.webm"))),
                      QUrl::fromLocalFile(FixturePath(QStringLiteral("mjpeg.mov")))}));
    EXPECT_EQ(window->Playback().MoviePath(), first);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Playing);

    EXPECT_TRUE(Drop({QUrl::fromLocalFile(tempRoot.path())})) << "a folder is taken like a file";
    EXPECT_EQ(window->Playback().MoviePath(), first) << "but opens nothing";
    EXPECT_FALSE(Drop({QUrl(QStringLiteral("https://example.org/movie.avi"))}));
    EXPECT_EQ(window->Playback().MoviePath(), first);
    EXPECT_TRUE(dialogs->notices.empty());
}

TEST_F(KadrixDesktopTest, DroppedLongPathArrivesWhole)
{
    // 300 characters, more than the 260 some systems allow.
    const QString folder = tempRoot.path() + u'/' + QString(100, u'd') + u'/' + QString(100, u'e');
    ASSERT_TRUE(QDir().mkpath(folder));
    const qsizetype nameLength = 300 - folder.size() - 1;
    ASSERT_TRUE(nameLength > 4 && nameLength < 256);
    const QString movie = folder + u'/' + QString(nameLength - 4, u'm') + QStringLiteral(".avi");
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("mpeg4.avi")), movie));
    CreateWindow();
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(movie)}));
    EXPECT_EQ(window->Playback().MoviePath(), movie);
}

TEST_F(KadrixDesktopTest, MovieNamedOnTheCommandLineOpensInStandaloneModeOnly)
{
    const QString movie = FixturePath(QStringLiteral("mpeg4.avi"));
    CreateWindow({movie});
    ASSERT_FALSE(window->Mode().Host);
    window->OpenArgumentMovie({movie});
    QApplication::processEvents();
    EXPECT_EQ(window->Playback().MoviePath(), movie);

    window->close();
    CreateWindow({tempRoot.path(), movie});
    ASSERT_TRUE(window->Mode().Host);
    window->OpenArgumentMovie({tempRoot.path(), movie});
    QApplication::processEvents();
    EXPECT_TRUE(window->Playback().MoviePath().isEmpty());
}

TEST(HelpFile, DefaultTopicAndMainWindowContextArePages)
{
    TChmFile help(HelpFile);
    ASSERT_TRUE(help.IsOpen()) << HelpFile.toStdString();
    const QString mainWindow = help.ContextTopic(6007);
    for (const QString& topic : {help.DefaultTopic(), mainWindow}) {
        ASSERT_FALSE(topic.isEmpty());
        const auto page = help.Read(topic);
        ASSERT_TRUE(page.has_value()) << topic.toStdString();
        EXPECT_TRUE(page->contains("<h1>")) << topic.toStdString();
    }
    EXPECT_NE(mainWindow, help.DefaultTopic());
    EXPECT_TRUE(help.ContextTopic(6008).isEmpty());
    EXPECT_FALSE(TChmFile(FixturePath(QStringLiteral("mpeg4.avi"))).IsOpen());
}

TEST(HelpFile, EveryLinkLeadsToATopicAndEveryListedTopicIsReached)
{
    TChmFile help(HelpFile);
    ASSERT_TRUE(help.IsOpen()) << HelpFile.toStdString();
    const auto contents = help.Read(QStringLiteral("/pellumo.hhc"));
    ASSERT_TRUE(contents.has_value());
    QStringList listed;
    const QRegularExpression local(QStringLiteral("name=\"Local\" value=\"([^\"]+)\""));
    for (const auto& match : local.globalMatch(QString::fromUtf8(*contents)))
        listed.append(u'/' + match.captured(1));
    ASSERT_FALSE(listed.isEmpty());

    // Follow the links from the default topic, as a reader would.
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    QSet<QString> reached;
    QStringList pending{help.DefaultTopic()};
    while (!pending.isEmpty()) {
        const QString page = pending.takeFirst();
        if (reached.contains(page))
            continue;
        reached.insert(page);
        const auto text = help.Read(page);
        ASSERT_TRUE(text.has_value()) << page.toStdString();
        for (const auto& match : href.globalMatch(QString::fromUtf8(*text))) {
            const QUrl link = QUrl(QStringLiteral("chm:") + page).resolved(QUrl(match.captured(1)));
            if (link.scheme() != u"chm")
                continue; // web pages go to the browser
            const QString target = link.path();
            ASSERT_TRUE(help.Contains(target)) << page.toStdString() << " -> " << target.toStdString();
            if (link.hasFragment()) {
                EXPECT_TRUE(help.Read(target)->contains(("name=\"" + link.fragment() + "\"").toUtf8()))
                    << page.toStdString() << " -> " << link.toString().toStdString();
            }
            if (target.endsWith(QLatin1String(".htm")))
                pending.append(target);
        }
    }
    for (const QString& topic : listed)
        EXPECT_TRUE(reached.contains(topic)) << topic.toStdString() << " is not linked from any page";
}

TEST_F(KadrixDesktopTest, F1ShowsTheDefaultTopicAndLinksStayInTheViewer)
{
    TUrlRecorder browser;
    CreateWindow();
    window->SetHelpFile(HelpFile);
    PressF1();
    TfrmHelpViewer* viewer = TKadrixTestAccess::Help(*window).Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->CurrentTopic(), TChmFile(HelpFile).DefaultTopic());
    EXPECT_TRUE(window->screen()->availableGeometry().contains(viewer->frameGeometry()));

    emit viewer->Browser()->anchorClicked(QUrl(QStringLiteral("open.htm")));
    EXPECT_EQ(viewer->CurrentTopic(), QStringLiteral("/open.htm"));
    EXPECT_TRUE(viewer->Browser()->toPlainText().contains(QStringLiteral("ドラッグ＆ドロップ")));
    emit viewer->Browser()->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    emit viewer->Browser()->anchorClicked(QUrl(QStringLiteral("https://ffmpeg.org/")));
    EXPECT_EQ(viewer->CurrentTopic(), QStringLiteral("/open.htm"));
    EXPECT_EQ(browser.opened, QList<QUrl>({QUrl(QStringLiteral("https://ffmpeg.org/"))}));

    // A help window the user has moved partly off the screen is left there.
    const QRect moved = viewer->geometry().translated(-viewer->width() / 2, 0);
    viewer->setGeometry(moved);
    window->btnHelpClick();
    EXPECT_EQ(viewer->geometry(), moved);
    EXPECT_EQ(TKadrixTestAccess::Help(*window).Viewer(), viewer);
}

TEST_F(KadrixDesktopTest, MissingHelpFileShowsNothing)
{
    CreateWindow();
    ASSERT_FALSE(QFile::exists(window->HelpFile()));
    PressF1();
    EXPECT_EQ(TKadrixTestAccess::Help(*window).Viewer(), nullptr);
    for (QWidget* shown : QApplication::topLevelWidgets())
        EXPECT_TRUE(!shown->isVisible() || shown == window.get()) << shown->objectName().toStdString();
}

TEST(HelpViewer, KeepOnScreen)
{
    const QRect screen(0, 0, 1280, 1024);
    const struct
    {
        QRect window, expected;
    } cases[] = {
        {QRect(100, 100, 700, 500), QRect(100, 100, 700, 500)},      // inside: left alone
        {QRect(900, 700, 700, 500), QRect(900, 700, 380, 324)},      // sticks out: cut back
        {QRect(-3000, 200, 700, 500), QRect(0, 200, 700, 500)},      // on a screen that is gone
        {QRect(2000, 3000, 700, 500), QRect(580, 524, 700, 500)},    // beyond the bottom right
        {QRect(-3000, -3000, 1600, 1200), QRect(0, 0, 1280, 1024)}, // off and too large
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepOnScreen(c.window, screen), c.expected) << c.window.x() << "," << c.window.y();
}

TEST(HelpViewer, HelpFileBesideTheProgramThenInTheDataFolder)
{
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("bin"));
    QDir(prefix.path()).mkpath(QStringLiteral("share/pellumo"));
    const QString program = prefix.filePath(QStringLiteral("bin/pellumo"));
    const QString beside = prefix.filePath(QStringLiteral("bin/pellumo.chm"));
    const QString installed = prefix.filePath(QStringLiteral("share/pellumo/pellumo.chm"));
    EXPECT_EQ(FindHelpFile(program), beside) << "neither: the name beside the program";
    ASSERT_TRUE(QFile::copy(HelpFile, installed));
    EXPECT_EQ(FindHelpFile(program), installed);
    ASSERT_TRUE(QFile::copy(HelpFile, beside));
    EXPECT_EQ(FindHelpFile(program), beside);
}

TEST(OpenUrl, OnlyWebAddressesReachTheBrowser)
{
    TUrlRecorder browser;
    const struct
    {
        const char* address;
        bool opened;
    } cases[] = {
        {"https://ffmpeg.org/", true},
        {"http://example.org/a?b=c", true},
        {"file:///usr/share/applications/pellumo.desktop", false},
        {"file:///bin/sh", false},
        {"/usr/share/applications/pellumo.desktop", false},
        {"javascript:alert(1)", false},
        {"https://", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenUrl(QUrl(QString::fromLatin1(c.address))), c.opened) << c.address;
    EXPECT_EQ(browser.opened.size(), 2);
}

TEST(About, VersionOfTheProgramAndTheFFmpegLicence)
{
    const auto version = TFileVer(QStringLiteral(PELLUMO_PROGRAM)).Query();
    ASSERT_TRUE(version.has_value()) << "the build embeds the version in the program";
    TfrmAbout about(nullptr, QStringLiteral(PELLUMO_PROGRAM));
    EXPECT_EQ(about.gpVersion->title(), QStringLiteral(PELLUMO_VERSION));

    const struct
    {
        const char* license;
        const char* notice;
    } cases[] = {
        {"LGPL version 2.1 or later", "FFMpeg is licensed under the GNU Lesser general Public License."},
        {"GPL version 2 or later", "FFMpeg is licensed under the GNU General Public License."},
        {"GPL version 3 or later", "FFMpeg is licensed under the GNU General Public License."},
        {"nonfree and unredistributable", "FFMpeg is licensed under: nonfree and unredistributable."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FFmpegLicenseNotice(QString::fromLatin1(c.license)), QString::fromLatin1(c.notice));
}

#include "KadrixDesktopTest.moc"

// The recent-movie menus and the DVD title picker of the real window, with
// generated videos, a history store private to the test process and a fake
// system root for the drives.

#include "KadrixTestSupport.h"
#include "TFakeDvdSystem.h"
#include "TMenuText.h"

#include "fixtures/TFixtureCatalog.h"
#include "widgets/UHistoryManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

using namespace PellumoFixture;

namespace {

const QString Clear = QStringLiteral("履歴の消去");
const QString MovieGone = QStringLiteral("動画ファイルが見つかりませんでした。\n履歴から削除します。");
const QString NoTitles = QStringLiteral("Videoモードで作成したDVDをセットしてください");

class KadrixMoviesTest : public KadrixWindowTest
{
protected:
    void SetUp() override
    {
        KadrixWindowTest::SetUp();
        OpenHistoryStore()->clear();
    }

    void Open(const QString& path)
    {
        dialogs->openAnswer = path;
        window->Controls().btnSelectFile->click();
    }
    QStringList FileMenu() const { return ShownItems(*window->Controls().N4); }
    QStringList ButtonPopup() const { return ShownItems(*window->Controls().cmMovieHistoryForButton); }
    // Picks caption in the button's popup as a user would.
    void PickFromPopup(const QString& caption)
    {
        window->Controls().btnMovieHistory->click();
        QMenu* popup = window->Controls().cmMovieHistoryForButton;
        QAction* item = ShownItem(*popup, caption);
        ASSERT_TRUE(item) << caption.toStdString();
        item->trigger();
        popup->close();
    }
    QStringList Notices() const
    {
        QStringList texts;
        for (const TRecordedMessage& message : dialogs->notices)
            texts.append(message.text);
        return texts;
    }
};

} // namespace

TEST_F(KadrixMoviesTest, OpenedMoviesAreListedNewestFirstInBothMenus)
{
    CreateWindow();
    EXPECT_EQ(FileMenu(), QStringList());
    EXPECT_EQ(ButtonPopup(), QStringList());
    const QString a = FixturePath("mpeg4.avi"), b = FixturePath("wmv2.wmv"), c = FixturePath("flv1.flv");
    for (const QString& path : {a, b, c, b})
        Open(path);
    const QStringList expected = {b, c, a, "-", Clear};
    EXPECT_EQ(FileMenu(), expected);
    EXPECT_EQ(ButtonPopup(), expected);
    EXPECT_TRUE(Notices().isEmpty());

    PickFromPopup(a);
    EXPECT_EQ(window->Playback().MoviePath(), a);
    EXPECT_EQ(window->OpenDialog1().FileName, a);
    EXPECT_EQ(FileMenu(), QStringList({a, b, c, "-", Clear}));

    ShownItem(*window->Controls().N4, Clear)->trigger();
    EXPECT_EQ(FileMenu(), QStringList());
    EXPECT_EQ(ButtonPopup(), QStringList());
}

TEST_F(KadrixMoviesTest, AMovieThatFailsOrIsGoneLeavesTheHistory)
{
    CreateWindow();
    const QString good = FixturePath("mpeg4.avi");
    const QString broken = tempRoot.filePath("broken.avi");
    const QString gone = tempRoot.filePath("gone.avi");
    QFile text(broken);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a movie");
    text.close();
    TKadrixTestAccess::History(*window).Add(gone);
    TKadrixTestAccess::History(*window).Add(broken);
    Open(good);

    Open(broken);
    EXPECT_EQ(Notices(), QStringList({"動画シーンの取得ができませんでした。"}));
    EXPECT_EQ(ButtonPopup(), QStringList({good, gone, "-", Clear}));

    Open(good);
    dialogs->notices.clear();
    PickFromPopup(gone);
    EXPECT_EQ(Notices(), QStringList({MovieGone}));
    EXPECT_EQ(window->Playback().MoviePath(), good);
    EXPECT_EQ(window->Controls().edFileName->text(), "mpeg4.avi");
    EXPECT_EQ(FileMenu(), QStringList({good, "-", Clear}));
    EXPECT_EQ(ButtonPopup(), QStringList({good, "-", Clear}));
}

namespace {

class KadrixDvdTest : public KadrixMoviesTest
{
protected:
    // Two drives; sr0 has no disc.
    void SetUp() override
    {
        KadrixMoviesTest::SetUp();
        system.SetCdromInfo("sr1\tsr0");
        system.AddBlockDevice("sr0", "11:0");
        system.AddBlockDevice("sr1", "11:1");
        system.SetMounts({});
        // A title that opens, stored under the capitals a disc uses.
        const QString title = QDir(disc.path()).filePath("VIDEO_TS/VTS_01_1.VOB");
        TFakeDvdSystem::MakeDisc(disc.path(), {"VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VTS_01_2.VOB",
                                                 "VIDEO_TS/R&B_1.VOB"});
        ASSERT_TRUE(QFile::copy(FixturePath("mpeg2_bframes.mpg"), title));
    }
    void CreateWindowOnDrives()
    {
        CreateWindow();
        window->SetDvdDrives(system.Drives());
    }
    // The title menu as it is filled when it pops up.
    QStringList Titles()
    {
        window->Controls().btnSelectVob->click();
        QStringList shown = ShownItems(*window->Controls().mnuVobList);
        window->Controls().mnuVobList->close();
        return shown;
    }
    // Clicks btnSearchDisc and closes the title menu at once.
    void SearchDisc()
    {
        QTimer::singleShot(0, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        window->Controls().btnSearchDisc->click();
    }

    TFakeDvdSystem system;
    QTemporaryDir disc;
};

} // namespace

TEST_F(KadrixDvdTest, ADiscMountedAfterStartIsListedForTheSelectedDrive)
{
    CreateWindowOnDrives();
    const auto& ui = window->Controls();
    EXPECT_EQ(ShownItems(*ui.mnuDrvList), QStringList({"/dev/sr0", "/dev/sr1"}));
    EXPECT_TRUE(ui.mnuDrvList->actions().first()->isChecked());
    EXPECT_TRUE(ui.btnSearchDisc->isEnabled());
    SearchDisc();
    EXPECT_EQ(Notices(), QStringList({NoTitles}));

    system.SetMounts({TFakeDvdSystem::MountLine("11:1", disc.path(), "udf", "/dev/sr1")});
    EXPECT_EQ(Titles(), QStringList());
    ShownItem(*ui.mnuDrvList, "/dev/sr1")->trigger();
    EXPECT_FALSE(ui.mnuDrvList->actions().first()->isChecked());
    dialogs->notices.clear();
    SearchDisc(); // the menu was empty before it popped up
    EXPECT_TRUE(Notices().isEmpty());
    EXPECT_EQ(Titles(), QStringList({"R&B_1.VOB", "VTS_01_1.VOB", "VTS_01_2.VOB"}));
}

TEST_F(KadrixDvdTest, ATitleOpensFromItsFolderAndStaysOutOfTheHistory)
{
    system.SetMounts({TFakeDvdSystem::MountLine("11:0", disc.path(), "udf", "/dev/sr0")});
    CreateWindowOnDrives();
    window->Controls().btnSelectVob->click();
    ShownItem(*window->Controls().mnuVobList, "VTS_01_1.VOB")->trigger();
    window->Controls().mnuVobList->close();
    const QString title = QDir(disc.path()).filePath("VIDEO_TS/VTS_01_1.VOB");
    EXPECT_EQ(window->Playback().MoviePath(), title);
    EXPECT_EQ(window->OpenDialog1().FileName, title);
    EXPECT_TRUE(Notices().isEmpty());
    EXPECT_TRUE(TKadrixTestAccess::History(*window).Items().isEmpty());
    EXPECT_EQ(ButtonPopup(), QStringList());

    window->SetDvdDrives(TFakeDvdSystem().Drives()); // no drive at all
    EXPECT_FALSE(window->Controls().btnSearchDisc->isEnabled());
}

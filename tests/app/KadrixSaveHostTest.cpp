// Saving scenes and ending with a host result, in the real window on scenes
// restored from a host folder.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "app/UAction.h"
#include "app/UApplication.h"
#include "browser/FImageBrowser.h"
#include "picture/UContactSheet.h"
#include "support/UTextCodec.h"

#include <QCheckBox>
#include <QImageReader>
#include <QPushButton>
#include <QRegularExpression>

namespace {

const QString SavedText = QStringLiteral("ファイルを保存しました");
constexpr int NoExitCode = 77;

class KadrixSaveHostTest : public KadrixWindowTest
{
protected:
    // A host folder with `scenes` scene files (besides those a test put
    // there) and a Shift-JIS setting.ini.
    void CreateHost(int scenes, int buttonMode, const QByteArray& extraIni = {})
    {
        for (const QString& name : QDir(host.path()).entryList({"20070514093015_*.bmp"}))
            QFile::remove(host.filePath(name));
        for (int i = 0; i < scenes; ++i)
            WriteSceneBmp(host.filePath(QStringLiteral("20070514093015_%1.bmp").arg(i, 3, 10, QChar(u'0'))), i);
        PutFileBytes(Ini(), "[Setting]\r\nButtonMode=" + QByteArray::number(buttonMode) + "\r\nTitle=\x90\xdd\x92\xe8\r\n"
                                + extraIni);
        TKadrixApplication::SetExitCode(NoExitCode);
        CreateWindow({host.path()});
    }
    QString Ini() const { return host.filePath("setting.ini"); }
    void Select(const QList<int>& scenes)
    {
        for (int scene : scenes)
            TKadrixTestAccess::Browser(*window).SelectIndex(scene);
        window->UpdateAllActions();
    }
    // Every file in the host folder with its bytes.
    std::map<QString, QByteArray> HostFiles() const
    {
        std::map<QString, QByteArray> files;
        for (const QString& name : FolderEntries(host.path()))
            files[name] = FileBytes(host.filePath(name));
        return files;
    }
    QStringList NoticeTexts() const
    {
        QStringList texts;
        for (const TRecordedMessage& notice : dialogs->notices)
            texts.append(notice.text);
        return texts;
    }
    // The result the host reads: Selected keys, ClickedButton, exit code.
    struct THostView
    {
        QStringList selected;
        int clicked;
        int exitCode;
        bool closed;
    };
    THostView HostView() const
    {
        TIniDocument ini(Ini());
        QStringList selected;
        for (const QString& key : ini.SectionKeys("Selected"))
            selected.append(key + u'=' + QFileInfo(ini.ReadString("Selected", key, {})).fileName());
        return {selected, ini.ReadInteger("Setting", "ClickedButton", -1), TKadrixApplication::ExitCode(),
                !window->isVisible()};
    }

    QTemporaryDir host;
};

QString SceneName(int index)
{
    return QStringLiteral("%1=20070514093015_%2.bmp").arg(index).arg(index, 3, 10, QChar(u'0'));
}

bool Deinterlaced(const QImage& image)
{
    for (int y = 1; y < image.height(); y += 2)
        if (image.copy(0, y, image.width(), 1) != image.copy(0, y - 1, image.width(), 1))
            return false;
    return true;
}

} // namespace

// Every combination of button mode, scene count and selection: what is
// offered, and what the host finds after each button it can press.
TEST_F(KadrixSaveHostTest, HostButtonMatrix)
{
    enum TButton { OK, Cancel, Option1, Option2, Option3, Exit };
    struct Case
    {
        int mode, scenes;
        QList<int> selection;
        QList<TButton> offered;   // visible and enabled
    };
    const Case cases[] = {
        {0, 1, {}, {OK, Cancel}},        {0, 2, {1}, {OK, Cancel}},        {0, 5, {1, 3}, {OK, Cancel}},
        {1, 1, {}, {Option2, Cancel}},   {1, 1, {0}, {Option1, Option2, Cancel}},
        {1, 2, {}, {Option2, Option3, Cancel}}, {1, 2, {1}, {Option1, Option2, Cancel}},
        {1, 2, {0, 1}, {Option1, Option2, Option3, Cancel}},
        {1, 5, {}, {Option2, Option3, Cancel}}, {1, 5, {4}, {Option1, Option2, Cancel}},
        {1, 5, {1, 3}, {Option1, Option2, Option3, Cancel}},
        {2, 1, {0}, {Cancel}},           {2, 5, {}, {Cancel}},             {2, 5, {1, 3}, {Cancel}},
    };
    const int codes[] = {0, 1, 2, 3, 4, 0};
    for (const Case& c : cases) {
        QList<TButton> pressed = c.offered;
        pressed.append(Exit);
        for (TButton button : pressed) {
            SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", " << c.scenes << " scenes, "
                                            << c.selection.size() << " selected, button " << button);
            CreateHost(c.scenes, c.mode);
            Select(c.selection);
            const TKadrixControls& ui = window->Controls();
            QPushButton* const buttons[] = {ui.btnOK, ui.btnCancel, ui.btnOption1, ui.btnOption2, ui.btnOption3};
            for (int b = OK; b <= Option3; ++b)
                EXPECT_EQ(buttons[b]->isVisible() && buttons[b]->isEnabled(), c.offered.contains(TButton(b))) << b;
            if (button == Exit)
                ui.Exit1->trigger();
            else
                buttons[button]->click();

            QList<int> expected = c.selection;
            if (expected.isEmpty() && (button == Option2 || button == Option3))
                for (int i = 0; i < c.scenes; ++i)
                    expected.append(i);
            QStringList keys;
            for (int i : expected)
                keys.append(SceneName(i));
            const THostView view = HostView();
            EXPECT_EQ(view.selected, keys);
            EXPECT_EQ(view.clicked, codes[button]);
            EXPECT_EQ(view.exitCode, button == Cancel ? 1 : 0);
            EXPECT_TRUE(view.closed);
            window.reset();
        }
    }
}

TEST_F(KadrixSaveHostTest, EnterIsOkAndEscapeIsCancel)
{
    for (const auto& [key, code] : {std::pair{Qt::Key_Return, 0}, {Qt::Key_Escape, 1}}) {
        CreateHost(2, 0);
        PressKey(key);
        EXPECT_EQ(HostView().clicked, code);
        EXPECT_EQ(HostView().exitCode, code);
        window.reset();
    }
}

TEST_F(KadrixSaveHostTest, DeinterlacingOnOkRewritesEverySceneFileAndCancelNone)
{
    CreateHost(3, 0);
    window->Controls().chkDeinterlace->click();
    const auto before = HostFiles();
    window->Controls().btnCancel->click();
    EXPECT_EQ(HostView().exitCode, 1);
    for (const QString& file : window->CaptureStore().SceneFiles())
        EXPECT_EQ(FileBytes(file), before.at(QFileInfo(file).fileName()));
    window.reset();

    CreateHost(3, 0);
    window->Controls().chkDeinterlace->click();
    window->Controls().btnOK->click();
    EXPECT_EQ(HostView().exitCode, 0);
    for (const QString& file : window->CaptureStore().SceneFiles()) {
        EXPECT_NE(FileBytes(file), before.at(QFileInfo(file).fileName()));
        EXPECT_TRUE(Deinterlaced(QImage(file))) << file.toStdString();
    }
    EXPECT_EQ(FolderEntries(host.path()).size(), 4);
}

// Nothing reaches the host half-done: a read-only folder or setting.ini
// leaves every byte as it was, the user is told once, the window stays.
TEST_F(KadrixSaveHostTest, FailedResultChangesNothingAndKeepsTheWindowOpen)
{
    CreateHost(3, 0);
    window->Controls().chkDeinterlace->click();
    const auto before = HostFiles();
    QFile::setPermissions(host.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    window->Controls().btnOK->click();
    QFile::setPermissions(host.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(HostFiles(), before);
    ASSERT_EQ(NoticeTexts().size(), 1);
    EXPECT_TRUE(NoticeTexts()[0].contains(window->CaptureStore().SceneFiles()[0])) << NoticeTexts()[0].toStdString();
    EXPECT_FALSE(HostView().closed);
    EXPECT_EQ(HostView().exitCode, NoExitCode);

    // The scene files could be rewritten, setting.ini cannot.
    window->Controls().chkDeinterlace->click();
    QFile::setPermissions(Ini(), QFileDevice::ReadOwner);
    window->Controls().btnOK->click();
    EXPECT_EQ(HostFiles(), before);
    ASSERT_EQ(NoticeTexts().size(), 2);
    EXPECT_TRUE(NoticeTexts()[1].contains(Ini()));
    EXPECT_FALSE(HostView().closed);
    EXPECT_EQ(HostView().exitCode, NoExitCode);

    // Cancel still ends, and tells the host by the exit code.
    window->Controls().btnCancel->click();
    QFile::setPermissions(Ini(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(NoticeTexts().size(), 3);
    EXPECT_TRUE(HostView().closed);
    EXPECT_EQ(HostView().exitCode, 1);
    EXPECT_EQ(HostFiles(), before);
}

TEST_F(KadrixSaveHostTest, ShiftJisResultWithAPathOutsideCp932)
{
    // A Japanese folder name is written in Shift-JIS; a Korean one has no
    // Shift-JIS form, so the result cannot be written and nothing changes.
    for (const QString& folder : {QStringLiteral("写真"), QStringLiteral("사진")}) {
        const bool representable = folder == QStringLiteral("写真");
        WriteSceneBmp(host.filePath(folder + "/a.bmp"), 1);
        CreateHost(0, 0);
        const QByteArray before = FileBytes(Ini());
        Select({0});
        window->Controls().btnOK->click();
        EXPECT_EQ(HostView().closed, representable);
        if (representable) {
            const QByteArray path = TextCodec::Encode(host.filePath(folder + "/a.bmp"), TextCodec::Encoding::ShiftJis).value();
            EXPECT_TRUE(FileBytes(Ini()).contains("[Selected]\r\n0=" + path + "\r\n"));
        } else {
            EXPECT_EQ(FileBytes(Ini()), before);
            EXPECT_EQ(NoticeTexts().size(), 1);
        }
        window.reset();
        QDir(host.filePath(folder)).removeRecursively();
    }
}

TEST_F(KadrixSaveHostTest, SavingOneSceneOrANumberedSeries)
{
    QTemporaryDir out;
    CreateHost(5, 0, "[Position]\r\n1=62040\r\n[Movie]\r\n1=/videos/trip.mpg\r\n");
    const QImage scene1 = QImage(window->CaptureStore().SceneFiles()[1]).convertToFormat(QImage::Format_RGB888);

    // One scene: the dialog starts with an empty name; the JPEG filter adds ".jpg".
    Select({1});
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("first"); };
    EXPECT_TRUE(window->Actions().actSaveImage->Execute());
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].Title, "キャプチャイメージの保存");
    EXPECT_EQ(dialogs->saveRequests[0].FilterIndex, 2);
    EXPECT_TRUE(dialogs->saveRequests[0].FileName.isEmpty());
    QImageReader jpeg(out.filePath("first.jpg"));
    jpeg.setDecideFormatFromContent(true);
    EXPECT_EQ(jpeg.format(), "jpeg");
    EXPECT_EQ(jpeg.read().size(), scene1.size());
    EXPECT_EQ(NoticeTexts(), QStringList{SavedText});

    // Scenes No.2 and No.5 under the proposed timestamp in the folder used
    // last, as PNG: _002 and _005, with the movie and position of No.2.
    Select({4});
    dialogs->saveAnswer = [](const TFileDialogRequest& request) { return request.FileName; };
    dialogs->saveFilterIndex = 3;
    EXPECT_TRUE(window->Actions().actSaveImage->Execute());
    const QString proposed = dialogs->saveRequests.back().FileName;
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(out.path()) + "/\\d{14}_$").match(proposed).hasMatch())
        << proposed.toStdString();
    QImageReader png(proposed + "002.png");
    EXPECT_EQ(png.text("Movie"), "/videos/trip.mpg");
    EXPECT_EQ(png.text("Position"), "62040");
    EXPECT_EQ(png.read().convertToFormat(QImage::Format_RGB888), scene1);
    EXPECT_TRUE(QFileInfo::exists(proposed + "005.png"));
    EXPECT_EQ(FolderEntries(out.path()).size(), 3);
    EXPECT_EQ(NoticeTexts(), QStringList({SavedText, SavedText}));
}

TEST_F(KadrixSaveHostTest, ReplacingIsAskedOnceAndSceneFilesAreNeverWritten)
{
    QTemporaryDir out;
    PutFileBytes(out.filePath("album002.jpg"), "old");
    PutFileBytes(out.filePath("album005.jpg"), "old");
    CreateHost(5, 0);
    Select({1, 2, 4});
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("album.jpg"); };
    dialogs->answerOk = false;
    window->Actions().actSaveImage->Execute();
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].text, "同じ名前のファイルが2個あります。上書きします。よろしいですか？");
    EXPECT_EQ(FolderEntries(out.path()), QStringList({"album002.jpg", "album005.jpg"}));
    EXPECT_EQ(FileBytes(out.filePath("album005.jpg")), "old");
    EXPECT_TRUE(NoticeTexts().isEmpty());

    dialogs->answerOk = true;
    window->Actions().actSaveImage->Execute();
    EXPECT_EQ(FolderEntries(out.path()), QStringList({"album002.jpg", "album003.jpg", "album005.jpg"}));
    EXPECT_EQ(QImageReader(out.filePath("album005.jpg")).read().size(), QSize(32, 24));
    EXPECT_EQ(NoticeTexts(), QStringList{SavedText});

    // A scene file or setting.ini, however named, is refused.
    const auto before = HostFiles();
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    Select({0});
    for (const QString& target : {window->CaptureStore().SceneFiles()[0], host.path() + "/../" + QFileInfo(host.path()).fileName() + "/setting.ini"}) {
        dialogs->saveAnswer = [&](const TFileDialogRequest&) { return target; };
        window->Actions().actSaveImage->Execute();
        EXPECT_EQ(NoticeTexts().back(), "作業中のファイルには上書きできません。\n" + target);
    }
    EXPECT_EQ(HostFiles(), before);
}

TEST_F(KadrixSaveHostTest, FailedSavesNameTheFileAndNeverClaimSuccess)
{
    QTemporaryDir out;
    CreateHost(2, 0);
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("gone/album"); };
    window->Actions().actSaveImage->Execute();
    EXPECT_EQ(NoticeTexts(), QStringList{"ファイルの保存ができませんでした。\n" + out.filePath("gone/album001.jpg")});
    window.reset();

    // With more scenes than the collection keeps, some picture must be read
    // again from its file; damaged, it must not be saved as the error picture.
    CreateHost(101, 0);
    for (const QString& file : window->CaptureStore().SceneFiles())
        PutFileBytes(file, "BM damaged");
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("all"); };
    window->Actions().actSaveImage->Execute();
    const QString failed = NoticeTexts().back().section(u'\n', 1);
    EXPECT_EQ(NoticeTexts().back(), "ファイルの保存ができませんでした。\n" + failed);
    EXPECT_TRUE(failed.startsWith(out.filePath("all"))) << failed.toStdString();
    EXPECT_FALSE(QFileInfo::exists(failed));
    for (const QString& written : FolderEntries(out.path()))
        EXPECT_LT(written, QFileInfo(failed).fileName());
}

TEST_F(KadrixSaveHostTest, DeinterlacedPicturesAreSavedWithoutTouchingTheScenes)
{
    QTemporaryDir out;
    CreateHost(1, 0);
    window->Controls().chkDeinterlace->click();
    const auto before = HostFiles();
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("shot.png"); };
    dialogs->saveFilterIndex = 2;   // the typed extension wins over the JPEG filter
    window->Actions().actSaveImage->Execute();
    QImageReader reader(out.filePath("shot.png"));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), "png");
    EXPECT_TRUE(Deinterlaced(reader.read()));
    EXPECT_EQ(HostFiles(), before);
}

TEST_F(KadrixSaveHostTest, ContactSheetOfTheChosenScenes)
{
    QTemporaryDir out;
    CreateHost(5, 0, "[Position]\r\n1=62040\r\n3=1500\r\n[Movie]\r\n1=/videos/trip.mpg\r\n3=/videos/trip.mpg\r\n");
    const QSize sceneSize = QImage(window->CaptureStore().SceneFiles()[0]).size();

    // Two scenes of one movie: the sheet names it and lists their positions.
    Select({1, 3});
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("two"); };
    EXPECT_TRUE(window->Actions().actSaveSheet->Execute());
    EXPECT_EQ(dialogs->saveRequests.back().Title, "コンタクトシートの保存");
    QImageReader two(out.filePath("two.png"));
    EXPECT_EQ(two.text("Movie"), "/videos/trip.mpg");
    EXPECT_EQ(two.text("Positions"), "62040,1500");
    EXPECT_EQ(two.read().size(), ContactSheetLayout(2, sceneSize).Sheet);
    EXPECT_EQ(NoticeTexts(), QStringList{SavedText});

    // Nothing selected: every scene; scenes of no one movie name none.
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    window->UpdateAllActions();
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("all.jpg"); };
    EXPECT_TRUE(window->Actions().actSaveSheet->Execute());
    QImageReader all(out.filePath("all.jpg"));
    all.setDecideFormatFromContent(true);
    EXPECT_EQ(all.format(), "jpeg");
    EXPECT_EQ(all.read().size(), ContactSheetLayout(5, sceneSize).Sheet);
    EXPECT_EQ(FolderEntries(out.path()), QStringList({"all.jpg", "two.png"}));

    // A scene file is never the target.
    const auto before = HostFiles();
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return window->CaptureStore().SceneFiles()[2]; };
    window->Actions().actSaveSheet->Execute();
    EXPECT_EQ(HostFiles(), before);
    EXPECT_TRUE(NoticeTexts().back().startsWith("作業中のファイルには上書きできません。"));
}

// An exchange file that cannot be read: the user is told at start, OK is
// refused like a read-only file, Cancel still ends with exit code 1, and the
// host's file stays byte for byte.
TEST_F(KadrixSaveHostTest, AnUnreadableExchangeFileIsToldAndOnlyCancelEnds)
{
    const QByteArray utf16 = QByteArray("\xff\xfe[\0S\0]\0\r\0\n\0", 12);
    WriteSceneBmp(host.filePath("20070514093015_000.bmp"), 0);
    PutFileBytes(Ini(), utf16);
    TKadrixApplication::SetExitCode(NoExitCode);
    CreateWindow({host.path()});
    ASSERT_EQ(NoticeTexts().size(), 1);
    EXPECT_EQ(NoticeTexts()[0], QStringLiteral("設定ファイルの読み込みができませんでした。\n") + Ini());

    window->Controls().btnOK->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(TKadrixApplication::ExitCode(), NoExitCode);
    ASSERT_EQ(NoticeTexts().size(), 2);
    EXPECT_TRUE(NoticeTexts()[1].contains(Ini()));

    window->Controls().btnCancel->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(TKadrixApplication::ExitCode(), 1);
    EXPECT_EQ(FileBytes(Ini()), utf16);
}

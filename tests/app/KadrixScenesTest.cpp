// The scene commands in the real window, on a generated video.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "app/UAction.h"
#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "fixtures/TFixtureCatalog.h"
#include "picture/TPictureEx.h"
#include "widgets/TPositionBar.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace PellumoFixture;

namespace {

class KadrixScenesTest : public KadrixWindowTest
{
protected:
    // Opens the 4-second test video and pauses on the frame at `position`.
    void OpenPausedAt(int position, const QStringList& arguments = {})
    {
        CreateWindow(arguments);
        OpenAndPause(FixturePath(QStringLiteral("mpeg4.avi")), position);
    }
    void OpenAndPause(const QString& movie, int position)
    {
        dialogs->openAnswer = movie;
        window->Controls().btnSelectFile->click();
        ASSERT_TRUE(dialogs->notices.empty());
        Tick(200);
        ASSERT_TRUE(window->Actions().actPause->Execute());
        window->Controls().TrackBar1->setValue(position);
        ASSERT_TRUE(window->Playback().FrameShown());
    }
    void CaptureAt(const std::vector<int>& positions)
    {
        for (int position : positions) {
            window->Controls().TrackBar1->setValue(position);
            ASSERT_TRUE(window->ExecuteCapture());
        }
    }
    TfrmImageBrowser& Browser() const { return TKadrixTestAccess::Browser(*window); }
    void Select(const std::vector<int>& indexes)
    {
        Browser().SelectIndex(-1);
        for (int index : indexes)
            Browser().SelectIndex(index);
    }
    QImage Scene(int index) const
    {
        TPictureEx picture;
        TKadrixTestAccess::Store(*window).cipOrg().GetPictureSafe(picture, index);
        return picture.Bitmap().Image();
    }
};

TEST_F(KadrixScenesTest, PlusKeysOfTheMainKeyboardCaptureTheFrameOnScreen)
{
    OpenPausedAt(1240);
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; int scenes; } presses[] = {
        {Qt::Key_Equal, Qt::ControlModifier, 1},                        // US layout
        {Qt::Key_Semicolon, Qt::ControlModifier, 2},                    // Japanese layout
        {Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier, 3},     // either, shifted
        {Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 3},    // the keypad's plus
        {Qt::Key_Semicolon, Qt::NoModifier, 3},
    };
    for (const auto& press : presses) {
        PressKey(press.key, press.modifiers);
        EXPECT_EQ(window->CaptureStore().SceneCount(), press.scenes) << press.key;
    }
    EXPECT_EQ(window->Controls().lblPicNum->text(), "3");
    const TSceneOrigin origin = window->CaptureStore().SceneOrigin(window->CaptureStore().SceneFiles().last());
    EXPECT_EQ(origin.Position, 1240);
    EXPECT_EQ(origin.Movie, window->Playback().MoviePath());
    EXPECT_EQ(Scene(2), window->Playback().CurrentFrame().Image());
    EXPECT_EQ(QImage(window->CaptureStore().SceneFiles().last()).convertToFormat(QImage::Format_BGR888),
              window->Playback().CurrentFrame().Image());
}

TEST_F(KadrixScenesTest, AFailedCaptureIsToldOnceAndLeavesNoScene)
{
    OpenPausedAt(1000);
    {
        TFileSizeLimit fullDisk(1024);
        EXPECT_FALSE(window->ExecuteCapture());
    }
    ASSERT_EQ(dialogs->notices.size(), 1u);
    const QString text = dialogs->notices[0].text;
    EXPECT_TRUE(text.contains(window->Mode().Folder + "/")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("_000.bmp")) << text.toStdString();
    EXPECT_EQ(window->CaptureStore().SceneCount(), 0);
    EXPECT_TRUE(FolderEntries(window->Mode().Folder).isEmpty());

    EXPECT_TRUE(window->ExecuteCapture());
    EXPECT_EQ(window->CaptureStore().SceneCount(), 1);
    EXPECT_EQ(dialogs->notices.size(), 1u);
}

TEST_F(KadrixScenesTest, DeletingAsksRenumbersAndSelectsTheSceneInThePlaceOfTheFirst)
{
    OpenPausedAt(0);
    CaptureAt({0, 400, 800, 1200, 1600});
    const QStringList files = window->CaptureStore().SceneFiles();
    EXPECT_EQ(Browser().SelectedIndexes(), std::vector<int>{4}) << "a new scene is selected";
    EXPECT_TRUE(Browser().InfoTip(1).contains("mpeg4.avi 00:00:00.40")) << Browser().InfoTip(1).toStdString();

    const struct {
        std::vector<int> selected;
        bool answer;
        QString question;
        QString caption;
        int scenesAfter;
        std::vector<int> selectedAfter;
    } steps[] = {
        {{2}, false, "No.3を削除します。よろしいですか？", "1つ削除", 5, {2}},
        {{2}, true, "No.3を削除します。よろしいですか？", "1つ削除", 4, {2}},
        {{2, 3}, true, "選択している画像を削除します。よろしいですか？", "複数削除", 2, {1}},
        {{1}, true, "No.2を削除します。よろしいですか？", "1つ削除", 1, {0}},
        {{0}, true, "No.1を削除します。よろしいですか？", "1つ削除", 0, {}},
    };
    for (const auto& step : steps) {
        Select(step.selected);
        window->UpdateAllActions();
        EXPECT_EQ(window->Controls().btnDelete->text(), step.caption);
        dialogs->answerOk = step.answer;
        window->Controls().btnDelete->click();
        EXPECT_EQ(dialogs->questions.back().text, step.question);
        EXPECT_EQ(window->CaptureStore().SceneCount(), step.scenesAfter);
        EXPECT_EQ(Browser().ItemCount(), step.scenesAfter);
        EXPECT_EQ(Browser().SelectedIndexes(), step.selectedAfter);
        EXPECT_EQ(window->Controls().lblPicNum->text(), QString::number(step.scenesAfter));
    }
    EXPECT_FALSE(window->Actions().actDelete1->isEnabled());
    EXPECT_FALSE(window->Actions().actSelectAll->isEnabled());
    for (const QString& file : files)
        EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(KadrixScenesTest, SettingsAfterADeletionAndTheCloseBoxBelongToTheRemainingScenes)
{
    QTemporaryDir host;
    QFile(host.filePath("setting.ini")).open(QIODevice::WriteOnly);
    OpenPausedAt(0, {host.path()});
    CaptureAt({400, 800, 1200});
    Select({0});
    window->Controls().btnDelete->click();
    ASSERT_EQ(window->CaptureStore().SceneCount(), 2);
    window->close();
    const TIniDocument written(host.filePath("setting.ini"));
    EXPECT_EQ(written.ReadInteger("Position", "0", -2), 800);
    EXPECT_EQ(written.ReadInteger("Position", "1", -2), 1200);
    EXPECT_FALSE(written.ValueExists("Position", "2"));
}

TEST_F(KadrixScenesTest, RetakeNeedsAFrameOnScreenAndReplacesOnlyTheFirstSelected)
{
    QTemporaryDir host;
    WriteSceneBmp(host.filePath("a.bmp"), 1);
    WriteSceneBmp(host.filePath("b.bmp"), 2);
    CreateWindow({host.path()});
    Select({0, 1});
    window->UpdateAllActions();
    EXPECT_FALSE(window->Actions().actUpdate->isEnabled()) << "no frame on screen";

    OpenAndPause(FixturePath(QStringLiteral("mpeg4.avi")), 2000);
    const QByteArray second = FileBytes(host.filePath("b.bmp"));
    Select({0, 1});
    ASSERT_TRUE(window->Actions().actUpdate->Execute());
    EXPECT_EQ(QImage(host.filePath("a.bmp")).convertToFormat(QImage::Format_BGR888), window->Playback().CurrentFrame().Image());
    EXPECT_EQ(FileBytes(host.filePath("b.bmp")), second);
    EXPECT_EQ(Browser().SelectedIndexes(), std::vector<int>{0});
    EXPECT_EQ(window->CaptureStore().SceneOrigin(host.filePath("a.bmp")).Position, 2000);
}

TEST_F(KadrixScenesTest, DoubleClickOpensTheScenesMoviePausedOnItsFrame)
{
    const QString first = FixturePath(QStringLiteral("mpeg4.avi"));
    const QString second = FixturePath(QStringLiteral("rawvideo.avi"));
    OpenPausedAt(0);
    CaptureAt({0, 1200});
    OpenAndPause(second, 0);

    // The scene's movie opens at 0, where the bar already stands and where
    // the scene was taken: it must not go on playing.
    Select({0});
    window->Controls().TrackBar1->setFocus();
    window->Actions().actBrowserDoubleClick->Execute();
    EXPECT_EQ(window->Playback().MoviePath(), first);
    EXPECT_EQ(window->Playback().PlayState(), TPlaybackController::TPlayState::Paused);
    EXPECT_FALSE(window->Playback().Ticking());
    EXPECT_TRUE(window->Playback().FrameShown());
    EXPECT_EQ(window->Controls().TrackBar1->value(), 0);
    EXPECT_EQ(window->Playback().CurrentFrame().Image(), Scene(0));

    // Within the open movie: Enter in the list seeks, and the host's OK
    // button does not see the key.
    Select({1});
    Browser().ListView1()->setFocus();
    int ok = 0;
    QObject::connect(window->Controls().btnOK, &QPushButton::clicked, [&] { ++ok; });
    window->Controls().btnOK->show();
    PressKey(Qt::Key_Return);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(window->Controls().TrackBar1->value(), 1200);
    EXPECT_EQ(window->Playback().CurrentFrame().Image(), Scene(1));
}

} // namespace

// The scene commands in the real window, on a generated video.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "app/UAction.h"
#include "fixtures/TFixtureCatalog.h"
#include "picture/TPictureEx.h"
#include "widgets/TPositionBar.h"

#include <QLabel>
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
        dialogs->openAnswer = FixturePath(QStringLiteral("mpeg4.avi"));
        window->Controls().btnSelectFile->click();
        ASSERT_TRUE(dialogs->notices.empty());
        Tick(200);
        ASSERT_TRUE(window->Actions().actPause->Execute());
        window->Controls().TrackBar1->setValue(position);
        ASSERT_TRUE(window->FrameShown());
    }
    QImage Scene(int index) const
    {
        TPictureEx picture;
        window->CaptureStore().cipOrg().GetPictureSafe(picture, index);
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
        EXPECT_EQ(window->SceneCount(), press.scenes) << press.key;
    }
    EXPECT_EQ(window->Controls().lblPicNum->text(), "3");
    const TSceneOrigin origin = window->CaptureStore().SceneOrigin(window->SceneFiles().last());
    EXPECT_EQ(origin.Position, 1240);
    EXPECT_EQ(origin.Movie, window->MoviePath());
    EXPECT_EQ(Scene(2), window->CurrentFrame().Image());
    EXPECT_EQ(QImage(window->SceneFiles().last()).convertToFormat(QImage::Format_BGR888),
              window->CurrentFrame().Image());
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
    EXPECT_TRUE(text.contains(window->WorkFolder() + "/")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("_000.bmp")) << text.toStdString();
    EXPECT_EQ(window->SceneCount(), 0);
    EXPECT_TRUE(FolderEntries(window->WorkFolder()).isEmpty());

    EXPECT_TRUE(window->ExecuteCapture());
    EXPECT_EQ(window->SceneCount(), 1);
    EXPECT_EQ(dialogs->notices.size(), 1u);
}

} // namespace

// The scene list as it is looked at: its share of a larger window, the
// thumbnail sizes, the preview, copying to the clipboard and the close question.

#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"

#include "app/UAction.h"
#include "browser/FImageBrowser.h"
#include "browser/TBrowserListView.h"
#include "fixtures/TFixtureCatalog.h"
#include "picture/TPictureEx.h"
#include "widgets/TFormPanel.h"
#include "widgets/TPositionBar.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

using namespace PellumoFixture;

namespace {

class KadrixSceneViewTest : public KadrixWindowTest
{
protected:
    void SetUp() override
    {
        KadrixWindowTest::SetUp();
        OpenHistoryStore()->remove(QString::fromLatin1(TfrmKadrix::ThumbnailSizeKey));
    }
    void OpenPausedAt(int position)
    {
        dialogs->openAnswer = FixturePath(QStringLiteral("mpeg4.avi"));
        window->Controls().btnSelectFile->click();
        ASSERT_TRUE(dialogs->notices.empty());
        Tick(200);
        ASSERT_TRUE(window->Actions().actPause->Execute());
        window->Controls().TrackBar1->setValue(position);
    }
    QStringList CheckedSizes() const
    {
        QStringList checked;
        for (QAction* item : window->Controls().mnuThumbnailSize->actions())
            if (item->isChecked())
                checked << item->text();
        return checked;
    }
};

} // namespace

TEST_F(KadrixSceneViewTest, TheSceneListTakesHalfOfAnyExtraWidthAndShowsMoreColumns)
{
    CreateWindow();
    const struct { int width; int size; int columns; } cases[] = {
        {800, 100, 2}, {800, 160, 1}, {800, 240, 1},
        {1280, 100, 4}, {1280, 160, 3}, {1280, 240, 2},
        {1920, 100, 7}, {1920, 160, 4}, {1920, 240, 3},
    };
    const int designPanel = window->Controls().FormPanel1->width();
    for (const auto& c : cases) {
        window->resize(c.width, 600);
        window->SetSceneThumbnailSize(c.size);
        QApplication::processEvents();
        EXPECT_NEAR(window->Controls().FormPanel1->width() - designPanel, (c.width - 800) / 2, 1) << c.width;
        EXPECT_EQ(window->ImageBrowser().ColumnCount(), c.columns) << c.width << " " << c.size;
    }
}

TEST_F(KadrixSceneViewTest, TheThumbnailSizeComesFromTheMenuOrCtrlWheelAndIsRemembered)
{
    CreateWindow();
    EXPECT_EQ(window->ImageBrowser().ThumbnailSize(), 100);
    EXPECT_EQ(CheckedSizes(), QStringList{"小(&S)"});
    window->Controls().mnuThumbnailLarge->trigger();
    EXPECT_EQ(window->ImageBrowser().ThumbnailSize(), 240);
    EXPECT_EQ(CheckedSizes(), QStringList{"大(&L)"});

    QWidget* viewport = window->ImageBrowser().ListView1()->viewport();
    const QPointF at = viewport->rect().center();
    QWheelEvent wheel(at, viewport->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_EQ(window->ImageBrowser().ThumbnailSize(), 160);
    EXPECT_EQ(CheckedSizes(), QStringList{"中(&M)"});
    window->close();
    window.reset();

    CreateWindow();
    EXPECT_EQ(window->ImageBrowser().ThumbnailSize(), 160) << "kept for the next start";
    EXPECT_EQ(CheckedSizes(), QStringList{"中(&M)"});
    // A value from elsewhere that is no offered size gives the smallest.
    OpenHistoryStore()->setValue(QString::fromLatin1(TfrmKadrix::ThumbnailSizeKey), "huge");
    window->close();
    window.reset();
    CreateWindow();
    EXPECT_EQ(window->ImageBrowser().ThumbnailSize(), 100);
}

TEST_F(KadrixSceneViewTest, CtrlCCopiesTheFirstSelectedSceneAndTheViewerCopiesItsFrame)
{
    CreateWindow();
    OpenPausedAt(1000);
    ASSERT_TRUE(window->ExecuteCapture());
    window->Controls().TrackBar1->setValue(2000);
    ASSERT_TRUE(window->ExecuteCapture());
    QApplication::clipboard()->clear();
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    TKadrixTestAccess::Browser(*window).SelectIndex(1);
    TKadrixTestAccess::Browser(*window).SelectIndex(0);
    window->ImageBrowser().ListView1()->setFocus();
    PressKey(Qt::Key_C, Qt::ControlModifier);
    TPictureEx first;
    TKadrixTestAccess::Store(*window).cipOrg().GetPictureSafe(first, 0);
    EXPECT_EQ(QApplication::clipboard()->image(), first.Bitmap().Image().convertToFormat(QImage::Format_RGB32));

    // The viewer's menu copies the frame on screen (the bar is at 2000).
    ASSERT_TRUE(window->Actions().actCopyFrame->Execute());
    EXPECT_EQ(QApplication::clipboard()->image(), window->Playback().CurrentFrame().Image().convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(QApplication::clipboard()->image(), first.Bitmap().Image().convertToFormat(QImage::Format_RGB32));

    // Nothing selected: Ctrl+C copies nothing.
    QApplication::clipboard()->clear();
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    PressKey(Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());
}

TEST_F(KadrixSceneViewTest, EscClosesThePreviewBeforeItCancelsTheHostsWork)
{
    QTemporaryDir host;
    WriteSceneBmp(host.filePath("a.bmp"), 1);
    CreateWindow({host.path()});
    int exitsAsked = 0;
    QObject::connect(window->Controls().btnCancel, &QPushButton::clicked, [&] { ++exitsAsked; });
    TKadrixTestAccess::Browser(*window).SelectIndex(0);
    window->ImageBrowser().ListView1()->setFocus();
    PressKey(Qt::Key_Space);
    ASSERT_EQ(window->ImageBrowser().PreviewIndex(), 0);
    window->Controls().btnSelectFile->setFocus(); // Esc closes it wherever the focus is
    PressKey(Qt::Key_Escape);
    EXPECT_EQ(window->ImageBrowser().PreviewIndex(), -1);
    EXPECT_EQ(exitsAsked, 0);
    PressKey(Qt::Key_Escape);
    EXPECT_EQ(exitsAsked, 1);
}

TEST_F(KadrixSceneViewTest, ClosingSaysHowManyScenesWereNeverSaved)
{
    QTemporaryDir out;
    CreateWindow();
    OpenPausedAt(1000);
    for (int position : {1000, 2000, 3000}) {
        window->Controls().TrackBar1->setValue(position);
        ASSERT_TRUE(window->ExecuteCapture());
    }
    dialogs->saveAnswer = [&](const TFileDialogRequest&) { return out.filePath("kept.bmp"); };
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    TKadrixTestAccess::Browser(*window).SelectIndex(1);
    ASSERT_TRUE(window->Actions().actSaveImage->Execute());
    // A re-take makes the saved scene unsaved again; scene 2 is saved next.
    ASSERT_TRUE(window->Actions().actUpdate->Execute());
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    TKadrixTestAccess::Browser(*window).SelectIndex(2);
    ASSERT_TRUE(window->Actions().actSaveImage->Execute());

    dialogs->answerOk = false;
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(dialogs->questions.empty());
    EXPECT_EQ(dialogs->questions.back().text,
              "保存していない画像が2枚あります。終了すると削除されます。\n終了します。よろしいですか？");
    TKadrixTestAccess::Browser(*window).SelectIndex(-1);
    dialogs->saveAnswer = [](const TFileDialogRequest& request) { return request.FileName; }; // a series name in out
    ASSERT_TRUE(window->Actions().actSaveImage->Execute()); // all of them
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs->questions.back().text, "終了します。よろしいですか？");
}

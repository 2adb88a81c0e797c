#include "KadrixTestSupport.h"
#include "SceneTestSupport.h"
#include "TLogCapture.h"
#include "TmpDirOverride.h"
#include "app/UKadrix.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList FolderListing(const QString& folder)
{
    QStringList entries;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        entries.append(name);
        if (QFileInfo(dir.filePath(name)).isDir())
            for (const QString& inner : FolderListing(dir.filePath(name)))
                entries.append(name + "/" + inner);
    }
    return entries;
}

// Every test gets its own temporary folder as TMPDIR and scripted dialogs.
class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tmpDir = std::make_unique<TTmpDirOverride>(tmp.path());
        auto recording = std::make_unique<TRecordingDialogs>();
        dialogs = recording.get();
        previousDialogs = TDialogs::Install(std::move(recording));
    }
    void TearDown() override
    {
        TDialogs::Install(std::move(previousDialogs));
        tmpDir.reset();
    }

    QStringList AskedTexts() const
    {
        QStringList texts;
        for (const TRecordedMessage& question : dialogs->questions)
            texts.append(question.text);
        return texts;
    }

    QTemporaryDir tmp;
    QTemporaryDir host;
    TRecordingDialogs* dialogs = nullptr;
    std::unique_ptr<TDialogs> previousDialogs;
    std::unique_ptr<TTmpDirOverride> tmpDir;
};

} // namespace

TEST_F(StartupTest, WindowPropertiesAndStandaloneWorkFolder)
{
    TfrmKadrix window({});
    EXPECT_EQ(window.windowTitle(), "Pellumo");
    EXPECT_EQ(window.minimumSize(), QSize(800, 600));
    EXPECT_FALSE(window.Mode().Host);
    EXPECT_EQ(QFileInfo(window.Mode().Folder).path(), QDir(tmp.path()).path());
    EXPECT_TRUE(QFileInfo(window.Mode().Folder).fileName().startsWith("KD"));
    EXPECT_TRUE(window.Mode().Folder.endsWith(".dir"));
    EXPECT_EQ(FolderListing(tmp.path()), QStringList{QFileInfo(window.Mode().Folder).fileName()});
    EXPECT_EQ(window.CaptureStore().SceneCount(), 0);
    EXPECT_EQ(window.CaptureStore().HostSettings(), nullptr);
}

TEST_F(StartupTest, ModeSelection)
{
    WriteFile(host.filePath("movie.avi"), "not a folder");
    {
        TfrmKadrix fileArgument({host.filePath("movie.avi")});
        EXPECT_FALSE(fileArgument.Mode().Host);
        EXPECT_NE(fileArgument.Mode().Folder, host.filePath("movie.avi"));
    }
    {
        TfrmKadrix missing({host.filePath("no-such-folder")});
        EXPECT_FALSE(missing.Mode().Host);
        EXPECT_TRUE(QFileInfo(missing.Mode().Folder).isDir());
    }
    {
        TfrmKadrix twoArguments({host.path(), tmp.path()});
        EXPECT_TRUE(twoArguments.Mode().Host);
        EXPECT_EQ(twoArguments.Mode().Folder, host.path());
    }
    {
        // Exactly the argument: no delimiter added or removed.
        TfrmKadrix withDelimiter({host.path() + "/"});
        EXPECT_TRUE(withDelimiter.Mode().Host);
        EXPECT_EQ(withDelimiter.Mode().Folder, host.path() + "/");
    }
}

TEST_F(StartupTest, StandaloneCloseAsksAndDeletesTheWorkFolderOnlyOnOk)
{
    TfrmKadrix window({});
    const QString work = window.Mode().Folder;
    WriteFile(work + "/20260101120000_001.bmp", "scene");
    WriteFile(work + "/sub/.hidden", "x");

    dialogs->answerOk = false;
    EXPECT_FALSE(window.close());
    EXPECT_EQ(AskedTexts(), QStringList{QStringLiteral("終了します。よろしいですか？")});
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].title, "Pellumo");
    EXPECT_TRUE(QFileInfo::exists(work + "/20260101120000_001.bmp"));

    dialogs->answerOk = true;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(dialogs->questions.size(), 2u);
    EXPECT_FALSE(QFileInfo::exists(work));
}

TEST_F(StartupTest, HostModeCollectsSceneFilesInSortedOrder)
{
    WriteSceneBmp(host.filePath("b.bmp"), 2);
    WriteSceneBmp(host.filePath("A.BMP"), 1);
    WriteFile(host.filePath("b0-damaged.bmp"), "not a picture");
    WriteSceneBmp(host.filePath("sub/c.Bmp"), 3);
    WriteFile(host.filePath("c.jpg"), "jpeg");
    WriteSceneBmp(host.filePath(".d.bmp"), 4);
    WriteSceneBmp(host.filePath(".git/e.bmp"), 5);
    const QStringList before = FolderListing(host.path());

    TfrmKadrix window({host.path()});
    EXPECT_TRUE(window.Mode().Host);
    EXPECT_EQ(window.CaptureStore().SceneFiles(),
              (QStringList{host.filePath("A.BMP"), host.filePath("b.bmp"), host.filePath("sub/c.Bmp")}));
    EXPECT_EQ(window.CaptureStore().SceneCount(), 3);
    EXPECT_EQ(window.Controls().lblPicNum->text(), "3");
    EXPECT_EQ(window.CaptureStore().HostSettings(), nullptr);
    EXPECT_EQ(window.Mode().ButtonMode, 0);

    // Host mode closes without asking and leaves the folder as it was; with
    // no setting.ini nothing is created.
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(dialogs->questions.empty());
    EXPECT_EQ(FolderListing(host.path()), before);
}

TEST_F(StartupTest, TheCountLabelShowsAThousandRestoredScenesWhole)
{
    const QByteArray picture = [] {
        QTemporaryDir one;
        WriteSceneBmp(one.filePath("s.bmp"), 1);
        return ReadFile(one.filePath("s.bmp"));
    }();
    for (int i = 0; i < 1000; ++i)
        WriteFile(host.filePath(QString::asprintf("s%04d.bmp", i)), picture);
    TfrmKadrix window({host.path()});
    const QLabel& label = *window.Controls().lblPicNum;
    ASSERT_EQ(label.text(), "1000");
    EXPECT_GE(label.width(), label.sizeHint().width());
    EXPECT_LE(label.geometry().right(), window.Controls().gbSelectedFrame->width());
}

TEST_F(StartupTest, HostSettingsAreReadNormalisedAndWrittenBackAtClose)
{
    WriteFile(host.filePath("movie.mpg"), "video");
    const QString ini = host.filePath("setting.ini");
    WriteFile(ini, "; written by the host\n[Setting]\nButtonMode=0x1\nMovieFileName=" + QFile::encodeName(host.filePath("movie.mpg")) + "\n");

    TfrmKadrix window({host.path()});
    ASSERT_NE(window.CaptureStore().HostSettings(), nullptr);
    EXPECT_EQ(window.Mode().ButtonMode, 1);
    EXPECT_EQ(window.OpenDialog1().FileName, host.filePath("movie.mpg"));
    // The end of start-up rewrites the file in its normalised form.
    const QByteArray normalised = "[Setting]\r\nButtonMode=0x1\r\nMovieFileName=" + QFile::encodeName(host.filePath("movie.mpg")) + "\r\n\r\n";
    EXPECT_EQ(ReadFile(ini), normalised);

    EXPECT_TRUE(window.close());
    EXPECT_EQ(ReadFile(ini), normalised);
    EXPECT_TRUE(QFileInfo::exists(host.filePath("movie.mpg")));
}

TEST_F(StartupTest, MovieFileNameFolderOrNothingAndEmptyFile)
{
    WriteFile(host.filePath("setting.ini"), "");
    {
        TfrmKadrix window({host.path()});
        ASSERT_NE(window.CaptureStore().HostSettings(), nullptr);
        EXPECT_EQ(window.Mode().ButtonMode, 0);
        EXPECT_TRUE(window.OpenDialog1().FileName.isEmpty());
        window.close();
    }
    // Closing through the close box writes only MovieFileName, empty here.
    EXPECT_EQ(ReadFile(host.filePath("setting.ini")), "[Setting]\r\nMovieFileName=\r\n\r\n");

    QTemporaryDir movies;
    WriteFile(host.filePath("setting.ini"), "[Setting]\nMovieFileName=" + QFile::encodeName(movies.path()) + "\nClickedButton=3\n");
    {
        TfrmKadrix window({host.path()});
        EXPECT_EQ(window.OpenDialog1().InitialDir, movies.path());
        EXPECT_TRUE(window.OpenDialog1().FileName.isEmpty());
        window.close();
    }
    // An earlier result stays, and so does the host's folder preset when no
    // file was chosen.
    EXPECT_EQ(ReadFile(host.filePath("setting.ini")),
              "[Setting]\r\nMovieFileName=" + QFile::encodeName(movies.path()) + "\r\nClickedButton=3\r\n\r\n");

    WriteFile(host.filePath("setting.ini"), "[Setting]\nMovieFileName=/no/such/thing\n");
    TfrmKadrix window({host.path()});
    EXPECT_TRUE(window.OpenDialog1().FileName.isEmpty());
    EXPECT_TRUE(window.OpenDialog1().InitialDir.isEmpty());
}

TEST_F(StartupTest, UnwritableSettingsFileIsLeftIntact)
{
    const QString ini = host.filePath("setting.ini");
    const QByteArray original = "; host\n[Setting]\nButtonMode=2\n";
    WriteFile(ini, original);
    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0444), 0);
    {
        TLogCapture log;
        TfrmKadrix window({host.path()});
        EXPECT_EQ(window.Mode().ButtonMode, 2);
        EXPECT_TRUE(window.close());
        EXPECT_TRUE(log.Messages().join('\n').contains("setting.ini")) << "the failed write is logged";
    }
    EXPECT_EQ(ReadFile(ini), original);
    ::chmod(QFile::encodeName(ini).constData(), 0644);
}

TEST_F(StartupTest, UndecodableSettingsFileIsNeitherUsedNorRewritten)
{
    const QString ini = host.filePath("setting.ini");
    const QByteArray garbage("[Setting]\nButtonMode=1\n\xff\xfe\x81\x20\n", 26);
    WriteFile(ini, garbage);
    {
        TfrmKadrix window({host.path()});
        EXPECT_EQ(window.CaptureStore().HostSettings(), nullptr);
        EXPECT_EQ(window.Mode().ButtonMode, 0);
        window.close();
    }
    EXPECT_EQ(ReadFile(ini), garbage);
}

TEST_F(StartupTest, AMoviePathTheSettingsCannotHoldIsNeverWrittenAsAnotherPath)
{
    // A Shift-JIS file ("[Setting]", a comment ";動画" and the host's
    // "MovieFileName=C:\ビデオ\旅行.mpg"); then a file with no value at all.
    const QByteArray hostMovie = QByteArray::fromHex("433a5c8372836683495c97b78d732e6d7067");
    const QByteArray files[] = {
        "[Setting]\r\n;" + QByteArray::fromHex("93ae89e6") + "\r\nButtonMode=0\r\nMovieFileName=" + hostMovie + "\r\n",
        "[Setting]\r\n;" + QByteArray::fromHex("93ae89e6") + "\r\nButtonMode=0\r\n",
    };
    const QByteArray kept[] = {"MovieFileName=" + hostMovie + "\r\n", "MovieFileName=\r\n"};
    const QString movie = tmp.filePath(QStringLiteral("café\n동영상.avi"));
    WriteFile(movie, "not a movie");
    for (int i = 0; i < 2; ++i) {
        const QString ini = host.filePath("setting.ini");
        WriteFile(ini, files[i]);
        {
            TfrmKadrix window({host.path()});
            dialogs->openAnswer = movie;
            window.Controls().btnSelectFile->click();
            ASSERT_EQ(window.OpenDialog1().FileName, movie);
            EXPECT_TRUE(window.close());
        }
        EXPECT_EQ(ReadFile(ini), "[Setting]\r\nButtonMode=0\r\n" + kept[i] + "\r\n") << i;
    }
}

TEST(StartupProgram, HostFolderWhoseNameIsNotUtf8IsRefusedNotIgnored)
{
    QTemporaryDir root;
    const QByteArray folder = QFile::encodeName(root.path()) + "/host\xff";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    ASSERT_TRUE(QDir(root.path()).mkdir("tmp"));
    QProcess pellumo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("TMPDIR", root.filePath("tmp"));
    pellumo.setProcessEnvironment(environment);
    // QProcess passes arguments as text: the shell's printf makes the raw byte.
    pellumo.start("/bin/sh", {"-c", "exec \"$0\" \"$1/host$(printf '\\377')\"", PELLUMO_PROGRAM, root.path()});
    ASSERT_TRUE(pellumo.waitForFinished(60000)) << "pellumo ran on instead of refusing the folder";
    EXPECT_EQ(pellumo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pellumo.exitCode(), 2);
    EXPECT_TRUE(pellumo.readAllStandardError().contains("not valid UTF-8"));
    EXPECT_TRUE(QDir(root.filePath("tmp")).entryList({"KD*"}, QDir::AllEntries).isEmpty())
        << "no standalone work folder was made";
    ::rmdir(folder.constData()); // a name QDir cannot remove
}

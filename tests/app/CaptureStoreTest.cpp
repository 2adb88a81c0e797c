#include "SceneTestSupport.h"
#include "app/UCaptureStore.h"
#include "picture/TPictureEx.h"

#include <QDataStream>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

namespace {

const QDateTime CaptureTime(QDate(2007, 5, 14), QTime(9, 30, 15));

// The process's peak resident memory (VmHWM).
qint64 PeakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return -1;
}

class CaptureStoreTest : public testing::Test
{
protected:
    void SetUp() override
    {
        store.SetWorkFolder(folder.path());
        store.Clock = [] { return CaptureTime; };
    }

    // Binds the store to a setting.ini with the given content.
    void UseSettings(const QByteArray& content)
    {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        store.SetHostSettings(std::make_unique<TIniDocument>(Ini()));
    }
    QString Ini() const { return folder.filePath("setting.ini"); }
    QString Path(const QString& name) const { return folder.filePath(name); }

    void CaptureScenes(int count)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(store.Capture(SceneFrame(i), "/movies/m.mp4", i * 1000));
    }

    QImage ScenePicture(int index)
    {
        TPictureEx picture;
        store.cipOrg().GetPictureSafe(picture, index);
        return picture.Bitmap().Image().convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir folder;
    TCaptureStore store;
};

TEST_F(CaptureStoreTest, NewNamesCountWithinTheSecondAndNeverOverwrite)
{
    WriteSceneBmp(Path("20070514093015_000.bmp"), 1);
    store.RestoreScenes();
    ASSERT_EQ(store.SceneCount(), 1);

    ASSERT_TRUE(store.Capture(SceneFrame(2), "/movies/m.mp4", 3723450));
    ASSERT_TRUE(store.Capture(SceneFrame(3), "/movies/m.mp4", 0));
    EXPECT_EQ(store.SceneFiles(), (QStringList{Path("20070514093015_000.bmp"), Path("20070514093015_001.bmp"),
                                               Path("20070514093015_002.bmp")}));
    EXPECT_EQ(store.SceneOrigin(Path("20070514093015_001.bmp")).Position, 3723450);
    EXPECT_EQ(store.SceneOrigin(Path("20070514093015_001.bmp")).Movie, "/movies/m.mp4");
    EXPECT_EQ(ScenePicture(2), SceneFrame(3).Image().convertToFormat(QImage::Format_RGB32));

    // With every counter of the second taken the capture fails rather than
    // replace counter 999.
    for (int counter = 3; counter < 1000; ++counter) {
        QFile taken(Path(QString::asprintf("20070514093015_%03d.bmp", counter)));
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    }
    const QStringList before = FolderEntries(folder.path());
    QString failed;
    EXPECT_FALSE(store.Capture(SceneFrame(4), "/movies/m.mp4", 0, &failed));
    EXPECT_EQ(failed, Path("20070514093015_999.bmp"));
    EXPECT_EQ(store.SceneCount(), 3);
    EXPECT_EQ(FolderEntries(folder.path()), before);
    EXPECT_EQ(FileBytes(failed), QByteArray());
}

// A full disk, as a file-size limit: a write that fails at once, and a short
// write smaller than a library's buffer that only fails when it is flushed.
TEST_F(CaptureStoreTest, FailedWritesLeaveFilesListAndSettingsAsTheyWere)
{
    UseSettings("[Setting]\r\nButtonMode=0\r\nTitle=" + QByteArray(20000, 'h') + "\r\n");
    CaptureScenes(2);
    const QStringList entries = FolderEntries(folder.path());
    const QByteArray settings = FileBytes(Ini());
    const QByteArray firstScene = FileBytes(store.SceneFiles()[0]);
    const QStringList files = store.SceneFiles();

    struct Case
    {
        rlim_t limit;
        int side;   // of the square picture written
    };
    for (const Case& c : {Case{16 * 1024, 200}, Case{300, 60}}) {
        SCOPED_TRACE(c.limit);
        TFileSizeLimit fullDisk(c.limit);
        const TSafetyBitmap large = SceneFrame(9, c.side, c.side);
        QString failed;
        EXPECT_FALSE(store.Capture(large, "/movies/other.mp4", 5000, &failed));
        EXPECT_TRUE(failed.startsWith(folder.path()) && failed.endsWith(".bmp")) << failed.toStdString();
        EXPECT_EQ(store.SceneCount(), 2);
        EXPECT_EQ(store.cipOrg().Count(), 2);

        failed.clear();
        EXPECT_FALSE(store.Retake(0, large, "/movies/other.mp4", 5000, &failed));
        EXPECT_EQ(failed, files[0]);
        EXPECT_EQ(FileBytes(files[0]), firstScene);
        EXPECT_EQ(ScenePicture(0), SceneFrame(0).Image().convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(store.SceneOrigin(files[0]).Position, 0);
        EXPECT_FALSE(store.WriteHostSettings());

        EXPECT_EQ(store.SceneFiles(), files);
        EXPECT_EQ(FolderEntries(folder.path()), entries) << "no partial or temporary file";
        EXPECT_EQ(FileBytes(Ini()), settings);
    }
}

// The folder is a boundary: links out are not followed, a linked file stays
// a scene that is never written, and deleting everything touches nothing
// outside. A pipe named like a scene is left alone instead of blocking.
TEST_F(CaptureStoreTest, NothingOutsideTheFolderIsAdoptedChangedOrDeleted)
{
    QTemporaryDir outside;
    WriteSceneBmp(outside.filePath("victim.bmp"), 1);
    WriteSceneBmp(outside.filePath("sub/victim2.bmp"), 2);
    WriteSceneBmp(Path("a.bmp"), 3);
    ASSERT_TRUE(QFile::link(outside.path(), Path("ext")));
    ASSERT_TRUE(QFile::link(outside.filePath("victim.bmp"), Path("linked.bmp")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("x.bmp")).constData(), 0600), 0);
    const auto outsideBefore = FolderEntries(outside.path());
    const QByteArray victim = FileBytes(outside.filePath("victim.bmp"));

    store.RestoreScenes();
    ASSERT_EQ(store.SceneFiles(), (QStringList{Path("a.bmp"), Path("linked.bmp")}));
    QString failed;
    EXPECT_FALSE(store.Retake(1, SceneFrame(7), "/movies/m.mp4", 0, &failed));
    EXPECT_EQ(failed, Path("linked.bmp"));
    store.DeleteAll();
    EXPECT_EQ(store.SceneCount(), 0);
    EXPECT_EQ(FolderEntries(outside.path()), outsideBefore);
    EXPECT_EQ(FileBytes(outside.filePath("victim.bmp")), victim);
}

// Run-length data a few bytes long can declare 8192 x 8192 pixels: twenty
// such scenes stay within the memory budget, and larger ones are refused.
TEST_F(CaptureStoreTest, CompressedPictureBombsStayWithinTheMemoryBudget)
{
    // Colour 0 is grey; the data ends the picture at once, so every pixel is colour 0.
    const auto rleBomb = [](qint32 width, qint32 height) {
        const QByteArray rle("\x00\x01", 2);
        QByteArray bmp;
        QDataStream out(&bmp, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        const quint32 offset = 14 + 40 + 256 * 4;
        out.writeRawData("BM", 2);
        out << quint32(offset + rle.size()) << quint32(0) << offset;
        out << quint32(40) << width << height << quint16(1) << quint16(8) << quint32(1) << quint32(rle.size())
            << quint32(0) << quint32(0) << quint32(0) << quint32(0);
        out << quint32(0x00808080);
        for (int entry = 1; entry < 256; ++entry)
            out << quint32(0);
        out.writeRawData(rle.constData(), int(rle.size()));
        return bmp;
    };
    for (int i = 0; i < 20; ++i)
        PutFileBytes(Path(QStringLiteral("bomb%1.bmp").arg(i, 2, 10, QChar(u'0'))), rleBomb(8192, 8192));
    PutFileBytes(Path("wide.bmp"), rleBomb(16384, 2));

    store.RestoreScenes();
    EXPECT_EQ(store.SceneCount(), 20) << "the picture wider than any frame is refused";
    EXPECT_LE(store.cipOrg().CachedBytes(), qint64(768) << 20);
    for (int scene : {19, 0}) {   // the first is read again from its file
        TPictureEx picture;
        store.cipOrg().GetPictureSafe(picture, scene);
        EXPECT_EQ(picture.Bitmap().Image().pixel(4000, 8191), qRgb(0x80, 0x80, 0x80)) << scene;
    }
#ifndef __SANITIZE_ADDRESS__   // the sanitizer's own bookkeeping holds freed memory back
    EXPECT_LT(PeakResidentBytes(), qint64(1536) << 20);
#endif
}

TEST_F(CaptureStoreTest, RetakeReplacesPictureFileAndOriginInPlace)
{
    UseSettings("");
    CaptureScenes(2);
    const QString file = store.SceneFiles()[1];
    TPictureEx shown;
    for (int i : {0, 1})
        store.CustomImagePack1().GetPictureSafe(shown, i);
    ASSERT_TRUE(store.Retake(1, SceneFrame(7), "/movies/b.mp4", 62040));
    // The shown picture is the new one; the other scene's stays made.
    EXPECT_EQ(store.CustomImagePack1().CachedIndexes(), std::vector<int>{0});
    store.CustomImagePack1().GetPictureSafe(shown, 1);
    EXPECT_EQ(shown.Bitmap().Image().convertToFormat(QImage::Format_RGB32),
              SceneFrame(7).Image().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(store.SceneFiles()[1], file);
    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32), ScenePicture(1));
    EXPECT_EQ(ScenePicture(1), SceneFrame(7).Image().convertToFormat(QImage::Format_RGB32));
    TIniDocument written(Ini());
    EXPECT_EQ(written.ReadInteger("Position", "1", -1), 62040);
    EXPECT_EQ(written.ReadString("Movie", "1", {}), "/movies/b.mp4");
}

TEST_F(CaptureStoreTest, UnwritableSettingsDoNotStopACaptureAndTheNextWriteCarriesAll)
{
    UseSettings("[Setting]\r\nButtonMode=0\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(Ini()).constData(), 0444), 0);
    ASSERT_TRUE(store.Capture(SceneFrame(1), "/movies/m.mp4", 1500));
    EXPECT_EQ(store.SceneCount(), 1);
    EXPECT_FALSE(TIniDocument(Ini()).SectionExists("Position"));

    ASSERT_EQ(::chmod(QFile::encodeName(Ini()).constData(), 0644), 0);
    ASSERT_TRUE(store.Capture(SceneFrame(2), "/movies/m.mp4", 2500));
    TIniDocument written(Ini());
    EXPECT_EQ(written.ReadInteger("Position", "0", -1), 1500);
    EXPECT_EQ(written.ReadInteger("Position", "1", -1), 2500);
}

TEST_F(CaptureStoreTest, OriginsBelongToFullPaths)
{
    // Two files of the same name, and a name with "=" in it.
    WriteSceneBmp(Path("a/s.bmp"), 1);
    WriteSceneBmp(Path("b/s.bmp"), 2);
    WriteSceneBmp(Path("c/x=1.bmp"), 3);
    WriteSceneBmp(Path("d.bmp"), 4);
    UseSettings("[Position]\n0=100\n1=200\n2=300\n3=junk\n[Movie]\n0=/m/a.mp4\n1=/m/b.mp4\n2=/m/c.mp4\n3=/m/d.mp4\n");
    store.RestoreScenes();
    store.LoadSceneOrigins();

    const struct { const char* file; int position; const char* movie; } expected[] = {
        {"a/s.bmp", 100, "/m/a.mp4"}, {"b/s.bmp", 200, "/m/b.mp4"}, {"c/x=1.bmp", 300, "/m/c.mp4"}, {"d.bmp", -1, ""}};
    for (const auto& row : expected) {
        EXPECT_EQ(store.SceneOrigin(Path(row.file)).Position, row.position) << row.file;
        EXPECT_EQ(store.SceneOrigin(Path(row.file)).Movie, row.movie) << row.file;
    }
    EXPECT_EQ(FileBytes(Ini()), "[Position]\r\n0=100\r\n1=200\r\n2=300\r\n3=junk\r\n\r\n"
                                "[Movie]\r\n0=/m/a.mp4\r\n1=/m/b.mp4\r\n2=/m/c.mp4\r\n3=/m/d.mp4\r\n\r\n");
    store.WriteSceneOrigins();
    EXPECT_EQ(FileBytes(Ini()), "[Position]\r\n0=100\r\n1=200\r\n2=300\r\n3=-1\r\n\r\n"
                                "[Movie]\r\n0=/m/a.mp4\r\n1=/m/b.mp4\r\n2=/m/c.mp4\r\n3=\r\n\r\n"
                                "[SceneFile]\r\n0=a/s.bmp\r\n1=b/s.bmp\r\n2=c/x=1.bmp\r\n3=d.bmp\r\n\r\n");
}

// A capture is named by its timestamp and sorts before a host's "a.BMP" at the
// next start; every scene still gets its own origin back.
TEST_F(CaptureStoreTest, OriginsFollowTheirFilesAcrossARestart)
{
    WriteSceneBmp(Path("a.BMP"), 1);
    WriteSceneBmp(Path("sub/c.bmp"), 2);
    UseSettings("[Position]\n0=1500\n1=700\n[Movie]\n0=/m/trip.mpg\n1=/m/c.mpg\n");
    store.RestoreScenes();
    store.LoadSceneOrigins();
    store.Clock = [] { return QDateTime(QDate(2026, 12, 8), QTime(13, 0)); };
    ASSERT_TRUE(store.Capture(SceneFrame(3), "/m/trip.mpg", 62040));
    const QString capture = store.SceneFiles()[2];
    // The host removes sub/c.bmp between the runs: its entry goes to no one.
    ASSERT_TRUE(QFile::remove(Path("sub/c.bmp")));

    for (int run = 0; run < 2; ++run) {
        TCaptureStore next(folder.path());
        next.SetHostSettings(std::make_unique<TIniDocument>(Ini()));
        next.RestoreScenes();
        next.LoadSceneOrigins();
        ASSERT_EQ(next.SceneFiles(), (QStringList{capture, Path("a.BMP")}));
        EXPECT_EQ(next.SceneOrigin(capture).Position, 62040);
        EXPECT_EQ(next.SceneOrigin(Path("a.BMP")).Position, 1500);
        EXPECT_EQ(next.SceneOrigin(Path("a.BMP")).Movie, "/m/trip.mpg");
        next.WriteSceneOrigins();
        const TIniDocument written(Ini());
        EXPECT_EQ(written.ReadInteger("Position", "0", -2), 62040);
        EXPECT_EQ(written.ReadInteger("Position", "1", -2), 1500);
        EXPECT_EQ(written.ReadString("SceneFile", "1", {}), "a.BMP");
        EXPECT_FALSE(written.ValueExists("Position", "2"));
    }
}

// A file whose name a Shift-JIS setting.ini cannot hold is left out of
// SceneFile; it keeps its origin by index, and no other file takes it.
TEST_F(CaptureStoreTest, ANameTheEncodingCannotHoldKeepsItsIndex)
{
    WriteSceneBmp(Path("b.bmp"), 1);
    WriteSceneBmp(Path(QStringLiteral("c\U0001F600.bmp")), 2);
    UseSettings("[Setting]\nTitle=\x90\xdd\x92\xe8\n[Position]\n0=10\n1=20\n");
    ASSERT_EQ(store.HostSettings()->Encoding(), TextCodec::Encoding::ShiftJis);
    store.RestoreScenes();
    store.LoadSceneOrigins();
    store.WriteSceneOrigins();
    const TIniDocument written(Ini());
    EXPECT_EQ(written.SectionKeys("SceneFile"), QStringList{"0"});
    TCaptureStore next(folder.path());
    next.SetHostSettings(std::make_unique<TIniDocument>(Ini()));
    next.RestoreScenes();
    next.LoadSceneOrigins();
    EXPECT_EQ(next.SceneOrigin(Path("b.bmp")).Position, 10);
    EXPECT_EQ(next.SceneOrigin(Path(QStringLiteral("c\U0001F600.bmp"))).Position, 20);
}

TEST_F(CaptureStoreTest, DeletingRenumbersSelectsAndRewritesTheSettings)
{
    const struct { std::vector<int> selected; int selectAfter; std::vector<int> kept; } cases[] = {
        {{2}, 2, {0, 1, 3, 4}},
        {{3, 4}, 2, {0, 1, 2}},
        {{0, 2, 4}, 0, {1, 3}},
        {{0, 1, 2, 3, 4}, -1, {}},
    };
    for (const auto& row : cases) {
        QTemporaryDir work;
        TCaptureStore fresh(work.path());
        QFile(work.filePath("setting.ini")).open(QIODevice::WriteOnly);
        fresh.SetHostSettings(std::make_unique<TIniDocument>(work.filePath("setting.ini")));
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(fresh.Capture(SceneFrame(i), "/m.mp4", i * 1000));
        const QStringList files = fresh.SceneFiles();

        const int select = fresh.DeleteScenes([&](int i) {
            return std::find(row.selected.begin(), row.selected.end(), i) != row.selected.end();
        });
        EXPECT_EQ(select, row.selectAfter);
        ASSERT_EQ(fresh.SceneCount(), int(row.kept.size()));
        const TIniDocument written(work.filePath("setting.ini"));
        for (size_t n = 0; n < row.kept.size(); ++n) {
            EXPECT_EQ(fresh.SceneFiles()[int(n)], files[row.kept[n]]);
            EXPECT_EQ(written.ReadInteger("Position", QString::number(n), -2), row.kept[n] * 1000);
        }
        EXPECT_FALSE(written.ValueExists("Position", QString::number(row.kept.size())));
        for (int removed : row.selected)
            EXPECT_FALSE(QFileInfo::exists(files[removed]));
    }
}

TEST_F(CaptureStoreTest, ASceneWhoseFileCannotBeDeletedStays)
{
    CaptureScenes(3);
    // A non-empty folder under the scene's name cannot be removed as a file.
    const QString stuck = store.SceneFiles()[1];
    QFile::remove(stuck);
    WriteSceneBmp(stuck + "/inner.bmp", 1);
    EXPECT_EQ(store.DeleteScenes([](int i) { return i >= 1; }), 1);
    EXPECT_EQ(store.SceneFiles(), (QStringList{Path("20070514093015_000.bmp"), stuck}));
    store.DeleteAll();
    EXPECT_EQ(store.SceneFiles(), QStringList{stuck});
}

TEST_F(CaptureStoreTest, MoreThanAHundredScenesKeepTheirPictures)
{
    for (int i = 0; i < 120; ++i)
        WriteSceneBmp(Path(QString::asprintf("s%03d.bmp", i)), i);
    WriteSceneBmp(Path("s050x.bmp"), 0);
    QFile damaged(Path("s050x.bmp"));
    ASSERT_TRUE(damaged.resize(60));
    store.RestoreScenes();
    ASSERT_EQ(store.SceneCount(), 120);

    // Scroll the whole grid, delete three, re-take one.
    TPictureEx shown;
    for (int i = 0; i < store.SceneCount(); ++i)
        store.CustomImagePack1().GetPictureSafe(shown, i);
    store.DeleteScenes([](int i) { return i == 5 || i == 50 || i == 110; });
    ASSERT_TRUE(store.Retake(104, SceneFrame(500), "/m.mp4", 0));
    ASSERT_EQ(store.SceneCount(), 117);
    for (int i = 0; i < store.SceneCount(); ++i)
        ASSERT_EQ(ScenePicture(i), QImage(store.SceneFiles()[i]).convertToFormat(QImage::Format_RGB32)) << i;
}

TEST_F(CaptureStoreTest, DeinterlacingChangesOnlyWhatIsShown)
{
    CaptureScenes(1);
    const QByteArray file = FileBytes(store.SceneFiles()[0]);
    store.SetDeinterlace(true);
    store.CustomImagePack1().Reset();
    TPictureEx shown;
    store.CustomImagePack1().GetPictureSafe(shown, 0);
    const QImage original = SceneFrame(0).Image().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(shown.Bitmap().Image().convertToFormat(QImage::Format_RGB32), original);
    EXPECT_EQ(ScenePicture(0), original);
    EXPECT_EQ(FileBytes(store.SceneFiles()[0]), file);
}

} // namespace

#include "SceneTestSupport.h"
#include "app/USavePlan.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage Picture(QRgb colour)
{
    QImage image(16, 12, QImage::Format_BGR888);
    image.fill(colour);
    return image;
}

} // namespace

TEST(SavePlan, NamesAndFormats)
{
    struct Case
    {
        QString chosen;
        int filterIndex;
        QList<int> scenes;
        TSaveFormat format;
        QStringList names;
    };
    const Case cases[] = {
        {"/out/one", 2, {0}, TSaveFormat::Jpeg, {"/out/one.jpg"}},
        {"/out/shot.png", 2, {0}, TSaveFormat::Png, {"/out/shot.png"}},           // typed extension decides
        {"/out/SHOT.JPEG", 1, {3}, TSaveFormat::Jpeg, {"/out/SHOT.JPEG"}},
        {"/out/shot", 4, {0}, TSaveFormat::Bmp, {"/out/shot.bmp"}},              // "すべてのファイル(*.*)"
        {"/out/shot.gif", 3, {0}, TSaveFormat::Png, {"/out/shot.gif"}},          // not a format: the filter decides
        {"/out/20070514093015_", 2, {0, 1, 2}, TSaveFormat::Jpeg,
         {"/out/20070514093015_001.jpg", "/out/20070514093015_002.jpg", "/out/20070514093015_003.jpg"}},
        {"/out/20070514093015_", 3, {1, 4}, TSaveFormat::Png,
         {"/out/20070514093015_002.png", "/out/20070514093015_005.png"}},      // numbered by scene
        {"/out/album.jpg", 1, {0, 2}, TSaveFormat::Jpeg, {"/out/album001.jpg", "/out/album003.jpg"}},
        {"/out/album.v2.jpg", 2, {0, 1}, TSaveFormat::Jpeg, {"/out/album.v2001.jpg", "/out/album.v2002.jpg"}},
        {"/my.photos/album", 3, {0, 1}, TSaveFormat::Png, {"/my.photos/album001.png", "/my.photos/album002.png"}},
        {"/my.photos/album", 2, {0}, TSaveFormat::Jpeg, {"/my.photos/album.jpg"}},
        {"/out/.hidden", 1, {0}, TSaveFormat::Bmp, {"/out/.hidden.bmp"}},
    };
    for (const Case& c : cases) {
        const TSavePlan plan(c.chosen, c.filterIndex, c.scenes);
        EXPECT_EQ(plan.Format(), c.format) << c.chosen.toStdString();
        QStringList names;
        for (const TSaveTarget& target : plan.Targets())
            names.append(target.FileName);
        EXPECT_EQ(names, c.names) << c.chosen.toStdString();
    }
}

TEST(SavePlan, SeriesNameProposedInTheFolderUsedLast)
{
    const QDateTime time(QDate(2007, 5, 14), QTime(21, 30, 15));
    EXPECT_EQ(ProposedSeriesName("", time), "20070514213015_");
    EXPECT_EQ(ProposedSeriesName("/home/u/my.photos/a.jpg", time), "/home/u/my.photos/20070514213015_");
    EXPECT_EQ(ProposedSeriesName("/a.jpg", time), "/20070514213015_");
}

TEST(SavePlan, ExistingAndProtectedTargets)
{
    QTemporaryDir dir;
    PutFileBytes(dir.filePath("album001.jpg"), "old");
    PutFileBytes(dir.filePath("album003.jpg"), "old");
    const TSavePlan plan(dir.filePath("album.jpg"), 2, {0, 1, 2});
    EXPECT_EQ(plan.ExistingCount({}), 2);
    const TSavePlan single(dir.filePath("album001.jpg"), 2, {0});
    EXPECT_EQ(single.ExistingCount(dir.filePath("album001.jpg")), 0) << "the dialog asked about this one";
    EXPECT_EQ(TSavePlan(dir.filePath("album001"), 2, {0}).ExistingCount(dir.filePath("album001")), 1)
        << "the extension added after the dialog names an existing file";

    // A scene file or the exchange file is found however the path reaches it.
    QDir(dir.path()).mkdir("work");
    PutFileBytes(dir.filePath("work/20070514093015_000.bmp"), "old");
    ASSERT_TRUE(QFile::link(dir.filePath("work"), dir.filePath("link")));
    const QStringList guarded{dir.filePath("work/20070514093015_000.bmp"), dir.filePath("work/setting.ini")};
    EXPECT_EQ(TSavePlan(dir.filePath("link/20070514093015_000.bmp"), 2, {0}).FirstProtected(guarded),
              dir.filePath("link/20070514093015_000.bmp"));
    EXPECT_EQ(TSavePlan(dir.filePath("work/../work/setting.ini"), 2, {0}).FirstProtected(guarded),
              dir.filePath("work/../work/setting.ini"));
    EXPECT_EQ(TSavePlan(dir.filePath("work/20070514093015_"), 1, {0, 1}).FirstProtected(guarded), "");
    EXPECT_EQ(TSavePlan(dir.filePath("work/20070514093015_.bmp"), 1, {0}).FirstProtected(guarded), "");
}

TEST(SavePlan, WrittenFilesReadBackInTheirFormatWithProvenance)
{
    QTemporaryDir dir;
    const QString correction = QStringLiteral("rotated 90° clockwise; pixel aspect 32:27, 720×480 shown as 854×480");
    const TImageTexts texts = ProvenanceTexts("Pellumo", "/videos/trip.mpg", 62040, correction);
    for (const auto& [name, qtFormat] : {std::pair{"shot.png", "png"}, {"shot.jpeg", "jpeg"}, {"shot.bmp", "bmp"}}) {
        const QString path = dir.filePath(name);
        WriteSavePlan(TSavePlan(path, 2, {0}), [&](int) { return TScenePicture{Picture(qRgb(200, 20, 20)), texts}; });
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray(qtFormat)) << name;
        EXPECT_EQ(reader.read().size(), QSize(16, 12)) << name;
    }
    QImageReader png(dir.filePath("shot.png"));
    EXPECT_EQ(png.text("Movie"), "/videos/trip.mpg");
    EXPECT_EQ(png.text("Position"), "62040");
    EXPECT_EQ(png.text("Software"), "Pellumo");
    EXPECT_EQ(png.text("Correction"), correction);
    // A scene without origin says only which program wrote it.
    EXPECT_EQ(ProvenanceTexts("Pellumo", "", -1).size(), 1);
}

TEST(SavePlan, FailureNamesTheFileAndKeepsWhatWasWritten)
{
    QTemporaryDir dir;
    const TSavePlan plan(dir.filePath("album"), 3, {0, 1, 2});
    // The second scene's picture cannot be obtained: it must not become a file.
    try {
        WriteSavePlan(plan, [](int scene) { return TScenePicture{scene == 1 ? QImage() : Picture(qRgb(0, 0, 255)), {}}; });
        FAIL() << "a missing picture was saved";
    } catch (const ESaveError& error) {
        EXPECT_EQ(error.FileName(), dir.filePath("album002.png"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"album001.png"});

    const TSavePlan gone(dir.filePath("gone/album"), 3, {0, 1});
    try {
        WriteSavePlan(gone, [](int) { return TScenePicture{Picture(qRgb(0, 0, 255)), {}}; });
        FAIL() << "a save into a missing folder succeeded";
    } catch (const ESaveError& error) {
        EXPECT_EQ(error.FileName(), dir.filePath("gone/album001.png"));
    }
}

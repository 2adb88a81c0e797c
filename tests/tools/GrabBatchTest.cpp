// pellumo-grab on several videos and folders, and its contact sheet.

#include "TGrabRun.h"
#include "fixtures/TFixtureCatalog.h"
#include "picture/UContactSheet.h"
#include "tools/TGrabBatch.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using PellumoFixture::FixturePath;

namespace {

void Touch(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(TGrabBatchTest, WhereEachVideoGoes)
{
    QTemporaryDir root;
    const QString videos = root.filePath("videos");
    for (const char* name : {"a.mp4", "sub/b.AVI", "sub/deeper/a.mov", ".hidden/c.mp4", ".d.mp4", "notes.txt",
                             "B.mpg"})
        Touch(videos + '/' + name);
    Touch(root.filePath("other/a.mp4"));
    QDir().mkpath(root.filePath("empty"));

    struct TCase
    {
        QStringList arguments;
        QStringList folders;  // relative to "out"; "" is out itself
        int problems;
    };
    const TCase cases[] = {
        {{"one.mp4"}, {""}, 0},
        {{"one.mp4", "dir/two.rm"}, {"one", "two"}, 0},
        {{"x/same.mp4", "y/same.mp4", "same.avi"}, {"same", "same_2", "same_3"}, 0},
        {{".mp4", "..mp4"}, {".mp4", "..mp4"}, 0},
        {{"-r", videos}, {"a", "B", "sub/b", "sub/deeper/a"}, 0},
        {{"-r", videos, root.filePath("other/a.mp4")}, {"a", "B", "sub/b", "sub/deeper/a", "a_2"}, 0},
        {{videos}, {}, 1},
        {{"--recursive", root.filePath("empty"), "z.mp4"}, {"z"}, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        TGrabOptions options;
        ASSERT_TRUE(options.Parse(QStringList{"--at", "0", "-o", "out"} + c.arguments)) << options.Error().toStdString();
        const TGrabBatch batch(options);
        QStringList folders;
        for (const TGrabBatch::TJob& job : batch.Jobs()) {
            folders << (job.Folder == "out" ? QString() : job.Folder.mid(4)); // "out/..."
        }
        EXPECT_EQ(folders, c.folders);
        EXPECT_EQ(batch.Problems().size(), c.problems);
    }
    // A folder given by a relative path: the videos are found where they are.
    TGrabOptions relative;
    ASSERT_TRUE(relative.Parse({"--at", "0", "-r", QDir::current().relativeFilePath(videos)}));
    const TGrabBatch batch(relative);
    ASSERT_EQ(batch.Jobs().size(), 4u);
    for (const TGrabBatch::TJob& job : batch.Jobs())
        EXPECT_TRUE(QFileInfo(job.Video).isFile()) << job.Video.toStdString();
}

TEST(TGrabBatchTest, SheetOptions)
{
    TGrabOptions sheet;
    ASSERT_TRUE(sheet.Parse({"--sheet", "4X3", "--range", "1000:5000", "v.mp4"})) << sheet.Error().toStdString();
    EXPECT_EQ(sheet.SheetColumns(), 4);
    EXPECT_EQ(sheet.Extension(), "png");
    EXPECT_EQ(sheet.Positions(10000).size(), 12u);
    TGrabOptions shots;
    ASSERT_TRUE(shots.Parse({"--shots", "--list-shots", "--range", "1000-20000", "v.mp4"}));
    EXPECT_EQ(shots.Range(5000), std::make_pair(1000, 5000));
    const std::vector<QStringList> bad = {
        {"--sheet", "0x2", "v.mp4"},         {"--sheet", "4", "v.mp4"},
        {"--sheet", "101x1", "v.mp4"},       {"--sheet", "40x40", "v.mp4"}, // more than 999 pictures
        {"--sheet", "4x4", "--split", "3", "v.mp4"}, {"--sheet", "4x4", "--at", "0", "v.mp4"},
        {"--sheet", "4x4", "--format", "bmp", "v.mp4"},
        {"--shots", "--at", "0", "v.mp4"},   {"--list-shots", "--sheet", "2x2", "v.mp4"},
        {"--shots", "--split", "3", "v.mp4"}, {"--shots", "--range", "5-2", "v.mp4"},
        {"--shots", "--range", "1-2-3", "v.mp4"},
    };
    for (const QStringList& arguments : bad) {
        TGrabOptions options;
        EXPECT_FALSE(options.Parse(arguments)) << arguments.join(' ').toStdString();
    }
}

TEST(TGrabBatchTest, GoesOnPastADamagedFileAndReportsIt)
{
    QTemporaryDir root;
    const QString videos = root.filePath("videos");
    QDir().mkpath(videos + "/sub");
    ASSERT_TRUE(QFile::copy(FixturePath("h264_bframes.mp4"), videos + "/first.mp4"));
    ASSERT_TRUE(QFile::copy(FixturePath(PellumoFixture::RandomBytesAvi), videos + "/broken.avi"));
    ASSERT_TRUE(QFile::copy(FixturePath("mpeg4.avi"), videos + "/sub/second.avi"));
    const QString out = root.filePath("out");

    const TGrabRun run = RunGrab({"-r", "--json", "--at", "0,1030", "--format", "png", "-o", out, videos});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(videos + "/broken.avi")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("1 of 3 videos")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out + "/broken"));

    // One record per picture, each naming a file that is there, from each
    // good video in path order.
    QStringList pictures;
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject record = QJsonDocument::fromJson(line.toUtf8()).object();
        ASSERT_FALSE(record.isEmpty()) << line.toStdString();
        if (record["type"] != "picture")
            continue;
        EXPECT_TRUE(QFileInfo::exists(record["file"].toString())) << line.toStdString();
        pictures << QDir(out).relativeFilePath(record["file"].toString()) + '@'
                        + QString::number(record["position"].toInt()) + '=' + QString::number(record["frame"].toInt());
    }
    // The frame written is the first at or after the position (25 frames a second).
    EXPECT_EQ(pictures, QStringList({"first/001.png@0=0", "first/002.png@1030=1040", "sub/second/001.png@0=0",
                                     "sub/second/002.png@1030=1040"}));
}

TEST(TGrabBatchTest, ContactSheetOfEachVideo)
{
    QTemporaryDir out;
    const TGrabRun run = RunGrab({"--sheet", "3x2", "--range", "0:3000", "--format", "jpg", "-o", out.path(),
                                  FixturePath("h264_bframes.mp4"), FixturePath("mpeg4.avi")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const QString name : {"h264_bframes", "mpeg4"}) {
        SCOPED_TRACE(name.toStdString());
        QImageReader sheet(out.filePath(name + "/sheet.jpg"));
        sheet.setDecideFormatFromContent(true);
        EXPECT_EQ(sheet.format(), "jpeg");
        const QImage image = sheet.read();
        EXPECT_EQ(image.size(), ContactSheetLayout(6, {160, 120}, 3).Sheet);
        EXPECT_TRUE(run.out.contains("sheet\t6\t" + out.filePath(name + "/sheet.jpg")));
    }
    EXPECT_EQ(QDir(out.filePath("mpeg4")).entryList(QDir::Files), QStringList{"sheet.jpg"});
}

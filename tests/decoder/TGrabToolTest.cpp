// pellumo-grab: its positions, its command line and what it writes.

#include "TDecoderTestSupport.h"
#include "TGrabRun.h"

#include "TFileSizeLimit.h"
#include "tools/TGrabOptions.h"

#include <QDir>
#include <QFile>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

using PellumoFixture::FixturePath;
using PellumoFixture::ReadFrameNumber;

TEST(TGrabOptionsTest, KeepsTheOrderGivenAndClampsPastTheEnd)
{
    TGrabOptions options;
    ASSERT_TRUE(options.Parse({"--at", "3000,100", "--split", "2", "--range", "1000:2200", "--at=9000", "v.avi"}))
        << options.Error().toStdString();
    EXPECT_EQ(options.VideoPath(), "v.avi");
    EXPECT_EQ(options.Positions(4000), std::vector<int>({3000, 100, 1100, 2100, 3999}));
}

TEST(TGrabOptionsTest, SharpestPositionsAreMarked)
{
    TGrabOptions options;
    ASSERT_TRUE(options.Parse({"--sharpest", "700,9000", "--at", "50", "v.avi"}));
    const std::vector<TGrabOptions::TPick> picks = options.Picks(4000);
    ASSERT_EQ(picks.size(), 3u);
    EXPECT_TRUE(picks[0].sharpest && picks[1].sharpest && !picks[2].sharpest);
    EXPECT_EQ(picks[1].position, 3999);
}

TEST(TGrabOptionsTest, SplitRangeStaysInsideTheVideo)
{
    TGrabOptions options;
    ASSERT_TRUE(options.Parse({"--split", "2", "--range", "0:50000", "v.avi"}));
    EXPECT_EQ(options.Positions(6000), std::vector<int>({500, 5500}));
    TGrabOptions whole;
    ASSERT_TRUE(whole.Parse({"--split", "2", "v.avi"}));
    EXPECT_EQ(whole.Positions(6000), std::vector<int>({500, 5500}));
}

TEST(TGrabOptionsTest, FormatsAndFolder)
{
    TGrabOptions options;
    ASSERT_TRUE(options.Parse({"-o", "out", "--format", "JPG", "--deinterlace", "v.avi"}));
    EXPECT_EQ(options.OutputFolder(), "out");
    EXPECT_EQ(options.Extension(), "jpg");
    EXPECT_TRUE(options.Deinterlace());
    EXPECT_FALSE(options.InfoOnly());
    TGrabOptions defaults;
    ASSERT_TRUE(defaults.Parse({"--", "-odd name.avi"}));
    EXPECT_EQ(defaults.VideoPath(), "-odd name.avi");
    EXPECT_EQ(defaults.OutputFolder(), ".");
    EXPECT_EQ(defaults.Extension(), "bmp");
}

TEST(TGrabOptionsTest, RefusesBadUsage)
{
    const std::vector<QStringList> bad = {
        {},
        {"--at", "10"},
        {"--at", "x", "v.avi"},
        {"--at", "-5", "v.avi"},
        {"--sharpest", "x", "v.avi"},
        {"--at", "1,,2", "v.avi"},
        {"--split", "0", "v.avi"},
        {"--split", "1000", "v.avi"},
        {"--split", "999", "--split", "999", "v.avi"}, // pictures are numbered in three digits
        {"--split", "998", "--at", "1,2", "v.avi"},
        {"--range", "0:10", "v.avi"},
        {"--split", "4", "--range", "10:5", "v.avi"},
        {"--format", "gif", "v.avi"},
        {"--frobnicate", "v.avi"},
        {"v.avi", "-o"},
    };
    for (const QStringList& arguments : bad) {
        TGrabOptions options;
        EXPECT_FALSE(options.Parse(arguments)) << arguments.join(' ').toStdString();
        EXPECT_FALSE(options.Error().isEmpty());
    }
}

TEST(TGrabToolTest, InfoPrintsTheFirstLineOnly)
{
    const TGrabRun run = RunGrab({"--info", "--at", "100", FixturePath("h264_bframes.mp4")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "backend=ffmpeg duration=4000 size=160x120\n");
}

TEST(TGrabToolTest, NamesTheAviBackEnd)
{
    const TGrabRun run = RunGrab({"--info", FixturePath("cinepak.avi")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("backend=avi duration=")) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(" size=160x120\n")) << run.out.toStdString();
}

TEST(TGrabToolTest, WritesNumberedPicturesOfTheRightFrames)
{
    QTemporaryDir folder;
    for (const char* format : {"bmp", "png", "jpg"}) {
        const QString out = folder.filePath(format);
        const TGrabRun run = RunGrab({"--at", "2000,400", "--at", "9999", "-o", out, "--format", format,
                                      FixturePath("mpeg2_bframes.ts")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 4);
        const std::vector<int> frames = {50, 10, 99};
        const std::vector<int> positions = {2000, 400, 3999};
        for (int i = 0; i < 3; ++i) {
            const QString path = QString("%1/%2.%3").arg(out).arg(i + 1, 3, 10, QChar('0')).arg(format);
            EXPECT_EQ(lines[i + 1], QString("%1\t%2\t%3").arg(i + 1, 3, 10, QChar('0')).arg(positions[i]).arg(path));
            const QImage written(path); // Qt's reader as an independent check
            EXPECT_EQ(written.size(), QSize(160, 120)) << path.toStdString();
            EXPECT_EQ(ReadFrameNumber(written), frames[i]) << path.toStdString();
        }
    }
}

TEST(TGrabToolTest, SplitTakesTheAutomaticSplitPositions)
{
    QTemporaryDir folder;
    const TGrabRun run = RunGrab({"--split", "4", "-o", folder.path(), FixturePath("mpeg4.avi")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    // step = 4000 / 3.2 = 1250: 125, 1375, 2625, 3875 ms.
    const std::vector<int> positions = {125, 1375, 2625, 3875};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i + 1].section('\t', 1, 1).toInt(), positions[i]);
        // AVI time base 1/25: 125 ms rounds to frame 3, 1375 to 34, 2625 to 66, 3875 to 97.
        const QImage written(lines[i + 1].section('\t', 2));
        EXPECT_EQ(ReadFrameNumber(written), std::vector<int>({3, 34, 66, 97})[i]);
    }
}

TEST(TGrabToolTest, AFrameThatCannotBeFetchedGivesNoPicture)
{
    QTemporaryDir folder;
    const TGrabRun run = RunGrab({"--split", "5", "--range", "0:1600", "-o", folder.path(),
                                  FixturePath(PellumoFixture::UnreadableFrameAvi)});
    EXPECT_EQ(run.exitCode, 1);
    // step = 1600 / 4.2: 38, 419, 800, 1181, 1562 ms; 800 ms is the unreadable frame 20.
    EXPECT_TRUE(run.err.contains("800 ms")) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts).mid(1);
    ASSERT_EQ(lines.size(), 4);
    const std::vector<std::tuple<QString, int, int>> expected = {{"001", 38, 0}, {"002", 419, 10},
                                                                 {"004", 1181, 29}, {"005", 1562, 39}};
    for (int i = 0; i < 4; ++i) {
        const auto& [number, position, frame] = expected[i];
        EXPECT_EQ(lines[i].section('\t', 0, 1), number + '\t' + QString::number(position));
        EXPECT_EQ(ReadFrameNumber(QImage(lines[i].section('\t', 2))), frame) << position;
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("003.bmp")));
}

TEST(TGrabToolTest, DeinterlaceDoublesTheTopField)
{
    QTemporaryDir folder;
    const TGrabRun run = RunGrab({"--at", "0", "--deinterlace", "--format", "png", "-o", folder.path(),
                                  FixturePath("mpeg4.avi")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage written(folder.filePath("001.png"));
    ASSERT_FALSE(written.isNull());
    for (int row = 0; row + 1 < written.height(); row += 2)
        for (int x = 0; x < written.width(); ++x)
            ASSERT_EQ(written.pixel(x, row + 1), written.pixel(x, row)) << row;
}

TEST(TGrabToolTest, FailuresNameTheFileAndSetTheExitCode)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath("missing.avi");
    const TGrabRun unopened = RunGrab({missing});
    EXPECT_EQ(unopened.exitCode, 1);
    EXPECT_TRUE(unopened.err.contains(missing));
    EXPECT_TRUE(unopened.err.contains("not a regular file")) << unopened.err.toStdString();
    EXPECT_TRUE(unopened.out.isEmpty());

    // Why a video cannot be opened is said.
    for (auto [name, reason] : {std::pair{PellumoFixture::RandomBytesAvi, "not a video"},
                                {"no_duration.m4v", "unknown duration"}}) {
        const TGrabRun refused = RunGrab({FixturePath(name)});
        EXPECT_EQ(refused.exitCode, 1) << name;
        EXPECT_TRUE(refused.err.contains(reason)) << refused.err.toStdString();
    }

    // A file where the folder should be: the picture cannot be written.
    const QString blocker = folder.filePath("blocker");
    QFile(blocker).open(QIODevice::WriteOnly);
    const TGrabRun unwritable = RunGrab({"--at", "0", "-o", blocker, FixturePath("mpeg4.avi")});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains(blocker)) << unwritable.err.toStdString();

    const TGrabRun usage = RunGrab({"--split", "0", FixturePath("mpeg4.avi")});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("Usage"));
}

// A full disk (a file-size limit), a lost standard output and a folder name
// that is not UTF-8: never a success, never a file under another name.
TEST(TGrabToolTest, OutputThatCannotBeWrittenIsAFailure)
{
    QTemporaryDir folder;
    const QString picture = folder.filePath("001.jpg");
    const auto readBytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QFile earlier(picture);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("the earlier picture");
    earlier.close();
    QProcess limited;
    limited.setChildProcessModifier([] { TFileSizeLimit::ForChild(1024); });
    limited.start(PELLUMO_GRAB_PATH, {"--at", "0", "--format", "jpg", "-o", folder.path(), FixturePath("dv.dv")});
    ASSERT_TRUE(limited.waitForFinished(120000));
    EXPECT_EQ(limited.exitCode(), 1);
    EXPECT_TRUE(limited.readAllStandardError().contains("File too large"));
    EXPECT_EQ(readBytes(picture), "the earlier picture");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"001.jpg"});

    QProcess full;
    full.setStandardOutputFile("/dev/full");
    full.start(PELLUMO_GRAB_PATH, {"--at", "0", "-o", folder.filePath("full"), FixturePath("mpeg4.avi")});
    ASSERT_TRUE(full.waitForFinished(120000));
    EXPECT_EQ(full.exitCode(), 1);
    EXPECT_TRUE(full.readAllStandardError().contains("standard output"));

    // QProcess passes arguments as QStrings, so the raw bytes go through a shell.
    QProcess raw;
    raw.setWorkingDirectory(folder.path());
    raw.start("/bin/sh", {"-c", QStringLiteral("exec \"$0\" --at 0 -o \"$(printf 'out\\377')\" \"$1\""), PELLUMO_GRAB_PATH,
                          FixturePath("mpeg4.avi")});
    ASSERT_TRUE(raw.waitForFinished(120000));
    EXPECT_EQ(raw.exitCode(), 2);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"full"});
}

#include "SceneTestSupport.h"
#include "app/UHostResult.h"
#include "app/UIniDocument.h"
#include "picture/UImageWriter.h"
#include "support/USafeWrite.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Every row a colour of its own, so line doubling shows.
QImage Striped(int height)
{
    QImage image(8, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgb(y * 20, 255 - y * 20, x * 30));
    return image;
}

class HostResultFiles : public testing::Test
{
protected:
    void SetUp() override
    {
        QDir(dir.path()).mkdir("sub");
        for (const QString name : {"a.bmp", "sub/b.bmp", "c.bmp"}) {
            files.append(dir.filePath(name));
            WriteBmpFile(Striped(name == QString("c.bmp") ? 1 : 6), files.back());
        }
    }
    std::map<QString, QByteArray> Snapshot() const
    {
        std::map<QString, QByteArray> bytes;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            bytes[name] = FileBytes(dir.filePath(name));
        for (const QString& name : QDir(dir.filePath("sub")).entryList(QDir::Files | QDir::Hidden))
            bytes["sub/" + name] = FileBytes(dir.filePath("sub/" + name));
        return bytes;
    }

    QTemporaryDir dir;
    QStringList files;
};

} // namespace

TEST(HostButtons, OptionRules)
{
    struct Case
    {
        int buttonMode, scenes, selected;
        bool visible, option1, option2, option3;
    };
    const Case cases[] = {
        {0, 5, 2, false, true, true, true},   {2, 5, 0, false, false, true, true},
        {1, 0, 0, true, false, false, false}, {1, 1, 0, true, false, true, false},
        {1, 1, 1, true, true, true, false},   {1, 2, 0, true, false, true, true},
        {1, 2, 1, true, true, true, false},   {1, 2, 2, true, true, true, true},
        {1, 5, 0, true, false, true, true},   {1, 5, 1, true, true, true, false},
        {1, 5, 2, true, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.buttonMode << ", " << c.scenes << " scenes, " << c.selected << " selected");
        const bool expected[] = {c.option1, c.option2, c.option3};
        for (int option = 1; option <= 3; ++option) {
            const THostOptionState state = HostOptionState(option, c.buttonMode, c.scenes, c.selected);
            EXPECT_EQ(state.Visible, c.visible) << option;
            EXPECT_EQ(state.Enabled, expected[option - 1]) << option;
        }
    }
}

TEST_F(HostResultFiles, DeinterlacingRewritesEveryFile)
{
    DeinterlaceSceneFiles(files, dir.path());
    for (const QString& file : files.mid(0, 2)) {
        const QImage back(file);
        ASSERT_EQ(back.height(), 6) << file.toStdString();
        for (int y = 1; y < 6; y += 2)
            EXPECT_EQ(back.copy(0, y, 8, 1), back.copy(0, y - 1, 8, 1)) << file.toStdString() << " row " << y;
        EXPECT_NE(back.copy(0, 2, 8, 1), back.copy(0, 0, 8, 1));
    }
    EXPECT_EQ(QImage(files[2]), Striped(1).convertToFormat(QImage(files[2]).format())) << "one row stays";
    EXPECT_EQ(Snapshot().size(), 3u) << "no temporary file stays";
}

TEST_F(HostResultFiles, AnyFailureLeavesEveryFileAsItWas)
{
    const auto expectFailureOn = [&](const QString& file) {
        const auto before = Snapshot();
        try {
            DeinterlaceSceneFiles(files, dir.path());
            ADD_FAILURE() << "de-interlacing succeeded";
        } catch (const EHostResultError& error) {
            EXPECT_EQ(error.FileName(), file);
        }
        EXPECT_EQ(Snapshot(), before);
    };
    // A damaged scene file last: the good ones before it must not change.
    PutFileBytes(files[2], "BM damaged");
    expectFailureOn(files[2]);
    WriteBmpFile(Striped(1), files[2]);

    QFile::setPermissions(dir.filePath("sub"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    expectFailureOn(files[1]);
    QFile::setPermissions(dir.filePath("sub"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(HostResultSettings, OneWriteInShiftJisOrNone)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("setting.ini");
    // "設定" in Shift-JIS makes the file invalid UTF-8.
    PutFileBytes(ini, "[Setting]\r\nButtonMode=1\r\nTitle=\x90\xdd\x92\xe8\r\n");
    TIniDocument settings(ini);
    const QStringList scenes{dir.filePath("写真/0.bmp"), dir.filePath("写真/1.bmp"), dir.filePath("写真/2.bmp")};
    const auto origins = [&] {
        settings.EraseSection("Position");
        settings.WriteInteger("Position", "0", 1500);
    };
    WriteHostResult(settings, scenes, {0, 2}, 3, origins);
    const QByteArray expected = "[Setting]\r\nButtonMode=1\r\nTitle=\x90\xdd\x92\xe8\r\nClickedButton=3\r\n\r\n"
                                "[Selected]\r\n0=" + TextCodec::Encode(scenes[0], TextCodec::Encoding::ShiftJis).value()
                                + "\r\n2=" + TextCodec::Encode(scenes[2], TextCodec::Encoding::ShiftJis).value()
                                + "\r\n\r\n[Position]\r\n0=1500\r\n\r\n";
    EXPECT_EQ(FileBytes(ini), expected);
    EXPECT_EQ(settings.ReadInteger("Setting", "ClickedButton", -1), 3);

    // A path Shift-JIS cannot hold, or a read-only file: nothing changes.
    const QStringList korean{dir.filePath("사진.bmp")};
    EXPECT_THROW(WriteHostResult(settings, korean, {0}, 0, origins), EHostResultError);
    for (const QString& locked : {ini, dir.path()}) {
        const QFileDevice::Permissions permissions = QFile::permissions(locked);
        QFile::setPermissions(locked, permissions & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser));
        try {
            WriteHostResult(settings, scenes, {}, 1, origins);
            ADD_FAILURE() << "setting.ini was replaced although " << locked.toStdString() << " is read-only";
        } catch (const EHostResultError& error) {
            EXPECT_EQ(error.FileName(), ini);
        }
        QFile::setPermissions(locked, permissions);
    }
    EXPECT_EQ(FileBytes(ini), expected);
    EXPECT_EQ(settings.ReadString("Selected", "2", ""), scenes[2]);
    EXPECT_EQ(settings.ReadInteger("Setting", "ClickedButton", -1), 3);
}

TEST_F(HostResultFiles, AFailedStepOfTheFinalRenamesPutsEveryFileBack)
{
    const auto before = Snapshot();
    int renames = 0;
    const auto previous = SafeWrite::SetRenameForTesting([&](const QByteArray& from, const QByteArray& to) {
        if (++renames == 4) {   // the second file's new copy into place
            errno = ENOSPC;
            return -1;
        }
        return ::rename(from.constData(), to.constData());
    });
    EXPECT_THROW(DeinterlaceSceneFiles(files, dir.path()), EHostResultError);
    SafeWrite::SetRenameForTesting(previous);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(HostResultFiles, ALinkToAFileOutsideIsNeverWritten)
{
    QTemporaryDir outside;
    const QString victim = outside.filePath("victim.bmp");
    WriteBmpFile(Striped(6), victim);
    const QByteArray victimBytes = FileBytes(victim);
    ASSERT_TRUE(QFile::link(victim, dir.filePath("linked.bmp")));
    const auto before = Snapshot();
    EXPECT_THROW(DeinterlaceSceneFiles(files + QStringList{dir.filePath("linked.bmp")}, dir.path()), EHostResultError);
    EXPECT_EQ(FileBytes(victim), victimBytes);
    EXPECT_EQ(Snapshot(), before);
}

// No open file per scene: far more scenes than the open-file limit allows.
TEST(HostResultMany, DeinterlacesMoreScenesThanFilesCanBeOpen)
{
    // In memory where there is such a folder: 1200 synced writes cost the disk's time, not ours.
    QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/pellumo-test-XXXXXX") : QString());
    QStringList files;
    const QByteArray scene = EncodeBmp(Striped(4));
    for (int i = 0; i < 1200; ++i) {
        files.append(dir.filePath(QStringLiteral("s%1.bmp").arg(i)));
        PutFileBytes(files.back(), scene);
    }
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 256);
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_NO_THROW(DeinterlaceSceneFiles(files, dir.path()));
    setrlimit(RLIMIT_NOFILE, &saved);
    const QImage last(files.back());
    EXPECT_EQ(last.copy(0, 1, 8, 1), last.copy(0, 0, 8, 1));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1200);
}

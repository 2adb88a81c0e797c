#include "TFakeDvdSystem.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Names(const QList<TDvdDrive>& drives)
{
    QStringList names;
    for (const TDvdDrive& drive : drives)
        names.append(drive.Name);
    return names;
}

QStringList FileNames(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names.append(QFileInfo(path).fileName());
    return names;
}

} // namespace

TEST(DvdDrivesTest, OpticalDrivesByNumberThenMountedDiscImages)
{
    TFakeDvdSystem system;
    system.SetCdromInfo("sr10\tsr1\tsr0");
    system.AddBlockDevice("sr0", "11:0");
    system.AddBlockDevice("sr1", "11:1");
    system.SetMounts({
        TFakeDvdSystem::MountLine("11:1", "/media/cdrom1", "udf", "/dev/sr1"),
        TFakeDvdSystem::MountLine("7:0", "/mnt/my dvd", "udf", "/dev/loop0"),
        TFakeDvdSystem::MountLine("7:0", "/mnt/again", "udf", "/dev/loop0"),
        TFakeDvdSystem::MountLine("7:1", "/mnt/cd", "iso9660", "/dev/loop1"),
        TFakeDvdSystem::MountLine("8:1", "/home", "ext4", "/dev/sda1"),
    });
    EXPECT_EQ(Names(system.Drives().Drives()),
              QStringList({"/dev/sr0", "/dev/sr1", "/dev/sr10", "/mnt/my dvd", "/mnt/cd"}));

    // Without the kernel's cdrom list the block devices tell.
    TFakeDvdSystem blocks;
    for (const auto& [name, number] : {std::pair("sr1", "11:1"), std::pair("sr0", "11:0"), std::pair("sda", "8:0")})
        blocks.AddBlockDevice(name, number);
    EXPECT_EQ(Names(blocks.Drives().Drives()), QStringList({"/dev/sr0", "/dev/sr1"}));
    EXPECT_TRUE(TFakeDvdSystem().Drives().Drives().isEmpty());
}

TEST(DvdDrivesTest, TheMountPointIsLookedUpEachTime)
{
    TFakeDvdSystem system;
    system.SetCdromInfo("sr0");
    system.AddBlockDevice("sr0", "11:0");
    system.SetMounts({});
    const TDvdDrives drives = system.Drives();
    const TDvdDrive drive = drives.Drives().value(0);
    EXPECT_EQ(drives.MountPoint(drive), QString());

    struct Case
    {
        QList<QByteArray> mounts;
        QString mountPoint;
    };
    const Case cases[] = {
        {{TFakeDvdSystem::MountLine("11:0", "/media/My Disc\\1", "udf", "/dev/sr0")}, "/media/My Disc\\1"},
        {{TFakeDvdSystem::MountLine("11:0", "/media/動画", "iso9660", "/dev/sr0")}, "/media/動画"},
        // A bind mount of a part of the disc counts only when the whole is not mounted.
        {{TFakeDvdSystem::MountLine("11:0", "/srv/part", "udf", "/dev/sr0", "/VIDEO_TS"),
          TFakeDvdSystem::MountLine("11:0", "/media/cdrom", "udf", "/dev/sr0")},
         "/media/cdrom"},
        {{TFakeDvdSystem::MountLine("11:1", "/media/other", "udf", "/dev/sr1")}, QString()},
        {{"garbage", "1 2 11:0 / /x", "1 2 11:0 / /x rw - udf"}, QString()},
    };
    for (const Case& c : cases) {
        system.SetMounts(c.mounts);
        EXPECT_EQ(drives.MountPoint(drive), c.mountPoint);
    }
}

TEST(DvdDrivesTest, TitleFilesLeaveOutTheMenusInAnyLetterCase)
{
    struct Case
    {
        QStringList files;
        QStringList titles;
    };
    const Case cases[] = {
        {{"VIDEO_TS/VIDEO_TS.VOB", "VIDEO_TS/VTS_01_0.VOB", "VIDEO_TS/VTS_01_2.VOB", "VIDEO_TS/VTS_01_1.VOB",
          "VIDEO_TS/VTS_01_0.IFO"},
         {"VTS_01_1.VOB", "VTS_01_2.VOB"}},
        {{"video_ts/video_ts.vob", "video_ts/Video_TS.VOB", "video_ts/vts_02_0.vob", "video_ts/vts_02_1.vob"},
         {"vts_02_1.vob"}},
        {{"Video_Ts/VTS_01_1.Vob", "Video_Ts/VTS_01_1.VOB.part"}, {"VTS_01_1.Vob"}},
        {{"AUDIO_TS/ATS_01_1.VOB", "VTS_01_1.VOB"}, {}},
        {{"VIDEO_TS/VIDEO_TS.IFO"}, {}},
    };
    for (const Case& c : cases) {
        QTemporaryDir disc;
        TFakeDvdSystem::MakeDisc(disc.path(), c.files);
        const QStringList paths = TDvdDrives::TitleFiles(disc.path());
        EXPECT_EQ(FileNames(paths), c.titles) << c.files.join('|').toStdString();
        for (const QString& path : paths)
            EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    }
    EXPECT_TRUE(TDvdDrives::TitleFiles(QString()).isEmpty());
}

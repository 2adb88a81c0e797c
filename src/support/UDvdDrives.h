#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A place a DVD-Video title can be picked from: an optical drive, or a
// mounted UDF or ISO 9660 file system of another device (a loop-mounted disc
// image).
struct TDvdDrive
{
    QString Name;         // shown in the drive menu: "/dev/sr0", or an image's mount point
    QString Device;       // "/dev/sr0"; an image's mount source
    QString DeviceNumber; // "major:minor" as /proc/self/mountinfo has it; empty when unknown
};

// One line of /proc/self/mountinfo.
struct TMountEntry
{
    QString DeviceNumber; // "major:minor"
    QString Root;         // the part of the file system that is mounted, "/" for all of it
    QString MountPoint;   // octal escapes (\040 ...) undone
    QString FileSystem;
    QString Source;
};

// Finds optical drives, their mount points and the title files on their
// discs from the kernel's text files under a system root ("/" on a running
// system, a prepared folder in tests). Device files are never opened.
class TDvdDrives
{
public:
    explicit TDvdDrives(QString systemRoot = QStringLiteral("/"));

    // Optical drives (/proc/sys/dev/cdrom/info, else /sys/block/sr*) by device
    // number, then mounted UDF and ISO 9660 file systems of other devices in
    // mount order.
    QList<TDvdDrive> Drives() const;
    // Where the drive's file system is mounted now; empty when it is not.
    QString MountPoint(const TDvdDrive& drive) const;
    // The current mount table; empty when it cannot be read.
    QList<TMountEntry> Mounts() const;

    // Full paths of the title files in the video folder ("video_ts" in any
    // letter case) below mountPoint, sorted by name; the menu file
    // "video_ts.vob" and the menu parts "*_0.vob" are left out.
    static QStringList TitleFiles(const QString& mountPoint);

    // Parsers of the kernel's texts, exposed for tests.
    static QStringList ParseCdromInfo(const QByteArray& text);
    static QList<TMountEntry> ParseMountInfo(const QByteArray& text);
    static QString UnescapeMountField(const QByteArray& field);

private:
    QByteArray ReadSystemFile(const QString& path) const;
    QStringList OpticalDriveNames() const;

    QString root;
};

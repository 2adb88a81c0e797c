#pragma once

// A folder that stands in for "/" when looking for optical drives: the
// kernel's cdrom list, block devices and mount table are written as the
// tests need them.

#include "support/UDvdDrives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

class TFakeDvdSystem
{
public:
    QString Root() const { return root.path(); }
    TDvdDrives Drives() const { return TDvdDrives(root.path()); }

    // driveNames as the kernel lists them, e.g. "sr1\tsr0".
    void SetCdromInfo(const QByteArray& driveNames)
    {
        Write("proc/sys/dev/cdrom/info",
              "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\ndrive name:\t\t" + driveNames + "\ndrive speed:\t\t24\n");
    }
    void AddBlockDevice(const QString& name, const QByteArray& number)
    {
        Write("sys/block/" + name + "/dev", number + "\n");
    }
    // Replaces the mount table; lines from MountLine.
    void SetMounts(const QList<QByteArray>& lines)
    {
        QByteArray text = "22 27 0:21 / /proc rw,relatime - proc proc rw\n";
        for (const QByteArray& line : lines)
            text += line + "\n";
        Write("proc/self/mountinfo", text);
    }
    static QByteArray MountLine(const QByteArray& number, const QString& mountPoint, const QByteArray& type,
                                const QByteArray& source, const QByteArray& mountedRoot = "/")
    {
        QByteArray point;
        for (const char c : QFile::encodeName(mountPoint)) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
                point += QByteArray("\\") + QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0');
            else
                point += c;
        }
        return "40 27 " + number + " " + mountedRoot + " " + point + " ro,relatime shared:9 - " + type + " " + source
               + " ro";
    }

    // Makes a disc folder with the given files below it ("VIDEO_TS/VTS_01_1.VOB").
    static void MakeDisc(const QString& folder, const QStringList& files)
    {
        for (const QString& file : files) {
            const QString path = QDir(folder).filePath(file);
            QDir().mkpath(QFileInfo(path).path());
            QFile out(path);
            if (out.open(QIODevice::WriteOnly))
                out.write("x");
        }
    }

private:
    void Write(const QString& relative, const QByteArray& text) const
    {
        const QString path = QDir(root.path()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }

    QTemporaryDir root;
};

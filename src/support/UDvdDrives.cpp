#include "support/UDvdDrives.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

const QString VideoFolderName = QStringLiteral("video_ts");
const QString TitleExtension = QStringLiteral(".vob");
const QString MenuTitleName = QStringLiteral("video_ts.vob");
const QString MenuPartEnding = QStringLiteral("_0.vob");

bool IsDiscFileSystem(const QString& type)
{
    return type == QStringLiteral("udf") || type == QStringLiteral("iso9660");
}

// "sr10" after "sr9": the name's letters, then its number.
bool DriveNameLess(const QString& a, const QString& b)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const QRegularExpressionMatch ma = split.match(a);
    const QRegularExpressionMatch mb = split.match(b);
    const auto key = [](const QRegularExpressionMatch& m) {
        return std::pair(m.captured(1), m.captured(2).toULongLong());
    };
    return key(ma) < key(mb);
}

} // namespace

TDvdDrives::TDvdDrives(QString systemRoot)
    : root(std::move(systemRoot))
{
}

QByteArray TDvdDrives::ReadSystemFile(const QString& path) const
{
    QFile file(QDir(root).filePath(path.mid(1)));
    // Kernel files report no size: read until the end.
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList TDvdDrives::ParseCdromInfo(const QByteArray& text)
{
    const QString drive = QStringLiteral("drive name:");
    for (const QString& line : QString::fromLatin1(text).split(u'\n')) {
        if (line.startsWith(drive))
            return line.mid(drive.size()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return {};
}

QString TDvdDrives::UnescapeMountField(const QByteArray& field)
{
    // The kernel writes space, tab, newline and backslash as \ooo.
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            bytes.append(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3)
                                           | (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return QFile::decodeName(bytes);
}

QList<TMountEntry> TDvdDrives::ParseMountInfo(const QByteArray& text)
{
    // "36 35 98:0 /root /mount/point options [optional fields] - type source super-options"
    QList<TMountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 7)
            continue;
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (separator < 0 || separator + 2 >= fields.size())
            continue;
        mounts.append({QString::fromLatin1(fields[2]), UnescapeMountField(fields[3]), UnescapeMountField(fields[4]),
                       UnescapeMountField(fields[separator + 1]), UnescapeMountField(fields[separator + 2])});
    }
    return mounts;
}

QList<TMountEntry> TDvdDrives::Mounts() const
{
    return ParseMountInfo(ReadSystemFile(QStringLiteral("/proc/self/mountinfo")));
}

QStringList TDvdDrives::OpticalDriveNames() const
{
    QStringList names = ParseCdromInfo(ReadSystemFile(QStringLiteral("/proc/sys/dev/cdrom/info")));
    if (names.isEmpty()) {
        static const QRegularExpression scsiCdrom(QStringLiteral("^sr\\d+$"));
        const QDir block(QDir(root).filePath(QStringLiteral("sys/block")));
        names = block.entryList(QDir::Dirs | QDir::Files | QDir::System | QDir::NoDotAndDotDot).filter(scsiCdrom);
    }
    // The kernel lists the newest drive first.
    std::sort(names.begin(), names.end(), DriveNameLess);
    names.removeDuplicates();
    return names;
}

QList<TDvdDrive> TDvdDrives::Drives() const
{
    QList<TDvdDrive> drives;
    QStringList known;
    for (const QString& name : OpticalDriveNames()) {
        const QString number =
            QString::fromLatin1(ReadSystemFile(QStringLiteral("/sys/block/%1/dev").arg(name))).trimmed();
        const QString device = QStringLiteral("/dev/") + name;
        drives.append({device, device, number});
        known.append(number.isEmpty() ? device : number);
    }
    for (const TMountEntry& mount : Mounts()) {
        if (!IsDiscFileSystem(mount.FileSystem) || known.contains(mount.DeviceNumber) || known.contains(mount.Source))
            continue;
        drives.append({mount.MountPoint, mount.Source, mount.DeviceNumber});
        known.append(mount.DeviceNumber);
    }
    return drives;
}

QString TDvdDrives::MountPoint(const TDvdDrive& drive) const
{
    QString partial;
    for (const TMountEntry& mount : Mounts()) {
        const bool same = drive.DeviceNumber.isEmpty() ? mount.Source == drive.Device
                                                       : mount.DeviceNumber == drive.DeviceNumber;
        if (!same)
            continue;
        if (mount.Root == QStringLiteral("/"))
            return mount.MountPoint;
        // A bind mount of part of the disc; used only when the whole is not mounted.
        if (partial.isEmpty())
            partial = mount.MountPoint;
    }
    return partial;
}

QStringList TDvdDrives::TitleFiles(const QString& mountPoint)
{
    if (mountPoint.isEmpty())
        return {};
    const QDir disc(mountPoint);
    QString videoFolder;
    for (const QString& name : disc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name.compare(VideoFolderName, Qt::CaseInsensitive) == 0) {
            videoFolder = disc.filePath(name);
            break;
        }
    }
    if (videoFolder.isEmpty())
        return {};
    QStringList names;
    for (const QString& name : QDir(videoFolder).entryList(QDir::Files)) {
        const QString lower = name.toLower();
        if (lower.endsWith(TitleExtension) && lower != MenuTitleName && !lower.endsWith(MenuPartEnding))
            names.append(name);
    }
    // Discs list their titles in name order; other file systems in any order.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    QStringList paths;
    for (const QString& name : std::as_const(names))
        paths.append(QDir(videoFolder).filePath(name));
    return paths;
}

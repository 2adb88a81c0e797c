#include "support/Pathutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Pathutil {

namespace {

// Temporary names carry four hexadecimal digits, so there are at most 65536 of
// them per prefix; a fixed number of random tries keeps a full or unwritable
// temporary folder from looping for ever.
constexpr int MaxTempFolderAttempts = 100;
constexpr int MaxTempNameAttempts = 256;

// The system temporary folder as an absolute path: an empty or relative
// TMPDIR must not scatter work folders into the current folder.
QString TempFolder()
{
    const QString folder = QDir::tempPath();
    return folder.isEmpty() ? QStringLiteral("/tmp") : QDir(folder).absolutePath();
}

QString CannotCreateFolderMessage()
{
    return QStringLiteral("ディレクトリを作成することができません");
}

// Lists the entries of a folder, hidden ones included, without "." and "..".
QFileInfoList FolderEntries(const QString& folder)
{
    QDir dir(folder);
    return dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::NoSort);
}

} // namespace

EFolderError::EFolderError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

bool FolderExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode);
}

bool EndsWithChar(const QString& text, QChar character)
{
    return !text.isEmpty() && text.back() == character;
}

QString AppendPathDelimiter(const QString& path)
{
    if (path.isEmpty() || EndsWithChar(path, PathDelimiter))
        return path;
    return path + PathDelimiter;
}

QString RemovePathDelimiter(const QString& path)
{
    // The root keeps its delimiter: "/" without it would name no folder.
    if (path == QString(PathDelimiter) || !EndsWithChar(path, PathDelimiter))
        return path;
    return path.chopped(1);
}

QString CombinePath(const QString& folder, const QString& name)
{
    return AppendPathDelimiter(folder) + name;
}

bool IsReadOnlyPath(const QString& path)
{
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0)
        return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(name.constData(), W_OK) != 0;
}

bool CanReplaceFile(const QString& path)
{
    const QFileInfo file(path);
    return !IsReadOnlyPath(file.absoluteFilePath()) && !IsReadOnlyPath(file.absolutePath());
}

namespace {

struct TCollectScope
{
    QString root;              // the scanned folder's real path, with a delimiter
    QSet<QString> folders;     // real paths of the folders already listed
    QSet<QString> files;       // real paths of the files already listed
};

void CollectFilesBelow(QStringList& list, const QString& folder, TCollectScope& scope)
{
    // A link is followed only when it leads to a place inside the scanned
    // folder, and each real folder and file is listed once: a link out
    // (even to "/") or a link cycle cannot widen or hang the scan.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || scope.folders.contains(canonical)
        || !AppendPathDelimiter(canonical).startsWith(scope.root))
        return;
    scope.folders.insert(canonical);
    for (const QFileInfo& entry : FolderEntries(folder)) {
        const QString name = entry.fileName();
        if (name.startsWith(u'.'))
            continue;
        const QString path = CombinePath(folder, name);
        if (entry.isDir()) {
            CollectFilesBelow(list, path, scope);
        } else if (entry.isFile()) {   // no pipes, devices or sockets: opening one can block
            const QString real = entry.canonicalFilePath();
            if (real.isEmpty() || scope.files.contains(real))
                continue;
            scope.files.insert(real);
            list.append(path);
        }
    }
}

} // namespace

void CollectFiles(QStringList& list, const QString& folder)
{
    if (!FolderExists(RemovePathDelimiter(folder)))
        return;
    TCollectScope scope;
    scope.root = AppendPathDelimiter(QFileInfo(folder).canonicalFilePath());
    CollectFilesBelow(list, folder, scope);
}

bool IsInsideFolder(const QString& path, const QString& folder)
{
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return false;
    // A file not yet there is judged by the folder that will hold it.
    const QFileInfo file(path);
    const QString real = file.exists() ? file.canonicalFilePath()
                                       : CombinePath(QFileInfo(file.absolutePath()).canonicalFilePath(), file.fileName());
    return real.startsWith(AppendPathDelimiter(root));
}

void RemoveFolderTree(const QString& folder, bool removeSelf)
{
    for (const QFileInfo& entry : FolderEntries(folder)) {
        const QString path = CombinePath(folder, entry.fileName());
        // A link to a folder is removed as a link: its target is not ours.
        if (entry.isDir() && !entry.isSymLink())
            RemoveFolderTree(path, true);
        else
            ::unlink(QFile::encodeName(path).constData());
    }
    if (removeSelf)
        ::rmdir(QFile::encodeName(RemovePathDelimiter(folder)).constData());
}

QString MakeTempFileName(const QString& prefix)
{
    const QString folder = TempFolder();
    const QString head = prefix.left(3);
    for (int attempt = 0; attempt < MaxTempNameAttempts; ++attempt) {
        const quint32 number = QRandomGenerator::global()->bounded(0x10000u);
        const QString name = CombinePath(
            folder, head + QStringLiteral("%1").arg(number, 4, 16, QChar(u'0')).toUpper() + QStringLiteral(".tmp"));
        const int fd = ::open(QFile::encodeName(name).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                              0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

QString MakeUniqueTempFolder(const QString& prefix)
{
    for (int attempt = 0; attempt < MaxTempFolderAttempts; ++attempt) {
        const QString fileName = MakeTempFileName(prefix);
        if (fileName.isEmpty())
            break;
        ::unlink(QFile::encodeName(fileName).constData());
        // mkdir fails on anything already there, a planted folder or link
        // included: the work folder is always one this call created.
        const QString name = fileName.chopped(4) + QStringLiteral(".dir");
        if (::mkdir(QFile::encodeName(name).constData(), 0700) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
    throw EFolderError(CannotCreateFolderMessage() + QStringLiteral(": ") + TempFolder());
}

bool IsRepresentablePath(const QByteArray& raw)
{
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

bool MakeFolderPath(const QString& path)
{
    if (path.isEmpty())
        throw EFolderError(CannotCreateFolderMessage());
    const QString folder = RemovePathDelimiter(path);
    if (FolderExists(folder))
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || folder == QString(PathDelimiter))
        return true;
    if (parent != QStringLiteral(".") && !MakeFolderPath(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), 0777) == 0 || FolderExists(folder);
}

} // namespace Pathutil

#include "support/USafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace SafeWrite {

namespace {

int SystemRename(const QByteArray& from, const QByteArray& to)
{
    return ::rename(from.constData(), to.constData());
}

TRenameFunction& RenameFunction()
{
    static TRenameFunction function = SystemRename;
    return function;
}

void Rename(const QString& from, const QString& to, const QString& reported)
{
    if (RenameFunction()(QFile::encodeName(from), QFile::encodeName(to)) != 0)
        throw ESafeWriteError(reported, errno);
}

// A link is written through: the file it names is replaced, not the link.
QString ResolvedTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.symLinkTarget();
    return target.isEmpty() ? path : target;
}

// An exclusive new file of the given pattern ("XXXXXX" at the end) beside
// the target. Returns its descriptor; the pattern is filled in.
int CreateBeside(QByteArray& pattern, const QString& reported)
{
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        throw ESafeWriteError(reported, errno);
    return fd;
}

QByteArray HiddenName(const QString& target, const char* tag)
{
    const QFileInfo info(target);
    return QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName() + QLatin1String(tag)
                             + QStringLiteral("XXXXXX"));
}

// A new file gets what a plain create would give it; a replaced file keeps
// its permissions.
void TakeMode(int fd, const QString& target)
{
    struct stat old {};
    mode_t mode;
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
}

void WriteAll(int fd, QByteArrayView data, const QString& reported)
{
    const char* next = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw ESafeWriteError(reported, errno);
        }
        if (written == 0)   // no progress and no reason: a full device
            throw ESafeWriteError(reported, ENOSPC);
        next += written;
        left -= written;
    }
}

void SyncFolder(const QString& file)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(file).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);   // some file systems cannot sync a folder; the file itself is synced
    ::close(fd);
}

} // namespace

ESafeWriteError::ESafeWriteError(const QString& fileName, int errorNumber)
    : std::runtime_error(QStringLiteral("Cannot write %1: %2")
                             .arg(fileName, QString::fromLocal8Bit(std::strerror(errorNumber)))
                             .toStdString()),
      fileName(fileName), errorNumber(errorNumber)
{
}

QString ESafeWriteError::Reason() const
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

TStagedFile::TStagedFile(const QString& path, QByteArrayView data) : target(ResolvedTarget(path))
{
    QByteArray name = HiddenName(target, ".pellumo-");
    const int fd = CreateBeside(name, path);
    temporary = QFile::decodeName(name);
    try {
        TakeMode(fd, target);
        WriteAll(fd, data, path);
        if (::fsync(fd) != 0)
            throw ESafeWriteError(path, errno);
    } catch (...) {
        ::close(fd);
        ::unlink(name.constData());
        temporary.clear();
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        temporary.clear();
        throw ESafeWriteError(path, error);
    }
}

TStagedFile::TStagedFile(TStagedFile&& other) noexcept
    : target(std::move(other.target)), temporary(std::exchange(other.temporary, QString()))
{
}

TStagedFile::~TStagedFile()
{
    if (!temporary.isEmpty())
        ::unlink(QFile::encodeName(temporary).constData());
}

void TStagedFile::Commit()
{
    Rename(temporary, target, target);
    temporary.clear();
    SyncFolder(target);
}

void WriteFile(const QString& path, QByteArrayView data)
{
    TStagedFile staged(path, data);
    staged.Commit();
}

void CommitAll(std::vector<TStagedFile>& files)
{
    struct TPlaced
    {
        QString target;
        QString aside;   // where the original waits; empty when there was none
    };
    std::vector<TPlaced> placed;
    try {
        for (TStagedFile& file : files) {
            TPlaced step{file.target, {}};
            if (QFileInfo::exists(file.target)) {
                QByteArray aside = HiddenName(file.target, ".pellumo-old-");
                ::close(CreateBeside(aside, file.target));
                try {
                    Rename(file.target, QFile::decodeName(aside), file.target);
                } catch (...) {
                    ::unlink(aside.constData());
                    throw;
                }
                step.aside = QFile::decodeName(aside);
            }
            placed.push_back(step);
            Rename(file.temporary, file.target, file.target);
            file.temporary.clear();
        }
    } catch (...) {
        // Back as it was: each original over its new file, new files out.
        // An original that cannot be put back stays in its hidden file
        // rather than being lost.
        for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
            const QByteArray target = QFile::encodeName(it->target);
            if (it->aside.isEmpty())
                ::unlink(target.constData());
            else
                ::rename(QFile::encodeName(it->aside).constData(), target.constData());
        }
        throw;
    }
    for (const TPlaced& step : placed)
        if (!step.aside.isEmpty())
            ::unlink(QFile::encodeName(step.aside).constData());
    for (const TStagedFile& file : files)
        SyncFolder(file.target);
}

TRenameFunction SetRenameForTesting(TRenameFunction rename)
{
    return std::exchange(RenameFunction(), rename ? std::move(rename) : TRenameFunction(SystemRename));
}

} // namespace SafeWrite

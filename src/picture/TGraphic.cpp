#include "picture/TGraphic.h"

#include "picture/EInvalidGraphic.h"
#include "support/USafeWrite.h"

#include <QFile>
#include <QBuffer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

void TGraphic::SetTransparent(bool value)
{
    if (transparent == value)
        return;
    transparent = value;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGraphic::LoadFromFile(const QString& path)
{
    // Opened without blocking and read only when it is a regular file: a
    // pipe named like a picture would otherwise wait for a writer for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\": %2")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)))
                                     .toStdString());
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\": not a regular file").arg(path).toStdString());
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString()).toStdString());
    }
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const QString& path) const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    SafeWrite::WriteFile(path, buffer.data());
}

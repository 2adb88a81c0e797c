// The version note read back from real executables: this test program carries
// one with numbers of its own (tests/support/CMakeLists.txt), so the order of
// the four fields is checked too.

#include "support/Filever.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const TVersionNumbers OwnVersion{3, 14, 159, 2653};

QByteArray OwnExecutable()
{
    QFile self(QStringLiteral("/proc/self/exe"));
    return self.open(QIODevice::ReadOnly) ? self.readAll() : QByteArray();
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// The note header (name size, description size, type) sits just before
// the owner name.
QByteArray WithNoteSizes(QByteArray elf, quint32 nameSize, quint32 descSize)
{
    const qsizetype name = elf.indexOf(QByteArray("Pellumo\0\x03\x00\x0e\x00", 12));
    if (name < 12)
        return {};
    memcpy(elf.data() + name - 12, &nameSize, 4);
    memcpy(elf.data() + name - 8, &descSize, 4);
    return elf;
}

} // namespace

TEST(FileVer, ReadsTheNoteOfThisProgram)
{
    TFileVer version(QStringLiteral("/proc/self/exe"));
    ASSERT_TRUE(version.Query().has_value());
    EXPECT_EQ(*version.Query(), OwnVersion);
    EXPECT_EQ(TFileVer::VersionText(version.Query()), QStringLiteral("3.14.159.2653"));
}

TEST(FileVer, FilesWithoutAReadableNoteHaveNoVersion)
{
    QTemporaryDir dir;
    const QByteArray elf = OwnExecutable();
    ASSERT_GT(elf.size(), 4096);

    const QString unstripped = WriteFile(dir, QStringLiteral("with-note"), elf);
    const QString stripped = dir.filePath(QStringLiteral("without-note"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("objcopy"),
                                {QStringLiteral("--remove-section=.note.pellumo.version"), unstripped, stripped}),
              0);
    ASSERT_TRUE(TFileVer(unstripped).Query().has_value()) << "the copy itself is readable";

    const struct
    {
        const char* what;
        QString path;
    } cases[] = {
        {"note removed", stripped},
        {"cut inside the ELF header", WriteFile(dir, QStringLiteral("cut-40"), elf.left(40))},
        {"cut after the program headers", WriteFile(dir, QStringLiteral("cut-1k"), elf.left(1024))},
        {"cut in the middle", WriteFile(dir, QStringLiteral("cut-half"), elf.left(elf.size() / 2))},
        {"note name runs past the segment", WriteFile(dir, QStringLiteral("bad-name"), WithNoteSizes(elf, 0xFFFFFFF0u, 8))},
        {"note description runs past the segment",
         WriteFile(dir, QStringLiteral("bad-desc"), WithNoteSizes(elf, 8, 0x7FFFFFFFu))},
        {"not ELF", WriteFile(dir, QStringLiteral("text"), QByteArray("#!/bin/sh\necho 1.2.3.4\n"))},
        {"empty", WriteFile(dir, QStringLiteral("empty"), QByteArray())},
        {"missing", dir.filePath(QStringLiteral("missing"))},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.path.isEmpty()) << c.what;
        TFileVer version(c.path);
        EXPECT_FALSE(version.Query().has_value()) << c.what;
        EXPECT_EQ(TFileVer::VersionText(version.Query()), QStringLiteral("1.0.0.0")) << c.what;
    }
}

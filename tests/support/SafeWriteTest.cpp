#include "TFileSizeLimit.h"
#include "support/USafeWrite.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <map>

using namespace SafeWrite;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Every entry of the folder, hidden ones included, with its bytes.
std::map<QString, QByteArray> Snapshot(const QTemporaryDir& dir)
{
    std::map<QString, QByteArray> entries;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        entries[name] = Bytes(dir.filePath(name));
    return entries;
}

} // namespace

TEST(SafeWriteTest, AFailedWriteKeepsTheOriginalAndLeavesNothingBehind)
{
    struct Case
    {
        const char* what;
        rlim_t limit;
        qsizetype size;
    };
    // Below, at and above the size of one buffered block of other writers.
    const Case cases[] = {{"nothing fits", 0, 10}, {"a short write", 300, 912}, {"a large file", 5000, 1 << 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath("setting.ini");
        Put(path, "original");
        const auto before = Snapshot(dir);
        try {
            TFileSizeLimit limit(c.limit);
            WriteFile(path, QByteArray(c.size, 'x'));
            ADD_FAILURE() << "the write was reported as done";
        } catch (const ESafeWriteError& error) {
            EXPECT_EQ(error.ErrorNumber(), EFBIG);
            EXPECT_EQ(error.FileName(), path);
            EXPECT_EQ(error.Reason(), QString::fromLocal8Bit(std::strerror(EFBIG)));
        }
        EXPECT_EQ(Snapshot(dir), before);
    }
}

TEST(SafeWriteTest, ReplacesKeepingPermissionsAndWritesThroughALink)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scene.bmp");
    Put(path, "old");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    WriteFile(path, "new bytes");
    EXPECT_EQ(Bytes(path), "new bytes");
    EXPECT_EQ(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                            | QFileDevice::ReadUser | QFileDevice::WriteUser);

    ASSERT_TRUE(QFile::link(path, dir.filePath("link.bmp")));
    WriteFile(dir.filePath("link.bmp"), "through the link");
    EXPECT_TRUE(QFileInfo(dir.filePath("link.bmp")).isSymLink());
    EXPECT_EQ(Bytes(path), "through the link");

    EXPECT_THROW(WriteFile(dir.filePath("missing/x.bmp"), "x"), ESafeWriteError);
    EXPECT_EQ(Snapshot(dir).size(), 2u);
}

TEST(SafeWriteTest, CommitAllIsAllOrNothingWhereverARenameFails)
{
    // Renames: each existing original aside, then its new file in; the
    // third file is new. A failure at every step leaves the folder as it was.
    constexpr int Renames = 5;
    for (int failAt = 0; failAt < Renames; ++failAt) {
        SCOPED_TRACE(failAt);
        QTemporaryDir dir;
        Put(dir.filePath("a.bmp"), "a");
        Put(dir.filePath("b.bmp"), "b");
        const auto before = Snapshot(dir);
        std::vector<TStagedFile> staged;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            staged.emplace_back(dir.filePath(name), QByteArray("new ") + name);
        int calls = 0;
        const TRenameFunction previous = SetRenameForTesting([&](const QByteArray& from, const QByteArray& to) {
            if (calls++ == failAt) {
                errno = EIO;
                return -1;
            }
            return ::rename(from.constData(), to.constData());
        });
        EXPECT_THROW(CommitAll(staged), ESafeWriteError);
        SetRenameForTesting(previous);
        staged.clear();
        EXPECT_EQ(Snapshot(dir), before);
    }

    QTemporaryDir dir;
    Put(dir.filePath("a.bmp"), "a");
    std::vector<TStagedFile> staged;
    staged.emplace_back(dir.filePath("a.bmp"), "new a");
    staged.emplace_back(dir.filePath("c.bmp"), "new c");
    CommitAll(staged);
    staged.clear();
    EXPECT_EQ(Snapshot(dir), (std::map<QString, QByteArray>{{"a.bmp", "new a"}, {"c.bmp", "new c"}}));
}

#include "TmpDirOverride.h"
#include "support/Pathutil.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Pathutil;

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// Points QDir::tempPath() at a private folder for the test's life.
class TempDirScope
{
public:
    QString Path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    TTmpDirOverride tmpDir{dir.path()};
};

} // namespace

TEST(PathDelimiter, AppendAndRemove)
{
    EXPECT_EQ(AppendPathDelimiter(""), "");
    EXPECT_EQ(AppendPathDelimiter("/"), "/");
    EXPECT_EQ(AppendPathDelimiter("/a/b"), "/a/b/");
    EXPECT_EQ(AppendPathDelimiter("/a/b/"), "/a/b/");
    // A name ending in a multi-byte character is not mistaken for a delimiter.
    EXPECT_EQ(AppendPathDelimiter(QStringLiteral("/tmp/表")), QStringLiteral("/tmp/表/"));

    EXPECT_EQ(RemovePathDelimiter(""), "");
    EXPECT_EQ(RemovePathDelimiter("/"), "/");
    EXPECT_EQ(RemovePathDelimiter("/a/b/"), "/a/b");
    EXPECT_EQ(RemovePathDelimiter("/a/b//"), "/a/b/");
    EXPECT_EQ(RemovePathDelimiter("/a/b"), "/a/b");

    EXPECT_EQ(CombinePath("/a", "x.bmp"), "/a/x.bmp");
    EXPECT_EQ(CombinePath("/a/", "x.bmp"), "/a/x.bmp");
    EXPECT_EQ(CombinePath("/", "x.bmp"), "/x.bmp");
    EXPECT_EQ(CombinePath("", "x.bmp"), "x.bmp");

    EXPECT_FALSE(EndsWithChar("", u'/'));
    EXPECT_TRUE(EndsWithChar("a/", u'/'));
}

TEST(FolderExistsTest, DistinguishesFoldersFilesAndMissingPaths)
{
    QTemporaryDir dir;
    Touch(dir.filePath("file"));
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_TRUE(FolderExists(dir.path() + "/"));
    EXPECT_FALSE(FolderExists(dir.filePath("file")));
    EXPECT_FALSE(FolderExists(dir.filePath("missing")));
    EXPECT_FALSE(FolderExists(""));
}

TEST(CollectFilesTest, ListsFilesRecursivelyAndSkipsDotNames)
{
    QTemporaryDir dir;
    Touch(dir.filePath("a.BMP"));
    Touch(dir.filePath("sub/b.bmp"));
    Touch(dir.filePath("sub/deeper/c.jpg"));
    Touch(dir.filePath(".x.bmp"));
    Touch(dir.filePath(".git/inside.bmp"));
    Touch(dir.filePath("sub/.hidden/d.bmp"));

    QStringList list{"kept"};
    CollectFiles(list, dir.path());
    EXPECT_EQ(Sorted(list), Sorted({"kept", dir.filePath("a.BMP"), dir.filePath("sub/b.bmp"),
                                    dir.filePath("sub/deeper/c.jpg")}));

    QStringList withDelimiter;
    CollectFiles(withDelimiter, dir.path() + "/");
    EXPECT_EQ(withDelimiter.size(), 3);
    EXPECT_TRUE(withDelimiter.contains(dir.path() + "/a.BMP"));

    QStringList missing{"kept"};
    CollectFiles(missing, dir.filePath("missing"));
    EXPECT_EQ(missing, QStringList{"kept"});
}

TEST(CollectFilesTest, LinkCycleIsListedOnce)
{
    QTemporaryDir dir;
    Touch(dir.filePath("sub/a.bmp"));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath("sub/loop")));
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath("sub/loop2")));
    QStringList list;
    CollectFiles(list, dir.path());
    EXPECT_EQ(list, QStringList{dir.filePath("sub/a.bmp")});
}

TEST(RemoveFolderTreeTest, KeepsOrRemovesTheFolderItself)
{
    QTemporaryDir dir;
    const QString root = dir.filePath("work");
    Touch(root + "/a.bmp");
    Touch(root + "/.dot");
    Touch(root + "/sub/.git/b");

    RemoveFolderTree(root, false);
    EXPECT_TRUE(FolderExists(root));
    EXPECT_TRUE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    Touch(root + "/again/c.bmp");
    RemoveFolderTree(root, true);
    EXPECT_FALSE(QFileInfo::exists(root));
}

TEST(RemoveFolderTreeTest, DoesNotFollowLinksOutOfTheTree)
{
    QTemporaryDir dir;
    Touch(dir.filePath("outside/keep.bmp"));
    Touch(dir.filePath("work/a.bmp"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside"), dir.filePath("work/link")));

    RemoveFolderTree(dir.filePath("work"), true);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("work")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("outside/keep.bmp")));
}

TEST(TempFolders, UniqueFoldersWithTheirTemporaryFileGone)
{
    TempDirScope temp;
    const QString first = MakeUniqueTempFolder("KD");
    const QString second = MakeUniqueTempFolder("KD");
    EXPECT_NE(first, second);
    for (const QString& folder : {first, second}) {
        EXPECT_TRUE(FolderExists(folder));
        EXPECT_EQ(QFileInfo(folder).path(), QDir(temp.Path()).path());
        EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        EXPECT_TRUE(QRegularExpression("^KD[0-9A-F]{4}\\.dir$").match(QFileInfo(folder).fileName()).hasMatch())
            << folder.toStdString();
    }
    // Only the two folders remain: the .tmp files used for the names are gone.
    EXPECT_EQ(QDir(temp.Path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

TEST(TempFolders, TempFileNameCreatesTheFile)
{
    TempDirScope temp;
    const QString name = MakeTempFileName("KDX");
    EXPECT_TRUE(QFileInfo(name).isFile());
    EXPECT_TRUE(QRegularExpression("^KDX[0-9A-F]{4}\\.tmp$").match(QFileInfo(name).fileName()).hasMatch());
}

TEST(TempFolders, UnwritableTemporaryFolderGivesUpWithAnError)
{
    TTmpDirOverride tmpDir("/proc"); // no file can be created there, even by root
    EXPECT_THROW(MakeUniqueTempFolder("KD"), EFolderError);
}

TEST(MakeFolderPathTest, CreatesParentsAndRefusesEmptyPath)
{
    QTemporaryDir dir;
    EXPECT_TRUE(MakeFolderPath(dir.filePath("a/b/c/")));
    EXPECT_TRUE(FolderExists(dir.filePath("a/b/c")));
    EXPECT_TRUE(MakeFolderPath(dir.filePath("a/b")));
    EXPECT_TRUE(MakeFolderPath("/"));
    Touch(dir.filePath("file"));
    EXPECT_FALSE(MakeFolderPath(dir.filePath("file/sub")));
    EXPECT_THROW(MakeFolderPath(""), EFolderError);
}

// The scan of a host folder stays inside it: links out are not followed,
// only regular files are listed, and a link back inside adds nothing.
TEST(CollectFilesTest, StaysInsideTheFolderAndListsOnlyRegularFiles)
{
    QTemporaryDir dir;
    const QString host = dir.filePath("host");
    Touch(host + "/a.bmp");
    Touch(host + "/sub/b.bmp");
    Touch(dir.filePath("outside/victim.bmp"));
    Touch(dir.filePath("outside/sub/victim2.bmp"));
    ASSERT_TRUE(QFile::link("../outside", host + "/ext"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside/victim.bmp"), host + "/linked.bmp"));
    ASSERT_TRUE(QFile::link("/", host + "/root"));
    ASSERT_TRUE(QFile::link(host + "/sub", host + "/again"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(host + "/x.bmp").constData(), 0600), 0);

    QStringList list;
    CollectFiles(list, host);
    // "again" leads back to "sub": its file is listed once, by one path.
    ASSERT_EQ(list.size(), 3) << list.join(", ").toStdString();
    EXPECT_TRUE(list.contains(host + "/a.bmp"));
    EXPECT_TRUE(list.contains(host + "/linked.bmp")) << "a linked file inside stays";
    EXPECT_TRUE(list.contains(host + "/sub/b.bmp") || list.contains(host + "/again/b.bmp"));

    EXPECT_TRUE(IsInsideFolder(host + "/sub/b.bmp", host));
    EXPECT_TRUE(IsInsideFolder(host + "/new.bmp", host));
    EXPECT_FALSE(IsInsideFolder(host + "/linked.bmp", host));
    EXPECT_FALSE(IsInsideFolder(host + "/ext/victim.bmp", host));
}

TEST(TempFolders, APlantedFolderOrLinkIsNeverTaken)
{
    TempDirScope temp;
    QTemporaryDir victim;
    Touch(victim.filePath("keep.bmp"));
    // Every name the folder could get is already taken by a link.
    for (int number = 0; number < 0x10000; ++number) {
        const QString name = "KD" + QStringLiteral("%1").arg(number, 4, 16, QChar(u'0')).toUpper() + ".dir";
        ASSERT_EQ(::symlink(QFile::encodeName(victim.path()).constData(), QFile::encodeName(temp.Path() + "/" + name).constData()), 0);
    }
    EXPECT_THROW(MakeUniqueTempFolder("KD"), EFolderError);
    EXPECT_EQ(QDir(victim.path()).entryList(QDir::Files), QStringList{"keep.bmp"});
}

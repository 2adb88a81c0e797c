#include "widgets/UDropFile.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Sends a drag entry and, when the window takes it, the drop; true when the
// drop was accepted.
bool DropOn(QWidget& window, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
}

QUrl Url(const QString& text)
{
    return QUrl(text);
}

} // namespace

TEST(TDropFile, OnlyLocalFilesAreTakenAndPathsStayWhole)
{
    const QString longPath = QStringLiteral("/tmp/") + QString(120, u'a') + u'/' + QString(120, u'b') + u'/'
                             + QString(49, u'c') + QStringLiteral("動画.avi");
    ASSERT_GT(longPath.size(), 260);
    const struct
    {
        QList<QUrl> urls;
        QStringList paths;
    } cases[] = {
        {{QUrl::fromLocalFile(QStringLiteral("/v/a b.avi")), QUrl::fromLocalFile(QStringLiteral("/v/c.mp4"))},
         {QStringLiteral("/v/a b.avi"), QStringLiteral("/v/c.mp4")}},
        {{QUrl::fromLocalFile(longPath)}, {longPath}},
        {{Url(QStringLiteral("file://localhost/v/a.avi"))}, {QStringLiteral("/v/a.avi")}},
        {{Url(QStringLiteral("file://server/share/a.avi"))}, {}},
        {{Url(QStringLiteral("https://example.org/a.avi")), QUrl::fromLocalFile(QStringLiteral("/v/b.avi"))},
         {QStringLiteral("/v/b.avi")}},
        {{Url(QStringLiteral("smb://server/a.avi"))}, {}},
    };
    for (const auto& c : cases) {
        QMimeData data;
        data.setUrls(c.urls);
        EXPECT_EQ(TDropFile::LocalPaths(data), c.paths) << c.urls.constFirst().toString().toStdString();
    }
}

TEST(TDropFile, CollectsTheDropAndRaisesOnDrop)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("folder/sub"));
    for (const char* name : {"folder/1.avi", "folder/sub/2.avi"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString folder = dir.filePath(QStringLiteral("folder"));
    const QString movie = dir.filePath(QStringLiteral("m.avi"));
    const QList<QUrl> urls{QUrl::fromLocalFile(folder), QUrl::fromLocalFile(movie)};

    QWidget window;
    TDropFile dropFile(&window);
    EXPECT_TRUE(window.acceptDrops()) << "attaching switches accepting on";
    int raised = 0;
    QObject::connect(&dropFile, &TDropFile::OnDrop, [&](QObject* sender) {
        EXPECT_EQ(sender, &dropFile);
        ++raised;
    });

    ASSERT_TRUE(DropOn(window, urls));
    EXPECT_EQ(dropFile.DroppedFiles(), QStringList({folder, movie}));

    dropFile.SetExpandFolder(true);
    ASSERT_TRUE(DropOn(window, urls));
    QStringList expanded = dropFile.DroppedFiles();
    expanded.sort();
    EXPECT_EQ(expanded, QStringList({dir.filePath(QStringLiteral("folder/1.avi")),
                                     dir.filePath(QStringLiteral("folder/sub/2.avi")), movie}));

    dropFile.SetExpandFolder(false);
    dropFile.SetOneFileOnly(true);
    ASSERT_TRUE(DropOn(window, {QUrl::fromLocalFile(movie), QUrl::fromLocalFile(folder)}));
    EXPECT_EQ(dropFile.DroppedFiles(), QStringList({movie}));
    EXPECT_EQ(raised, 3);

    EXPECT_FALSE(DropOn(window, {Url(QStringLiteral("https://example.org/a.avi"))}));
    dropFile.SetAcceptDrop(false);
    EXPECT_FALSE(window.acceptDrops());
    EXPECT_FALSE(DropOn(window, {QUrl::fromLocalFile(movie)}));
    EXPECT_EQ(raised, 3);
}

TEST(TDropFile, AttachingMovesAcceptingToTheNewTarget)
{
    QWidget first, second;
    TDropFile dropFile(&first);
    dropFile.SetTarget(&second);
    EXPECT_FALSE(first.acceptDrops());
    EXPECT_TRUE(second.acceptDrops());
    dropFile.SetOwnerIsTarget(true);
    EXPECT_TRUE(first.acceptDrops());
    EXPECT_FALSE(second.acceptDrops());
}

#include "widgets/UDropFile.h"

#include "support/Pathutil.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

TDropFile::TDropFile(QWidget* owner)
    : TMessageWatcher(owner)
{
    TMessageWatcher::SetOwnerIsTarget(ownerIsTarget);
}

TDropFile::~TDropFile()
{
    SetTarget(nullptr); // gives the window back its own drop setting
}

void TDropFile::SetOwnerIsTarget(bool value)
{
    ownerIsTarget = value;
    TMessageWatcher::SetOwnerIsTarget(value);
}

void TDropFile::SetAcceptDrop(bool value)
{
    acceptDrop = value;
    if (Target())
        Target()->setAcceptDrops(value);
}

void TDropFile::TargetChanged(QWidget* previous)
{
    if (previous)
        previous->setAcceptDrops(false);
    // Attaching always switches accepting on, as the window would otherwise
    // never see a drop.
    if (Target()) {
        acceptDrop = true;
        Target()->setAcceptDrops(true);
    }
}

QStringList TDropFile::LocalPaths(const QMimeData& data)
{
    QStringList paths;
    if (!data.hasUrls())
        return paths;
    const QList<QUrl> urls = data.urls();
    for (QUrl url : urls) {
        // "file://localhost/x" is a local file; "file://server/x" is not.
        if (!url.isLocalFile() || (!url.host().isEmpty() && url.host() != u"localhost"))
            continue;
        url.setHost({});
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void TDropFile::HandleEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (acceptDrop && !LocalPaths(*drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!acceptDrop || LocalPaths(*drop->mimeData()).isEmpty()) {
            drop->ignore();
            break;
        }
        drop->acceptProposedAction();
        CollectDrop(*drop->mimeData());
        emit OnDrop(this);
        break;
    }
    default:
        break;
    }
}

void TDropFile::CollectDrop(const QMimeData& data)
{
    droppedFiles.clear();
    QStringList paths = LocalPaths(data);
    if (oneFileOnly && paths.size() > 1)
        paths.resize(1);
    for (const QString& path : std::as_const(paths)) {
        if (expandFolder && Pathutil::FolderExists(path))
            Pathutil::CollectFiles(droppedFiles, path);
        else
            droppedFiles.append(path);
    }
}

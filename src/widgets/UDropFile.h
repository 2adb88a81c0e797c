#pragma once

#include "widgets/TMessageWatcher.h"

#include <QStringList>

class QMimeData;

// Drop target for files: watches a target window (by default the owner's
// window) and turns local files dropped on it into a list of paths. Only
// local files count (file: URLs without a remote host); other dropped items
// are ignored, and a drag that carries no local file is refused. Paths are
// kept whole, however long.
class TDropFile : public TMessageWatcher
{
    Q_OBJECT
public:
    explicit TDropFile(QWidget* owner);
    ~TDropFile() override;

    // The target is the owning widget's window (attached at construction).
    bool OwnerIsTarget() const { return ownerIsTarget; }
    void SetOwnerIsTarget(bool value);
    // The target accepts dropped files; off, it refuses them.
    bool AcceptDrop() const { return acceptDrop; }
    void SetAcceptDrop(bool value);
    // Only the first dropped file is taken.
    bool OneFileOnly() const { return oneFileOnly; }
    void SetOneFileOnly(bool value) { oneFileOnly = value; }
    // A dropped folder is replaced by all files below it (CollectFiles).
    bool ExpandFolder() const { return expandFolder; }
    void SetExpandFolder(bool value) { expandFolder = value; }

    // The paths of the last drop.
    const QStringList& DroppedFiles() const { return droppedFiles; }

    // The local file paths a drag carries, in the order of its URI list.
    static QStringList LocalPaths(const QMimeData& data);

signals:
    // Raised after the paths of a drop have been collected.
    void OnDrop(QObject* sender);

protected:
    void HandleEvent(QEvent* event) override;
    void TargetChanged(QWidget* previous) override;

private:
    void CollectDrop(const QMimeData& data);

    bool ownerIsTarget = true;
    bool acceptDrop = true;
    bool oneFileOnly = false;
    bool expandFolder = false;
    QStringList droppedFiles;
};

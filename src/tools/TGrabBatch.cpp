#include "tools/TGrabBatch.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

// The subfolder for a video file: its name without the extension (the whole
// name when that leaves nothing usable, as for ".mp4" or "..mp4").
QString SubfolderName(const QFileInfo& file)
{
    const QString base = file.completeBaseName();
    return base.isEmpty() || base == "." || base == ".." ? file.fileName() : base;
}

} // namespace

const QStringList& TGrabBatch::VideoExtensions()
{
    // The types of the window's open dialog.
    static const QStringList extensions = {"avi", "wmv", "asf", "m1v",  "m2v", "mp4", "m4v", "mp4v", "mov", "mpg",
                                           "mpeg", "3gp", "3g2", "rm", "rmvb", "flv", "vob", "dv",  "mod"};
    return extensions;
}

TGrabBatch::TGrabBatch(const TGrabOptions& options) : options(options)
{
    const QStringList& inputs = options.Inputs();
    subfolders = inputs.size() > 1 || options.Recursive() || QFileInfo(inputs.front()).isDir();
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            if (options.Recursive())
                AddFolder(input);
            else
                problems << QString("%1: a folder (take its videos with --recursive)").arg(input);
        } else {
            // Whatever is wrong with it (missing, unreadable) the grab says.
            AddJob(input, SubfolderName(info));
        }
    }
}

void TGrabBatch::AddFolder(const QString& folder)
{
    const QDir root(QFileInfo(folder).absoluteFilePath());
    QStringList found;
    QDirIterator walk(root.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        walk.next();
        const QString relative = root.relativeFilePath(walk.fileInfo().absoluteFilePath());
        // Hidden files and anything inside hidden folders stay out.
        if (relative.startsWith('.') || relative.contains(QStringLiteral("/.")))
            continue;
        if (VideoExtensions().contains(walk.fileInfo().suffix().toLower()))
            found << relative;
    }
    if (found.isEmpty()) {
        problems << QString("%1: no video files").arg(folder);
        return;
    }
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const QString& relative : found) {
        const QFileInfo file(relative);
        const QString name = SubfolderName(file);
        // The video's path starts with the folder as it was given.
        AddJob(QDir(folder).filePath(relative), file.path() == "." ? name : file.path() + '/' + name);
    }
}

void TGrabBatch::AddJob(const QString& video, const QString& name)
{
    if (!subfolders) {
        jobs.push_back({video, options.OutputFolder()});
        return;
    }
    QString unique = name;
    for (int n = 2; usedNames.contains(unique, Qt::CaseInsensitive); ++n)
        unique = QString("%1_%2").arg(name).arg(n);
    usedNames << unique;
    jobs.push_back({video, QDir(options.OutputFolder()).filePath(unique)});
}

int TGrabBatch::Run(const std::function<int(const TGrabOptions& one)>& grab) const
{
    int status = 0;
    for (const QString& problem : problems) {
        std::fprintf(stderr, "pellumo-grab: %s\n", qPrintable(problem));
        status = 1;
    }
    QStringList failed;
    for (const TJob& job : jobs) {
        int result = 1;
        try {
            result = grab(options.ForVideo(job.Video, job.Folder));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "pellumo-grab: %s: %s\n", qPrintable(job.Video), error.what());
        }
        if (result != 0)
            failed << job.Video;
        status = std::max(status, result);
    }
    if (subfolders && !failed.isEmpty())
        std::fprintf(stderr, "pellumo-grab: %d of %d videos not done completely: %s\n", int(failed.size()),
                     int(jobs.size()), qPrintable(failed.join(QStringLiteral(", "))));
    return status;
}

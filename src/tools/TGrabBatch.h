#pragma once

#include "tools/TGrabOptions.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Several inputs for pellumo-grab: which videos, and where each one's
// pictures go.
//
// One input that is not a folder, without --recursive, keeps the output
// folder itself. Otherwise every video gets a subfolder of it named after the
// file without its extension; videos found below a FOLDER (--recursive) keep
// their path there. A name that was given out before (compared without regard
// to case) gets "_2", "_3", ... Folders are
// walked in path order, leaving out names that start with "."; only files
// with a video extension of the open dialog count there (a file named on the
// command line is always tried).
class TGrabBatch
{
public:
    struct TJob
    {
        QString Video;
        QString Folder; // where its pictures go
    };

    explicit TGrabBatch(const TGrabOptions& options);

    const std::vector<TJob>& Jobs() const { return jobs; }
    // Inputs that gave no video: a folder without --recursive, a folder
    // without video files, a name that does not exist. One message each.
    const QStringList& Problems() const { return problems; }

    // Reports the problems, runs `grab` on every job (each with the options
    // for its own video and folder) and returns the exit status: 0 when
    // every job returned 0 and there was no problem, else the largest status
    // (at least 1). A summary names the videos that failed.
    int Run(const std::function<int(const TGrabOptions& one)>& grab) const;

    // The extensions (lower case, without the dot) taken from folders.
    static const QStringList& VideoExtensions();

private:
    void AddFolder(const QString& folder);
    void AddJob(const QString& video, const QString& name);

    const TGrabOptions& options;
    std::vector<TJob> jobs;
    QStringList problems;
    QStringList usedNames; // subfolder names given out, compared without regard to case
    bool subfolders = false;
};

#pragma once

#include "picture/UImageWriter.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

// Saving scene pictures to files the user names: which format, which file
// names, and writing them.

enum class TSaveFormat { Bmp, Jpeg, Png };

// The local time as "yyyymmddhhnnss_", the base name proposed for a series.
QString SaveTimestamp(const QDateTime& time);
// The name proposed for several scenes: the timestamp in the folder of the
// previous name (a bare timestamp when the previous name had no folder).
QString ProposedSeriesName(const QString& previousName, const QDateTime& now);

// The extension of the file-name part, with its dot ("" when there is none;
// a leading dot starts a hidden name, not an extension).
QString FileNameExtension(const QString& fileName);
// A typed extension naming a format (.bmp, .jpg, .jpeg, .png, any letter case)
// decides; otherwise the dialog's filter (1-based): 2 JPEG, 3 PNG, else BMP.
TSaveFormat SaveFormatFor(const QString& fileName, int filterIndex);
QString FormatExtension(TSaveFormat format);

// What goes into one file.
struct TSaveTarget
{
    int Scene;          // scene index
    QString FileName;
};

// The files one save writes, worked out before anything is written. One
// scene: the chosen name, with the format's extension when it has none.
// Several: per scene, the chosen name without its extension, the scene number
// (index + 1) as three digits, and the format's extension.
class TSavePlan
{
public:
    TSavePlan(const QString& chosenName, int filterIndex, const QList<int>& scenes);

    TSaveFormat Format() const { return format; }
    const QList<TSaveTarget>& Targets() const { return targets; }

    // How many targets exist already, not counting `confirmed` (the name the
    // save dialog itself asked about).
    int ExistingCount(const QString& confirmed) const;
    // The first target that is one of `files` (the scene files and the
    // exchange file), or an empty text.
    QString FirstProtected(const QStringList& files) const;

private:
    TSaveFormat format;
    QList<TSaveTarget> targets;
};

// A failed save; names the file that was not written.
class ESaveError : public std::runtime_error
{
public:
    ESaveError(const QString& fileName, const QString& reason);
    const QString& FileName() const { return fileName; }

private:
    QString fileName;
};

// The picture of a scene as it is saved; a null image when it could not be
// obtained.
struct TScenePicture
{
    QImage Image;
    TImageTexts Texts;   // provenance, for the formats that carry text
};

// The provenance stored with a saved picture: the program, and the movie and
// position (milliseconds) the scene was taken from when it has an origin,
// with what was done to the stored picture to show it (the decoder's
// PictureCorrection) when anything was.
TImageTexts ProvenanceTexts(const QString& program, const QString& movie, int position,
                            const QString& correction = {});

// Writes one picture in the format (each file through a temporary name).
void WritePicture(const TScenePicture& picture, const QString& fileName, TSaveFormat format);

// Writes every target in order. The first failure raises ESaveError naming
// its file; the files written before it stay.
void WriteSavePlan(const TSavePlan& plan, const std::function<TScenePicture(int scene)>& pictureOf);

#pragma once

#include <QImage>
#include <QList>
#include <QString>

class TGrabOptions;
class TMovieDecoder;
class TSafetyBitmap;

// What pellumo-grab prints on standard output for each video: text lines, or
// with --json one JSON object per line. Each line is flushed at once, so a
// consumer reading the pipe sees a picture as soon as it is written. Every
// function returns false when standard output could not take the line.

// "backend=ffmpeg|avi duration=<ms> size=<w>x<h>", or
// {"type":"video","video":...,"backend":...,"duration":...,"width":...,"height":...}
bool PrintVideoLine(const TGrabOptions& options, const TMovieDecoder& decoder);
// "<number>\t<position>\t<path>", or
// {"type":"picture","video":...,"index":...,"position":...,"frame":...,"file":...};
// frame: the own position of the frame written.
bool PrintPictureLine(const TGrabOptions& options, int number, int position, int frame, const QString& path);
// "sheet\t<pictures>\t<path>", or
// {"type":"sheet","video":...,"positions":[...],"frames":[...],"file":...}
// (frames: each cell's frame, -1 for an empty cell).
bool PrintSheetLine(const TGrabOptions& options, const QList<int>& positions, const QList<int>& frames,
                    const QString& path);
// "<position>", or {"type":"cut","video":...,"index":...,"position":...}
bool PrintCutLine(const TGrabOptions& options, int number, int position);
// "shots\t<found>\t<taken>\t<duplicates>", or
// {"type":"shots","video":...,"shots":...,"taken":...,"duplicates":...}
bool PrintShotsLine(const TGrabOptions& options, int found, int taken, int duplicates);

// Writes a picture in the chosen format (through the safe write helper).
void WriteGrabPicture(const QImage& image, const QString& path, const TGrabOptions& options);
// Picture `number` of the output folder, DIR/NNN.ext, de-interlaced when
// asked; false, with the reason on standard error, when it cannot be written.
bool WriteNumberedPicture(const TSafetyBitmap& frame, int number, const TGrabOptions& options, QString& path);

// "pellumo-grab: <message>" on standard error.
void PrintGrabError(const QString& message);

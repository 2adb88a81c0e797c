#pragma once

#include <QList>
#include <QString>

class TGrabOptions;
class TMovieDecoder;

// What pellumo-grab prints on standard output for each video: text lines, or
// with --json one JSON object per line. Each line is flushed at once, so a
// consumer reading the pipe sees a picture as soon as it is written. Every
// function returns false when standard output could not take the line.

// "backend=ffmpeg|avi duration=<ms> size=<w>x<h>", or
// {"type":"video","video":...,"backend":...,"duration":...,"width":...,"height":...}
bool PrintVideoLine(const TGrabOptions& options, const TMovieDecoder& decoder);
// "<number>\t<position>\t<path>", or
// {"type":"picture","video":...,"index":...,"position":...,"file":...}
bool PrintPictureLine(const TGrabOptions& options, int number, int position, const QString& path);
// "sheet\t<pictures>\t<path>", or
// {"type":"sheet","video":...,"positions":[...],"file":...}
bool PrintSheetLine(const TGrabOptions& options, const QList<int>& positions, const QString& path);

// "pellumo-grab: <message>" on standard error.
void PrintGrabError(const QString& message);

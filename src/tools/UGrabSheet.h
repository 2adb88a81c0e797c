#pragma once

#include <QCoreApplication>

#include <memory>

class TGrabOptions;
class TMovieDecoder;

// pellumo-grab --sheet: the contact sheet of one open video.

// The application object of pellumo-grab: a QGuiApplication on the offscreen
// platform when the command line asks for a sheet (its text needs fonts; no
// display is needed, so it runs over ssh too), a QCoreApplication otherwise.
std::unique_ptr<QCoreApplication> MakeGrabApplication(int& argc, char** argv);

// Fetches the sheet's pictures (COLS x ROWS positions at equal intervals over
// the range), draws the sheet and writes DIR/sheet.png or .jpg with its
// provenance. A position without a frame leaves its cell empty, is reported
// and makes the result 1; a sheet that cannot be written gives 1.
int WriteGrabSheet(TMovieDecoder& decoder, const TGrabOptions& options);

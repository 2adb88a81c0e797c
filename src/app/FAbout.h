#pragma once

#include <QCoreApplication>
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// The notice on FFmpeg's licence for the licence string the linked libraries
// report (avutil_license()): the LGPL wording for LGPL builds, the GPL for
// the GPL builds many distributions ship, otherwise the string itself.
QString FFmpegLicenseNotice(const QString& license);

// The About box: the program's name, its version from the program file as
// the group box caption, the maker's notice and the FFmpeg notice with a link
// to the FFmpeg project's site.
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* FFmpegSite = "https://ffmpeg.org/";

    // programFile: the file whose version is shown (the running program).
    explicit TfrmAbout(QWidget* parent = nullptr,
                       const QString& programFile = QCoreApplication::applicationFilePath());

    QGroupBox* gpVersion;
    QLabel* txtAppName;
    QLabel* txtCopyright;
    QLabel* SpeedButton1; // the program's picture
    QLabel* lblFFMpeg;
    QLabel* urlFFMpeg;
    QLabel* lblLGPL;
    QPushButton* btnOk;
};

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the built pellumo-grab (PELLUMO_GRAB_PATH, defined by the test
// program's CMakeLists) and keeps what it said.
struct TGrabRun
{
    int exitCode = -1; // -1: it crashed or did not finish
    QString out;
    QString err;
};

inline TGrabRun RunGrab(const QStringList& arguments)
{
    QProcess process;
    process.start(PELLUMO_GRAB_PATH, arguments);
    process.waitForFinished(300000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

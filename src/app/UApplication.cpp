#include "app/UApplication.h"

namespace {
int exitCode = 0;
}

TKadrixApplication::TKadrixApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationDisplayName(QStringLiteral("Pellumo"));
    setApplicationName(QStringLiteral("Pellumo"));
}

bool TKadrixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        return false;
    }
}

int TKadrixApplication::ExitCode()
{
    return exitCode;
}

void TKadrixApplication::SetExitCode(int code)
{
    exitCode = code;
}

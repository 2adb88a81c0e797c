#include "app/UApplication.h"

#include "support/ULog.h"

#include <QLibraryInfo>
#include <QLocale>

namespace {
int exitCode = 0;
}

TKadrixApplication::TKadrixApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // Only the name: a display name would be appended by Qt to every
    // dialog's title ("… — Pellumo"); the main window sets its caption itself.
    setApplicationName(QStringLiteral("Pellumo"));
    // Without the translation (package missing) Qt's texts stay English.
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTranslator);
    else
        qCWarning(lcPellumo, "Qt's Japanese translation (qtbase_ja.qm) was not found");
}

bool TKadrixApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        LogDroppedError("event handler");
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

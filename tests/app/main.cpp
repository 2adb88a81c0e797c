#include "TTestMain.h"
#include "app/UApplication.h"

#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    // Windows keep their recent-movie history in a store of this process,
    // never in the user's.
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    return RunTestsWithApplication<TKadrixApplication>(argc, argv);
}

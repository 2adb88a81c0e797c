#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

// Points TMPDIR (and so QDir::tempPath()) at a folder for the object's life,
// then restores it exactly: unset again when it was unset.
class TTmpDirOverride
{
public:
    explicit TTmpDirOverride(const QString& folder)
        : wasSet(qEnvironmentVariableIsSet("TMPDIR"))
        , previous(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(folder));
    }
    explicit TTmpDirOverride(const char* rawValue)
        : wasSet(qEnvironmentVariableIsSet("TMPDIR"))
        , previous(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", rawValue);
    }
    ~TTmpDirOverride()
    {
        if (wasSet)
            qputenv("TMPDIR", previous);
        else
            qunsetenv("TMPDIR");
    }
    TTmpDirOverride(const TTmpDirOverride&) = delete;
    TTmpDirOverride& operator=(const TTmpDirOverride&) = delete;

private:
    bool wasSet;
    QByteArray previous;
};

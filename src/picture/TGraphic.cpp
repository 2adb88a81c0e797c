#include "picture/TGraphic.h"

#include "picture/EInvalidGraphic.h"

#include <QFile>
#include <QSaveFile>

#include <stdexcept>

void TGraphic::SetTransparent(bool value)
{
    if (transparent == value)
        return;
    transparent = value;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGraphic::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString()).toStdString());
    LoadFromStream(file);
}

void TGraphic::SaveToFile(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(QStringLiteral("Cannot create file \"%1\": %2").arg(path, file.errorString()).toStdString());
    SaveToStream(file);
    if (!file.commit())
        throw std::runtime_error(QStringLiteral("Cannot write file \"%1\": %2").arg(path, file.errorString()).toStdString());
}

#include "app/UHostResult.h"

#include "app/UIniDocument.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UDeinterlace.h"
#include "support/Pathutil.h"

#include <QSaveFile>

#include <memory>
#include <vector>

namespace {

const QString SettingSection = QStringLiteral("Setting");
const QString SelectedSection = QStringLiteral("Selected");

// The file de-interlaced into its temporary file, not yet in place.
std::unique_ptr<QSaveFile> DeinterlacedCopy(const QString& fileName)
{
    if (!Pathutil::CanReplaceFile(fileName))
        throw EHostResultError(fileName, QStringLiteral("the file or its folder is read-only"));
    TSafetyBitmap bitmap;
    try {
        bitmap.LoadFromFile(fileName);
    } catch (const std::exception& error) {
        throw EHostResultError(fileName, QString::fromUtf8(error.what()));
    }
    if (bitmap.Empty())
        throw EHostResultError(fileName, QStringLiteral("no picture"));
    DeinterlaceBitmap(bitmap);
    auto copy = std::make_unique<QSaveFile>(fileName);
    if (!copy->open(QIODevice::WriteOnly))
        throw EHostResultError(fileName, copy->errorString());
    try {
        bitmap.SaveToStream(*copy);
    } catch (const std::exception& error) {
        throw EHostResultError(fileName, QString::fromUtf8(error.what()));
    }
    return copy;
}

} // namespace

THostOptionState HostOptionState(int option, int buttonMode, int sceneCount, int selectionCount)
{
    bool enabled = false;
    switch (option) {
    case 1: enabled = sceneCount > 0 && selectionCount > 0; break;
    case 2: enabled = sceneCount > 0; break;
    case 3: enabled = sceneCount >= 2 && selectionCount != 1; break;
    }
    return {buttonMode == 1, enabled};
}

bool SelectsAllWhenNone(int code)
{
    return code == HostButton::Option2 || code == HostButton::Option3;
}

int HostExitCode(int code)
{
    return code == HostButton::Cancel ? 1 : 0;
}

EHostResultError::EHostResultError(const QString& fileName, const QString& reason)
    : std::runtime_error(QStringLiteral("Cannot hand over %1: %2").arg(fileName, reason).toStdString()),
      fileName(fileName)
{
}

void DeinterlaceSceneFiles(const QStringList& files)
{
    // Until commit every copy is a temporary file; leaving this function by
    // an error discards them all.
    std::vector<std::unique_ptr<QSaveFile>> copies;
    for (const QString& file : files)
        copies.push_back(DeinterlacedCopy(file));
    for (const auto& copy : copies)
        if (!copy->commit())
            throw EHostResultError(copy->fileName(), copy->errorString());
}

void WriteHostResult(TIniDocument& settings, const QStringList& sceneFiles, const QList<int>& selected, int code,
                     const std::function<void()>& putOrigins)
{
    // A path written with "?" would name another file: the host gets no
    // result rather than a wrong one.
    for (int index : selected)
        if (!settings.CanHold(sceneFiles.value(index)))
            throw EHostResultError(settings.FileName(),
                                   QStringLiteral("a scene's path cannot be written in the file's encoding"));
    const TIniDocument before = settings;
    settings.EraseSection(SelectedSection);
    for (int index : selected)
        settings.WriteString(SelectedSection, QString::number(index), sceneFiles.value(index));
    putOrigins();
    settings.WriteInteger(SettingSection, QStringLiteral("ClickedButton"), code);
    try {
        settings.UpdateFile();
    } catch (const EIniFileError& error) {
        settings = before;
        throw EHostResultError(settings.FileName(), QString::fromUtf8(error.what()));
    }
}

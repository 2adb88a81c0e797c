#include "app/UHostResult.h"

#include "app/UHostExchange.h"
#include "app/UIniDocument.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UDeinterlace.h"
#include "support/Pathutil.h"
#include "support/USafeWrite.h"

#include <QBuffer>

#include <memory>
#include <vector>

namespace {

// The file de-interlaced into its temporary file beside it, closed, not yet
// in place.
SafeWrite::TStagedFile DeinterlacedCopy(const QString& fileName, const QString& folder)
{
    if (!Pathutil::CanReplaceFile(fileName))
        throw EHostResultError(fileName, QStringLiteral("the file or its folder is read-only"));
    if (!Pathutil::IsInsideFolder(fileName, folder))
        throw EHostResultError(fileName, QStringLiteral("a link to a file outside the folder"));
    TSafetyBitmap bitmap;
    try {
        bitmap.LoadFromFile(fileName);
    } catch (const std::exception& error) {
        throw EHostResultError(fileName, QString::fromUtf8(error.what()));
    }
    if (bitmap.Empty())
        throw EHostResultError(fileName, QStringLiteral("no picture"));
    DeinterlaceBitmap(bitmap);
    QBuffer data;
    data.open(QIODevice::WriteOnly);
    try {
        bitmap.SaveToStream(data);
        return SafeWrite::TStagedFile(fileName, data.data());
    } catch (const SafeWrite::ESafeWriteError& error) {
        throw EHostResultError(fileName, error.Reason());
    } catch (const std::exception& error) {
        throw EHostResultError(fileName, QString::fromUtf8(error.what()));
    }
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

void DeinterlaceSceneFiles(const QStringList& files, const QString& folder)
{
    // Every new file is written and closed first (no open file per scene);
    // leaving by an error removes them all. Then all are put in place or,
    // when a step fails, none.
    std::vector<SafeWrite::TStagedFile> copies;
    copies.reserve(size_t(files.size()));
    for (const QString& file : files)
        copies.push_back(DeinterlacedCopy(file, folder));
    try {
        SafeWrite::CommitAll(copies);
    } catch (const SafeWrite::ESafeWriteError& error) {
        throw EHostResultError(error.FileName(), error.Reason());
    }
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
    settings.EraseSection(HostExchange::SelectedSection);
    for (int index : selected)
        settings.WriteString(HostExchange::SelectedSection, QString::number(index), sceneFiles.value(index));
    putOrigins();
    settings.WriteInteger(HostExchange::SettingSection, HostExchange::ClickedButtonKey, code);
    try {
        settings.UpdateFile();
    } catch (const EIniFileError& error) {
        settings = before;
        throw EHostResultError(settings.FileName(), QString::fromUtf8(error.what()));
    }
}

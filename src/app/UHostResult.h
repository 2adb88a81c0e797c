#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

class TIniDocument;

// Ending the work for a host: which buttons are offered, and handing the
// result over (scene files, setting.ini, exit code).

// Button codes written as ClickedButton.
namespace HostButton {
inline constexpr int Ok = 0;       // btnOK and "終了(&X)"
inline constexpr int Cancel = 1;
inline constexpr int Option1 = 2;  // "イメージで使用"
inline constexpr int Option2 = 3;  // "背景柄で使用"
inline constexpr int Option3 = 4;  // "複数画像で使用"
} // namespace HostButton

struct THostOptionState
{
    bool Visible;
    bool Enabled;
};

// The rule of host button `option` (1 to 3): shown only when ButtonMode is 1;
// 1 needs a selection, 2 a scene, 3 two scenes and not exactly one selected.
THostOptionState HostOptionState(int option, int buttonMode, int sceneCount, int selectionCount);
// Buttons that select every scene first when nothing is selected.
bool SelectsAllWhenNone(int code);
// The process exit code the host sees: 1 after Cancel, otherwise 0.
int HostExitCode(int code);

// A result that could not be handed over; names the file concerned.
class EHostResultError : public std::runtime_error
{
public:
    EHostResultError(const QString& fileName, const QString& reason);
    const QString& FileName() const { return fileName; }

private:
    QString fileName;
};

// Rewrites every scene file de-interlaced, all or nothing: each file is
// de-interlaced into a closed temporary file beside it; only when every one
// is complete are they put in place, the originals kept aside until the last
// is and put back when a step fails. A file that cannot be read, written or
// replaced, or whose real path lies outside folder (a link), raises
// EHostResultError, and no scene file is changed.
void DeinterlaceSceneFiles(const QStringList& files, const QString& folder);

// Writes the result into setting.ini in one atomic write: Selected (the full
// paths of the selected scenes, by scene index), Position and Movie (put into
// `settings` by putOrigins) and ClickedButton. On failure EHostResultError
// names the file, and neither `settings` nor the file has changed.
void WriteHostResult(TIniDocument& settings, const QStringList& sceneFiles, const QList<int>& selected, int code,
                     const std::function<void()>& putOrigins);

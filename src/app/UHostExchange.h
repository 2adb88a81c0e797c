#pragma once

#include <QString>

// The layout of the file a host and this program exchange in the work folder:
// its name, and the sections and keys either side reads or writes. The host
// spells them exactly so; one place here keeps the three readers and writers
// (the window, the capture store, the host result) in step.
namespace HostExchange {

inline const QString FileName = QStringLiteral("setting.ini");

// What the host asks for, and the button that ended the work.
inline const QString SettingSection = QStringLiteral("Setting");
inline const QString MovieFileNameKey = QStringLiteral("MovieFileName"); // file or folder to open from
inline const QString ButtonModeKey = QStringLiteral("ButtonMode");       // 1: the three option buttons
inline const QString ClickedButtonKey = QStringLiteral("ClickedButton"); // a HostButton code

// The scenes handed back: index in the scene list = full path.
inline const QString SelectedSection = QStringLiteral("Selected");

// Where each scene was taken, by index in the scene list: frame position and movie.
inline const QString PositionSection = QStringLiteral("Position");
inline const QString MovieSection = QStringLiteral("Movie");
// Which scene file each index of Position and Movie belongs to, as a path
// relative to the work folder: the order of the files may change between two
// runs (a capture's timestamp sorts before a host's "a.BMP").
inline const QString SceneFileSection = QStringLiteral("SceneFile");

} // namespace HostExchange

#pragma once

#include <QUrl>

// Opens a web page in the user's browser. Only http and https addresses are
// passed on: anything else (file:, a desktop entry, a bare path) could open
// or run a local file, so it is refused. The result is not shown to the user.
bool IsWebAddress(const QUrl& address);
bool OpenUrl(const QUrl& address);

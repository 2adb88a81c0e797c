#pragma once
// One logging category for errors that a command or a lower layer drops on
// purpose (the user sees no message for them). Silent by default; shown with
//   QT_LOGGING_RULES="pellumo.debug=true;pellumo.warning=true"
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPellumo)

// Logs the exception currently being handled (call inside a catch block).
void LogDroppedError(const char *where) noexcept;

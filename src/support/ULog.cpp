#include "support/ULog.h"

#include <exception>

// Warnings are off unless a logging rule turns them on.
Q_LOGGING_CATEGORY(lcPellumo, "pellumo", QtCriticalMsg)

void LogDroppedError(const char *where) noexcept
{
    try {
        throw;
    } catch (const std::exception &e) {
        qCWarning(lcPellumo, "%s: %s", where, e.what());
    } catch (...) {
        qCWarning(lcPellumo, "%s: unknown error", where);
    }
}

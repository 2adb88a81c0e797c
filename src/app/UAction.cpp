#include "app/UAction.h"

#include "support/ULog.h"

TAction::TAction(const QString& text, QObject* parent)
    : QAction(text, parent)
{
    // Menus, buttons and shortcuts trigger the action; they go through the
    // same path as execution from code.
    connect(this, &QAction::triggered, this, [this] { Execute(); });
}

void TAction::Update()
{
    if (onUpdate)
        onUpdate(*this);
}

bool TAction::Execute()
{
    if (executing)
        return false;
    Update();
    if (!isEnabled() || !onExecute)
        return false;
    executing = true;
    try {
        onExecute();
    } catch (...) {
        // A failed command ends there; the user sees no message for it.
        LogDroppedError("command");
    }
    executing = false;
    return true;
}

#include "widgets/TMessageWatcher.h"

#include <QWidget>

TMessageWatcher::TMessageWatcher(QObject* owner)
    : QObject(owner)
{
}

TMessageWatcher::~TMessageWatcher()
{
    SetTarget(nullptr);
}

void TMessageWatcher::SetTarget(QWidget* window)
{
    if (target == window)
        return;
    QWidget* previous = target;
    if (previous)
        previous->removeEventFilter(this);
    target = window;
    if (target)
        target->installEventFilter(this);
    TargetChanged(previous);
}

void TMessageWatcher::SetOwnerIsTarget(bool value)
{
    auto* owner = qobject_cast<QWidget*>(parent());
    SetTarget(value && owner ? owner->window() : nullptr);
}

bool TMessageWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == target)
        HandleEvent(event);
    return false;
}

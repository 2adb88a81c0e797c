#include "app/UKeyMap.h"

#include "browser/TBrowserListView.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

bool FocusAllows(TKeyFocus rule)
{
    const QWidget* focus = QApplication::focusWidget();
    switch (rule) {
    case TKeyFocus::Anywhere:
        return true;
    case TKeyFocus::NotInTextField:
        return !(qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus)
                 || qobject_cast<const QTextEdit*>(focus) || qobject_cast<const QPlainTextEdit*>(focus));
    case TKeyFocus::NotOnButtonOrList:
        return !(qobject_cast<const QAbstractButton*>(focus) || qobject_cast<const TBrowserListView*>(focus));
    }
    return false;
}

} // namespace

void TKeyMap::Add(TKeyBinding binding)
{
    if (binding.shownOn) {
        binding.shownOn->setShortcut(QKeySequence(binding.modifiers | binding.key));
        binding.shownOn->setShortcutContext(Qt::WidgetShortcut); // never fired by Qt itself
    }
    bindings.push_back(std::move(binding));
}

const TKeyBinding* TKeyMap::Find(const QKeyEvent& key) const
{
    for (const TKeyBinding& binding : bindings)
        if (key.key() == binding.key && (key.modifiers() & ~binding.ignored) == binding.modifiers
            && FocusAllows(binding.focus))
            return &binding;
    return nullptr;
}

bool TKeyMap::Handle(QKeyEvent& event) const
{
    const TKeyBinding* binding = Find(event);
    if (!binding)
        return false;
    if (event.type() == QEvent::ShortcutOverride) {
        if (!binding->claimed)
            return false;
        event.accept(); // handled when it arrives as a key press
        return true;
    }
    return binding->run() || binding->claimed;
}

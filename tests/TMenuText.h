#pragma once

// What a menu shows, for comparing with what a user would see.

#include <QAction>
#include <QMenu>
#include <QStringList>

// Visible items' captions as displayed ("&&" shows as "&", accelerator marks
// dropped), "-" for separators.
inline QStringList ShownItems(const QMenu& menu)
{
    QStringList shown;
    for (const QAction* item : menu.actions())
        if (item->isVisible())
            shown.append(item->isSeparator() ? QStringLiteral("-") : item->iconText());
    return shown;
}

// The visible item showing caption; nullptr when there is none.
inline QAction* ShownItem(const QMenu& menu, const QString& caption)
{
    for (QAction* item : menu.actions())
        if (item->isVisible() && !item->isSeparator() && item->iconText() == caption)
            return item;
    return nullptr;
}

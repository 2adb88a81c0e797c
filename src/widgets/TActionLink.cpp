#include "widgets/TActionLink.h"

#include <QAbstractButton>
#include <QAction>

TActionLink::TActionLink(QAbstractButton* button, QAction* action)
    : QObject(button)
    , button(button)
    , action(action)
    , ownText(!button->text().isEmpty())
    , ownHint(!button->toolTip().isEmpty())
    , ownIcon(!button->icon().isNull())
{
    connect(action, &QAction::changed, this, &TActionLink::Sync);
    connect(button, &QAbstractButton::clicked, action, [this] {
        if (this->action)
            this->action->trigger();
    });
    Sync();
}

TActionLink* TActionLink::Bind(QAbstractButton* button, QAction* action)
{
    return new TActionLink(button, action);
}

void TActionLink::Sync()
{
    if (!action)
        return;
    if (!ownText)
        button->setText(action->text());
    if (!ownHint)
        button->setToolTip(action->toolTip() == action->text() ? QString() : action->toolTip());
    if (!ownIcon)
        button->setIcon(action->icon());
    button->setEnabled(action->isEnabled());
    button->setVisible(action->isVisible());
}

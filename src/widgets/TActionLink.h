#pragma once

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QAction;

// Binds a button to an action the way the window's designer does: the button
// shows the action's caption, hint and icon only where it has none of its own,
// follows the action's enabled and visible states, and triggers the action
// when clicked. Owned by the button.
class TActionLink : public QObject
{
    Q_OBJECT
public:
    static TActionLink* Bind(QAbstractButton* button, QAction* action);

    QAction* Action() const { return action; }

private:
    TActionLink(QAbstractButton* button, QAction* action);
    void Sync();

    QAbstractButton* button;
    QPointer<QAction> action;
    bool ownText;
    bool ownHint;
    bool ownIcon;
};

#pragma once

#include <QKeySequence>
#include <Qt>
#include <functional>
#include <vector>

class QAction;
class QKeyEvent;

// Where the focus may be for a key to be the window's rather than the
// focused control's.
enum class TKeyFocus {
    Anywhere,
    NotInTextField,    // a text field keeps the key for its own text
    NotOnButtonOrList, // a focused button or the scene list takes the key itself
};

// One key of the window.
struct TKeyBinding
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers; // held, exactly, once the ignored ones are left out
    Qt::KeyboardModifiers ignored;
    TKeyFocus focus;
    // A claimed key is taken before menu shortcuts and controls see it and is
    // used up even when its command is disabled; any other key goes on when
    // run answers false.
    bool claimed;
    std::function<bool()> run;
    // The menu item that shows the key (the key map runs it, Qt never does).
    QAction* shownOn = nullptr;
};

// The window's keys: one table, consulted by the window's application-wide
// event filter for every key press and shortcut override in the window. A
// key with no binding, or one whose focus rule refuses it, goes on to the
// focused control (the position bar's arrows, Page Up/Down, Home and End)
// and the menus (Ctrl+O, Ctrl+S, F1).
class TKeyMap
{
public:
    void Add(TKeyBinding binding);
    // The binding for key with the focus where it is now; nullptr when none.
    const TKeyBinding* Find(const QKeyEvent& key) const;
    // Handles a key press or shortcut override; true when it is used up.
    bool Handle(QKeyEvent& event) const;

    // Ctrl held, whatever else is (Shift, Alt, keypad).
    static constexpr Qt::KeyboardModifiers AnyButCtrl = ~Qt::KeyboardModifiers(Qt::ControlModifier);

private:
    std::vector<TKeyBinding> bindings;
};

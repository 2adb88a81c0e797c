#pragma once

#include <QAction>
#include <functional>

// A command with its enabling rule. The rule runs when the window is idle
// and again before every execution; an action that comes out disabled does
// nothing. Errors escaping the handler end the command silently.
class TAction : public QAction
{
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using Rule = std::function<void(TAction&)>;

    TAction(const QString& text, QObject* parent);

    void SetOnExecute(Handler handler) { onExecute = std::move(handler); }
    void SetOnUpdate(Rule rule) { onUpdate = std::move(rule); }
    void Bind(Handler handler, Rule rule)
    {
        SetOnExecute(std::move(handler));
        SetOnUpdate(std::move(rule));
    }

    // Evaluates the enabling rule (sets enabled, visible, checked).
    void Update();
    // Runs the rule, then the handler when enabled; true when it ran.
    bool Execute();

private:
    Handler onExecute;
    Rule onUpdate;
    bool executing = false;
};

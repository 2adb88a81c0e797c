#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Sees every event sent to a target window before the window does, and hands
// it to HandleEvent; the window's own handling is never changed. The base of
// components such as the file drop target.
class TMessageWatcher : public QObject
{
    Q_OBJECT
public:
    explicit TMessageWatcher(QObject* owner = nullptr);
    ~TMessageWatcher() override;

    QWidget* Target() const { return target; }
    void SetTarget(QWidget* window);
    // Watches the owning widget's window (the owner must be a widget).
    void SetOwnerIsTarget(bool value);

protected:
    // Return value is ignored: the event always goes on to the window.
    virtual void HandleEvent(QEvent* event) = 0;
    // Called after the target has changed (either may be nullptr).
    virtual void TargetChanged(QWidget* previous) { Q_UNUSED(previous); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> target;
};

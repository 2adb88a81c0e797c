#pragma once

#include "picture/INotify.h"
#include "picture/TBroadcaster.h"
#include "picture/TListener.h"

#include <QObject>
#include <QPointer>
#include <memory>

// Turns the application's active-control and active-form changes into the
// notifications ntfActiveControlChanged and ntfActiveFormChanged (Sender: the
// dispatcher); created on first use, owned by the application object and
// shared by every TGlobalNotify.
class TScreenEventDispatcher : public QObject
{
    Q_OBJECT
public:
    static TScreenEventDispatcher* Instance();

    TBroadcaster& Broadcaster() { return broadcaster; }

private:
    TScreenEventDispatcher();

    TBroadcaster broadcaster{this};
};

// Application-wide events, delivered to every instance. OnIdle is raised once
// each time the event loop has run out of work and is about to wait, so
// nothing runs while the program has nothing to do.
class TGlobalNotify : public QObject
{
    Q_OBJECT
public:
    explicit TGlobalNotify(QObject* parent = nullptr);

signals:
    void OnIdle();
    void OnActivate();
    void OnDeactivate();
    void OnMinimize();
    void OnRestore();
    void OnHint(const QString& hint);
    void OnActiveControlChange();
    void OnActiveFormChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ScreenNotify(QObject* sender, const QUuid& id);
    void ConnectIdle();

    TListener screenListener;
};

#pragma once

#include <QObject>
#include <QPointer>
#include <QUuid>

// Turns the application's active-control and active-form changes into two
// notifications; created on first use and shared by every TGlobalNotify.
class TScreenEventDispatcher : public QObject
{
    Q_OBJECT
public:
    static const QUuid ntfActiveControlChanged; // {1211E69A-468C-11D3-AD18-00500463098A}
    static const QUuid ntfActiveFormChanged;    // {1211E69B-468C-11D3-AD18-00500463098A}

    static TScreenEventDispatcher* Instance();

signals:
    void Notify(QObject* sender, const QUuid& id);

private:
    TScreenEventDispatcher();
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
};

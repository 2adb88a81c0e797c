#include "widgets/TGlobalNotify.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QStatusTipEvent>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

TScreenEventDispatcher::TScreenEventDispatcher()
    : QObject(qApp)
{
    connect(qApp, &QApplication::focusChanged, this,
            [this] { broadcaster.Notify(this, ntfActiveControlChanged); });
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            [this] { broadcaster.Notify(this, ntfActiveFormChanged); });
}

TScreenEventDispatcher* TScreenEventDispatcher::Instance()
{
    // Owned by the application object, so it goes when the application goes.
    static QPointer<TScreenEventDispatcher> instance;
    if (!instance)
        instance = new TScreenEventDispatcher;
    return instance;
}

TGlobalNotify::TGlobalNotify(QObject* parent)
    : QObject(parent)
    , screenListener([this](QObject* sender, const QUuid& id) { ScreenNotify(sender, id); })
{
    ConnectIdle();
    screenListener.AddBroadcaster(&TScreenEventDispatcher::Instance()->Broadcaster());
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            emit OnActivate();
        else if (state == Qt::ApplicationInactive)
            emit OnDeactivate();
    });
    qApp->installEventFilter(this);
}

void TGlobalNotify::ConnectIdle()
{
    // The dispatcher of the GUI thread exists once the application object does.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(qApp->thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TGlobalNotify::OnIdle);
}

void TGlobalNotify::ScreenNotify(QObject*, const QUuid& id)
{
    if (id == ntfActiveControlChanged)
        emit OnActiveControlChange();
    else if (id == ntfActiveFormChanged)
        emit OnActiveFormChange();
}

bool TGlobalNotify::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->isWindow()) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
        const bool isMinimized = static_cast<QWidget*>(watched)->isMinimized();
        if (isMinimized && !wasMinimized)
            emit OnMinimize();
        else if (wasMinimized && !isMinimized)
            emit OnRestore();
    } else if (event->type() == QEvent::StatusTip) {
        emit OnHint(static_cast<QStatusTipEvent*>(event)->tip());
    }
    return false;
}

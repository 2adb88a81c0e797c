#include "picture/TBroadcaster.h"

#include "picture/UNotifyLinks.h"
#include "support/ULog.h"

#include <QObject>

TBroadcaster::TBroadcaster(QObject* owner) : TInterfaceImplement(dynamic_cast<IInterface*>(owner)), owner(owner)
{
}

TBroadcaster::~TBroadcaster()
{
    // An exception must not leave a destructor: a listener that refuses to
    // let go is reported and dropped.
    try {
        Notify(owner, ntfDestroying);
        RemoveAllListeners();
    } catch (...) {
        LogDroppedError("TBroadcaster");
    }
    NotifyLinks::ReleaseAll(listeners);
}

void* TBroadcaster::QueryOwnInterface(const QUuid& iid)
{
    if (iid == IBroadcaster::IID)
        return static_cast<IBroadcaster*>(this);
    return TInterfaceImplement::QueryOwnInterface(iid);
}

void TBroadcaster::Notify(QObject* sender, const QUuid& id)
{
    const qsizetype count = listeners.size();
    for (qsizetype i = 0; i < count && i < listeners.size(); ++i)
        listeners.at(i)->Notify(sender, id);
}

void TBroadcaster::AddListener(IListener* listener)
{
    NotifyLinks::Add(listeners, listener, &IListener::AddBroadcaster, this);
}

void TBroadcaster::RemoveListener(IListener* listener)
{
    NotifyLinks::Remove(listeners, listener, &IListener::RemoveBroadcaster, this);
}

void TBroadcaster::RemoveAllListeners()
{
    NotifyLinks::RemoveAll(listeners, &IListener::RemoveBroadcaster, this);
}

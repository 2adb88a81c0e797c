#include "picture/TBroadcaster.h"

#include "support/ULog.h"

#include <QObject>
#include <QtGlobal>

#include <stdexcept>

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
    for (IListener* listener : std::as_const(listeners))
        listener->_Release();
    listeners.clear();
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
    if (!listener || listeners.contains(listener))
        return;
    listeners.append(listener);
    listener->_AddRef();
    listener->AddBroadcaster(this);
}

void TBroadcaster::RemoveListener(IListener* listener)
{
    if (!listener || !listeners.removeOne(listener))
        return;
    listener->RemoveBroadcaster(this);
    listener->_Release();
}

void TBroadcaster::RemoveAllListeners()
{
    while (!listeners.isEmpty()) {
        const qsizetype before = listeners.size();
        listeners.first()->RemoveBroadcaster(this);
        if (listeners.size() == before)
            throw std::runtime_error("fall into infinity loop.");
    }
}

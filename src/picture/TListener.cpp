#include "picture/TListener.h"

#include "support/ULog.h"

#include <QtGlobal>

#include <stdexcept>

TListener::TListener(TNotifyCallback callback) : callback(std::move(callback))
{
}

TListener::~TListener()
{
    try {
        RemoveAllBroadcasters();
    } catch (...) {
        LogDroppedError("TListener");
    }
    for (IBroadcaster* broadcaster : std::as_const(broadcasters))
        broadcaster->_Release();
    broadcasters.clear();
}

void* TListener::QueryOwnInterface(const QUuid& iid)
{
    if (iid == IListener::IID)
        return static_cast<IListener*>(this);
    return TInterfaceImplement::QueryOwnInterface(iid);
}

void TListener::Notify(QObject* sender, const QUuid& id)
{
    if (callback)
        callback(sender, id);
}

void TListener::AddBroadcaster(IBroadcaster* broadcaster)
{
    if (!broadcaster || broadcasters.contains(broadcaster))
        return;
    broadcasters.append(broadcaster);
    broadcaster->_AddRef();
    broadcaster->AddListener(this);
}

void TListener::RemoveBroadcaster(IBroadcaster* broadcaster)
{
    if (!broadcaster || !broadcasters.removeOne(broadcaster))
        return;
    broadcaster->RemoveListener(this);
    broadcaster->_Release();
}

void TListener::RemoveAllBroadcasters()
{
    while (!broadcasters.isEmpty()) {
        const qsizetype before = broadcasters.size();
        broadcasters.first()->RemoveListener(this);
        if (broadcasters.size() == before)
            throw std::runtime_error("fall into infinity loop.");
    }
}

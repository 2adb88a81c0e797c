#include "picture/TListener.h"

#include "picture/UNotifyLinks.h"
#include "support/ULog.h"

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
    NotifyLinks::ReleaseAll(broadcasters);
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
    NotifyLinks::Add(broadcasters, broadcaster, &IBroadcaster::AddListener, this);
}

void TListener::RemoveBroadcaster(IBroadcaster* broadcaster)
{
    NotifyLinks::Remove(broadcasters, broadcaster, &IBroadcaster::RemoveListener, this);
}

void TListener::RemoveAllBroadcasters()
{
    NotifyLinks::RemoveAll(broadcasters, &IBroadcaster::RemoveListener, this);
}

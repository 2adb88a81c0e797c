#pragma once

#include "picture/TInterfacedObjectEx.h"

#include <QList>

#include <functional>

class QObject;

using TNotifyCallback = std::function<void(QObject* sender, const QUuid& id)>;

// Receives notifications from any number of broadcasters and hands them to
// its callback. Destroying it unregisters it from every broadcaster.
class TListener : public TInterfaceImplement, public IListener
{
public:
    explicit TListener(TNotifyCallback callback);
    ~TListener() override;

    void Notify(QObject* sender, const QUuid& id) override;
    void AddBroadcaster(IBroadcaster* broadcaster) override;
    void RemoveBroadcaster(IBroadcaster* broadcaster) override;
    // For an object that answers for IBroadcaster (a picture collection, a picture).
    void AddBroadcaster(IInterface* source) { AddBroadcaster(Supports<IBroadcaster>(source)); }
    void RemoveBroadcaster(IInterface* source) { RemoveBroadcaster(Supports<IBroadcaster>(source)); }

    int BroadcasterCount() const { return int(broadcasters.size()); }
    IBroadcaster* Broadcaster(int index) const { return broadcasters.at(index); }

    // Unregisters from every broadcaster; raises "fall into infinity loop."
    // when a broadcaster does not let go.
    void RemoveAllBroadcasters();

protected:
    void* QueryOwnInterface(const QUuid& iid) override;

private:
    TNotifyCallback callback;
    QList<IBroadcaster*> broadcasters;
};

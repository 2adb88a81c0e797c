#pragma once

#include "picture/TInterfacedObjectEx.h"

#include <QList>

class QObject;

// Sends notifications to an ordered list of listeners, with its owner as the
// Sender. Destroying it sends ntfDestroying and unregisters every listener.
class TBroadcaster : public TInterfaceImplement, public IBroadcaster
{
public:
    // The owner is the Sender; when it implements IInterface it also answers
    // the broadcaster's interface queries.
    explicit TBroadcaster(QObject* owner);
    ~TBroadcaster() override;

    QObject* Owner() const { return owner; }

    // Calls the listeners present when the call starts, in list order.
    void Notify(QObject* sender, const QUuid& id) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;

    int ListenerCount() const { return int(listeners.size()); }
    IListener* Listener(int index) const { return listeners.at(index); }

    // Unregisters every listener; raises "fall into infinity loop." when a
    // listener does not unregister. The destructor does this after ntfDestroying.
    void RemoveAllListeners();

protected:
    void* QueryOwnInterface(const QUuid& iid) override;

private:
    QObject* owner;
    QList<IListener*> listeners;
};

#pragma once

#include "picture/TBroadcaster.h"

#include <functional>

// A broadcaster with update bracketing: Changed inside BeginUpdate/EndUpdate
// sends one ntfPictureChanged at the outermost EndUpdate; outside it, at once.
class TChangeNotify : public TBroadcaster, public IChangeNotify
{
public:
    explicit TChangeNotify(QObject* owner) : TBroadcaster(owner) {}

    void Changed() override;
    void BeginUpdate() override;
    void EndUpdate() override;

    int UpdateCount() const { return updateCount; }

    // Called after the notification, with the notifier as Sender.
    std::function<void(TChangeNotify*)> OnChange;

private:
    int updateCount = 0;
    bool changePending = false;
};

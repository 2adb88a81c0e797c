#include "picture/TBroadcaster.h"
#include "picture/TChangeNotify.h"
#include "picture/TListener.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Heard
{
    QObject* sender;
    QUuid id;
};

// A listener that records what it hears.
struct Recorder
{
    std::vector<Heard> heard;
    TListener listener{[this](QObject* sender, const QUuid& id) { heard.push_back({sender, id}); }};

    int Count(const QUuid& id) const
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.id == id;
        return n;
    }
};

// A listener that never lets go of its broadcasters.
class StubbornListener : public TInterfaceImplement, public IListener
{
public:
    void Notify(QObject*, const QUuid&) override {}
    void AddBroadcaster(IBroadcaster*) override {}
    void RemoveBroadcaster(IBroadcaster*) override {}

protected:
    void* QueryOwnInterface(const QUuid& iid) override
    {
        return iid == IListener::IID ? static_cast<IListener*>(this) : TInterfaceImplement::QueryOwnInterface(iid);
    }
};

} // namespace

TEST(NotifyRegistration, IsTwoWayAndIdempotentFromEitherSide)
{
    QObject owner;
    TBroadcaster broadcaster(&owner);
    Recorder a, b;
    broadcaster.AddListener(&a.listener);
    broadcaster.AddListener(&a.listener);
    a.listener.AddBroadcaster(&broadcaster);
    b.listener.AddBroadcaster(&broadcaster);
    b.listener.AddBroadcaster(&broadcaster);
    EXPECT_EQ(broadcaster.ListenerCount(), 2);
    EXPECT_EQ(a.listener.BroadcasterCount(), 1);
    EXPECT_EQ(b.listener.BroadcasterCount(), 1);
    EXPECT_EQ(broadcaster.Listener(0), static_cast<IListener*>(&a.listener));

    broadcaster.Notify(&owner, ntfPackChanged);
    ASSERT_EQ(a.heard.size(), 1u);
    EXPECT_EQ(a.heard[0].sender, &owner);
    EXPECT_EQ(a.heard[0].id, ntfPackChanged);
    EXPECT_EQ(b.heard.size(), 1u);

    b.listener.RemoveBroadcaster(&broadcaster);
    EXPECT_EQ(broadcaster.ListenerCount(), 1);
    EXPECT_EQ(b.listener.BroadcasterCount(), 0);
    broadcaster.RemoveListener(&a.listener);
    EXPECT_EQ(a.listener.BroadcasterCount(), 0);
    broadcaster.RemoveListener(nullptr);
    a.listener.AddBroadcaster(static_cast<IBroadcaster*>(nullptr));
    EXPECT_EQ(broadcaster.ListenerCount(), 0);
}

TEST(NotifyRegistration, ReferencesFollowTheLists)
{
    QObject owner;
    TBroadcaster broadcaster(&owner);
    Recorder a;
    a.listener.AddBroadcaster(&broadcaster);
    EXPECT_EQ(broadcaster.RefCount(), 1);
    EXPECT_EQ(a.listener.RefCount(), 1);
    broadcaster.RemoveListener(&a.listener);
    EXPECT_EQ(broadcaster.RefCount(), 0);
    EXPECT_EQ(a.listener.RefCount(), 0);
}

TEST(NotifyTeardown, DestroyingTheBroadcasterSaysSoAndLeavesNothing)
{
    QObject owner;
    Recorder a, b;
    {
        TBroadcaster broadcaster(&owner);
        a.listener.AddBroadcaster(&broadcaster);
        b.listener.AddBroadcaster(&broadcaster);
    }
    ASSERT_EQ(a.heard.size(), 1u);
    EXPECT_EQ(a.heard[0].id, ntfDestroying);
    EXPECT_EQ(a.heard[0].sender, &owner);
    EXPECT_EQ(b.Count(ntfDestroying), 1);
    EXPECT_EQ(a.listener.BroadcasterCount(), 0);
    EXPECT_EQ(b.listener.BroadcasterCount(), 0);
}

TEST(NotifyTeardown, DestroyingTheListenerUnregistersEverywhere)
{
    QObject owner;
    TBroadcaster first(&owner), second(&owner);
    {
        Recorder a;
        first.AddListener(&a.listener);
        second.AddListener(&a.listener);
    }
    EXPECT_EQ(first.ListenerCount(), 0);
    EXPECT_EQ(second.ListenerCount(), 0);
    first.Notify(&owner, ntfPackChanged);   // must not reach the destroyed listener
}

TEST(NotifyTeardown, ACounterpartThatHoldsOnIsReportedNotLoopedOn)
{
    // The listener outlives the broadcaster, whose end still calls it.
    StubbornListener stubborn;
    QObject owner;
    TBroadcaster broadcaster(&owner);
    broadcaster.AddListener(&stubborn);
    try {
        broadcaster.RemoveAllListeners();
        FAIL() << "no error for a listener that never unregisters";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "fall into infinity loop.");
    }
    EXPECT_EQ(broadcaster.ListenerCount(), 1);
    broadcaster.RemoveListener(&stubborn); // the broadcaster's own side lets go
    EXPECT_EQ(broadcaster.ListenerCount(), 0);
    EXPECT_EQ(stubborn.RefCount(), 0);
}

TEST(NotifyDelivery, ListenerAddedDuringNotifyIsNotCalledByIt)
{
    QObject owner;
    TBroadcaster broadcaster(&owner);
    Recorder late;
    int earlyCalls = 0;
    TListener early([&](QObject*, const QUuid&) {
        ++earlyCalls;
        broadcaster.AddListener(&late.listener);
    });
    broadcaster.AddListener(&early);
    broadcaster.Notify(&owner, ntfPackChanged);
    EXPECT_EQ(earlyCalls, 1);
    EXPECT_TRUE(late.heard.empty());
    broadcaster.Notify(&owner, ntfPackChanged);
    EXPECT_EQ(late.heard.size(), 1u);
}

TEST(NotifyDelivery, ListenerRemovingItselfDuringNotifyDoesNotBreakTheLoop)
{
    QObject owner;
    TBroadcaster broadcaster(&owner);
    Recorder other;
    TListener* selfRef = nullptr;
    TListener leaving([&](QObject*, const QUuid&) { broadcaster.RemoveListener(selfRef); });
    selfRef = &leaving;
    broadcaster.AddListener(&leaving);
    broadcaster.AddListener(&other.listener);
    broadcaster.Notify(&owner, ntfPackChanged);
    EXPECT_EQ(broadcaster.ListenerCount(), 1);
}

TEST(NotifyRefCount, ReleasingTooOftenRaises)
{
    TInterfaceImplement object;
    object._AddRef();
    EXPECT_EQ(object._Release(), 0);
    try {
        object._Release();
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "FRefCount is minus value");
    }
}

TEST(NotifyRefCount, AutoFreeScopeRunsItsActionOnLastRelease)
{
    int restored = 0;
    auto* scope = new TAutoFreeInterface([&] { ++restored; });
    scope->_AddRef();
    scope->_AddRef();
    scope->_Release();
    EXPECT_EQ(restored, 0);
    scope->_Release();
    EXPECT_EQ(restored, 1);
}

TEST(NotifyRefCount, ControllerAnswersQueries)
{
    QObject owner;
    TBroadcaster inner(&owner);
    TInterfaceImplement withController(&inner);
    TInterfaceImplement alone;
    EXPECT_EQ(Supports<IBroadcaster>(&withController), static_cast<IBroadcaster*>(&inner));
    EXPECT_EQ(Supports<IBroadcaster>(&alone), nullptr);
}

TEST(ChangeNotifyUpdates, CountsInsideNestedUpdates)
{
    QObject owner;
    TChangeNotify notify(&owner);
    Recorder r;
    int callbacks = 0;
    notify.OnChange = [&](TChangeNotify* sender) {
        EXPECT_EQ(sender, &notify);
        ++callbacks;
    };
    notify.AddListener(&r.listener);

    notify.Changed();
    EXPECT_EQ(r.Count(ntfPictureChanged), 1);
    EXPECT_EQ(r.heard.back().sender, &owner);

    notify.BeginUpdate();
    notify.Changed();
    notify.Changed();
    notify.BeginUpdate();
    notify.Changed();
    notify.EndUpdate();
    EXPECT_EQ(r.Count(ntfPictureChanged), 1) << "inner EndUpdate must not notify";
    notify.EndUpdate();
    EXPECT_EQ(r.Count(ntfPictureChanged), 2);
    EXPECT_EQ(callbacks, 2);

    notify.BeginUpdate();
    notify.EndUpdate();
    EXPECT_EQ(r.Count(ntfPictureChanged), 2) << "an update without a change sends nothing";
}

TEST(ChangeNotifyUpdates, UnbalancedEndUpdateDoesNotSwallowLaterChanges)
{
    QObject owner;
    TChangeNotify notify(&owner);
    Recorder r;
    notify.AddListener(&r.listener);
    notify.EndUpdate();
    EXPECT_EQ(notify.UpdateCount(), 0);
    notify.Changed();
    EXPECT_EQ(r.Count(ntfPictureChanged), 1);
}

TEST(NotifyIdentifiers, MatchTheRegisteredValues)
{
    EXPECT_EQ(IBroadcaster::IID, QUuid(QStringLiteral("{D945C5B0-29DA-11D3-ACA5-00500463098A}")));
    EXPECT_EQ(IListener::IID, QUuid(QStringLiteral("{D945C5B1-29DA-11D3-ACA5-00500463098A}")));
    EXPECT_EQ(ntfDestroying, QUuid(QStringLiteral("{FF0E0940-2D29-11D3-ACCC-00500463098A}")));
    EXPECT_EQ(ntfPackChanged, QUuid(QStringLiteral("{FF0E0942-2D29-11D3-ACCC-00500463098A}")));
    EXPECT_EQ(ntfCancelLoads, QUuid(QStringLiteral("{A916FC40-6C6C-11D3-9551-00500463098A}")));
    EXPECT_EQ(ntfPictureChanged, QUuid(QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}")));
    EXPECT_EQ(ntfActiveControlChanged, QUuid(QStringLiteral("{1211E69A-468C-11D3-AD18-00500463098A}")));
    EXPECT_EQ(ntfActiveFormChanged, QUuid(QStringLiteral("{1211E69B-468C-11D3-AD18-00500463098A}")));
}

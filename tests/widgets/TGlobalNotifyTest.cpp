#include "widgets/TGlobalNotify.h"
#include "widgets/TMessageWatcher.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

TEST(TGlobalNotify, IdleIsRaisedWhenTheLoopWaitsAndReachesEveryInstance)
{
    TGlobalNotify first, second;
    int firstIdle = 0, secondIdle = 0;
    QObject::connect(&first, &TGlobalNotify::OnIdle, [&] { ++firstIdle; });
    QObject::connect(&second, &TGlobalNotify::OnIdle, [&] { ++secondIdle; });
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(firstIdle, 1);
    EXPECT_EQ(firstIdle, secondIdle);
}

TEST(TGlobalNotify, FocusChangesArriveAsActiveControlNotifications)
{
    TGlobalNotify notify;
    std::vector<QUuid> ids;
    std::vector<QObject*> senders;
    TListener listener([&](QObject* sender, const QUuid& id) {
        ids.push_back(id);
        senders.push_back(sender);
    });
    listener.AddBroadcaster(&TScreenEventDispatcher::Instance()->Broadcaster());
    int changes = 0;
    QObject::connect(&notify, &TGlobalNotify::OnActiveControlChange, [&] { ++changes; });
    QWidget window;
    auto* a = new QLineEdit(&window);
    auto* b = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    a->setFocus();
    b->setFocus();
    QApplication::processEvents();
    EXPECT_GE(changes, 1);
    EXPECT_NE(std::find(ids.begin(), ids.end(), ntfActiveControlChanged), ids.end());
    EXPECT_EQ(senders.front(), TScreenEventDispatcher::Instance());
}

TEST(TGlobalNotify, InstancesRegisterWithTheSharedDispatcherAndLeaveWhenDestroyed)
{
    TBroadcaster& screen = TScreenEventDispatcher::Instance()->Broadcaster();
    const int before = screen.ListenerCount();
    int firstChanges = 0, secondChanges = 0;
    auto first = std::make_unique<TGlobalNotify>();
    TGlobalNotify second;
    QObject::connect(first.get(), &TGlobalNotify::OnActiveFormChange, [&] { ++firstChanges; });
    QObject::connect(&second, &TGlobalNotify::OnActiveFormChange, [&] { ++secondChanges; });
    EXPECT_EQ(screen.ListenerCount(), before + 2);
    screen.Notify(TScreenEventDispatcher::Instance(), ntfActiveFormChanged);
    EXPECT_EQ(firstChanges, 1);
    EXPECT_EQ(secondChanges, 1);
    first.reset();
    EXPECT_EQ(screen.ListenerCount(), before + 1);
    screen.Notify(TScreenEventDispatcher::Instance(), ntfActiveFormChanged);
    EXPECT_EQ(secondChanges, 2);
}

namespace {

class RecordingWatcher : public TMessageWatcher
{
public:
    using TMessageWatcher::TMessageWatcher;
    std::vector<QEvent::Type> seen;
    bool targetHadItAlready = false;
    int* targetCount = nullptr;
    int countAtFirstSight = -1;

protected:
    void HandleEvent(QEvent* event) override
    {
        if (event->type() == QEvent::User && countAtFirstSight < 0)
            countAtFirstSight = *targetCount;
        seen.push_back(event->type());
    }
};

class CountingWidget : public QWidget
{
public:
    int userEvents = 0;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            ++userEvents;
        return QWidget::event(event);
    }
};

} // namespace

TEST(TMessageWatcher, SeesTheWindowsEventsFirstWithoutTakingThem)
{
    CountingWidget window;
    auto* watcher = new RecordingWatcher(&window);
    watcher->targetCount = &window.userEvents;
    watcher->SetOwnerIsTarget(true);
    EXPECT_EQ(watcher->Target(), &window);
    QEvent user(QEvent::User);
    QApplication::sendEvent(&window, &user);
    EXPECT_EQ(watcher->countAtFirstSight, 0);
    EXPECT_EQ(window.userEvents, 1);
    watcher->SetTarget(nullptr);
    const size_t before = watcher->seen.size();
    QApplication::sendEvent(&window, &user);
    EXPECT_EQ(watcher->seen.size(), before);
}

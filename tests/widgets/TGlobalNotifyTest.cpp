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
    QObject::connect(TScreenEventDispatcher::Instance(), &TScreenEventDispatcher::Notify,
                     [&](QObject*, const QUuid& id) { ids.push_back(id); });
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
    EXPECT_NE(std::find(ids.begin(), ids.end(), TScreenEventDispatcher::ntfActiveControlChanged), ids.end());
    EXPECT_EQ(TScreenEventDispatcher::ntfActiveControlChanged,
              QUuid(QStringLiteral("{1211E69A-468C-11D3-AD18-00500463098A}")));
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

#include "KadrixTestSupport.h"

#include <QApplication>
#include <QTest>

void KadrixWindowTest::SetUp()
{
    // Work folders of standalone windows go below a folder of this test.
    tmpDir = std::make_unique<TTmpDirOverride>(tempRoot.path());
    auto recording = std::make_unique<TRecordingDialogs>();
    dialogs = recording.get();
    previousDialogs = TDialogs::Install(std::move(recording));
}

void KadrixWindowTest::TearDown()
{
    if (window) {
        dialogs->answerOk = true;
        window->close();
        window.reset();
    }
    TDialogs::Install(std::move(previousDialogs));
    tmpDir.reset();
}

void KadrixWindowTest::CreateWindow(const QStringList& arguments)
{
    window = std::make_unique<TfrmKadrix>(arguments);
    auto source = std::make_unique<TManualTickSource>(0xFFFFF000u);
    clock = source.get();
    window->SetTickSource(std::move(source));
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
}

void KadrixWindowTest::Tick(quint32 ms)
{
    clock->now += ms;
    window->Timer2Timer();
}

void KadrixWindowTest::PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != window.get())
        target = window.get();
    QTest::keyClick(target, key, modifiers);
}

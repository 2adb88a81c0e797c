#include "KadrixTestSupport.h"

#include <QApplication>
#include <QTest>

namespace {

class TRecordedProgress : public TProgress
{
public:
    explicit TRecordedProgress(TRecordingDialogs& dialogs) : dialogs(dialogs) {}
    void Step(int done) override
    {
        dialogs.progressSteps.push_back(done);
        cancelled = (dialogs.onStep && dialogs.onStep(done)) || cancelled;
    }
    bool Cancelled() const override { return cancelled; }

private:
    TRecordingDialogs& dialogs;
    bool cancelled = false;
};

} // namespace

std::unique_ptr<TProgress> TRecordingDialogs::BeginProgress(QWidget* parent, const QString& title, const QString& text,
                                                            int total)
{
    progressTitles.push_back({title, text});
    progressTotals.push_back(total);
    if (realProgress)
        return TDialogs::BeginProgress(parent, title, text, total);
    return std::make_unique<TRecordedProgress>(*this);
}

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
    playback = &TKadrixTestAccess::Playback(*window);
    playback->SetTickSource(std::move(source));
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
}

void KadrixWindowTest::Tick(quint32 ms)
{
    clock->now += ms;
    playback->Tick();
}

void KadrixWindowTest::PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || target->window() != window.get())
        target = window.get();
    QTest::keyClick(target, key, modifiers);
}

#pragma once

// Helpers for driving the real main window in tests: a clock the test moves
// by hand, dialogs that record what they were asked, and a window fixture in
// standalone mode that cleans up its work folder.

#include "TmpDirOverride.h"
#include "app/UDialogs.h"
#include "app/UKadrix.h"
#include "app/UPlaybackClock.h"

#include <QDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The window's test seam: what a user changes by hand and the pictures the
// capture store holds in memory.
struct TKadrixTestAccess
{
    static TPlaybackController& Playback(TfrmKadrix& window) { return *window.playback; }
    static TCaptureStore& Store(TfrmKadrix& window) { return *window.captureStore; }
    static TfrmImageBrowser& Browser(TfrmKadrix& window) { return *window.frmImageBrowser; }
    static THistoryManager& History(TfrmKadrix& window) { return *window.hmOpenHistory; }
    static THtmlHelp& Help(TfrmKadrix& window) { return *window.htmlHelp; }
};

class TManualTickSource : public TTickSource
{
public:
    explicit TManualTickSource(quint32 start) : now(start) {}
    quint32 TickCount() const override { return now; }
    quint32 now;
};

struct TRecordedMessage
{
    QString title;
    QString text;
};

class TRecordingDialogs : public TDialogs
{
public:
    bool AskOkCancel(QWidget*, const QString& title, const QString& text) override
    {
        questions.push_back({title, text});
        return answerOk;
    }
    void Notify(QWidget*, const QString& title, const QString& text) override { notices.push_back({title, text}); }
    bool ExecuteOpen(QWidget*, TFileDialogRequest& request) override
    {
        openRequests.push_back(request);
        if (openAnswer.isEmpty())
            return false;
        request.FileName = openAnswer;
        return true;
    }
    bool ExecuteSave(QWidget*, TFileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        if (!saveAnswer)
            return false;
        request.FileName = saveAnswer(request);
        if (saveFilterIndex > 0)
            request.FilterIndex = saveFilterIndex;
        return true;
    }
    // Modal forms are answered by modalAnswer (Cancel when unset).
    int ExecuteModal(QDialog& dialog) override { return modalAnswer ? modalAnswer(dialog) : QDialog::Rejected; }
    // Progress displays record their steps; onStep may act in the middle of
    // the command and answers true to cancel.
    std::unique_ptr<TProgress> BeginProgress(QWidget*, const QString& title, const QString& text, int total) override;

    bool answerOk = true;
    QString openAnswer; // empty: the dialog is cancelled
    std::vector<TRecordedMessage> questions;
    std::vector<TRecordedMessage> notices;
    std::vector<TFileDialogRequest> openRequests;
    // The name the save dialog returns, given what it was shown; none: the
    // dialog is cancelled. saveFilterIndex 0 keeps the filter it was shown with.
    std::function<QString(const TFileDialogRequest&)> saveAnswer;
    int saveFilterIndex = 0;
    std::vector<TFileDialogRequest> saveRequests;
    std::function<int(QDialog&)> modalAnswer;
    std::function<bool(int done)> onStep;
    bool realProgress = false; // Qt's own progress dialog, recorded by its title only
    std::vector<TRecordedMessage> progressTitles; // title and text of each display
    std::vector<int> progressTotals;
    std::vector<int> progressSteps;
};

// A standalone window with recording dialogs and a hand-driven clock. The
// clock starts just below the 32-bit wrap, so every test also crosses it.
class KadrixWindowTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window (standalone unless arguments name a folder).
    void CreateWindow(const QStringList& arguments = {});
    // Advances the clock and runs one playback tick.
    void Tick(quint32 ms);
    // Sends a key press to the focused widget of the window (or the window).
    void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    TRecordingDialogs* dialogs = nullptr;
    TManualTickSource* clock = nullptr;
    std::unique_ptr<TfrmKadrix> window;
    TPlaybackController* playback = nullptr; // the window's
    std::unique_ptr<TDialogs> previousDialogs;
    QTemporaryDir tempRoot;
    std::unique_ptr<TTmpDirOverride> tmpDir;
};

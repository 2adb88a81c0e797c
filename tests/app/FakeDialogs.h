#pragma once

#include "app/UDialogs.h"

#include <QStringList>
#include <memory>

// Dialogs with scripted answers; records every message shown. Installed for
// the life of the object.
class FakeDialogs : public TDialogs
{
public:
    struct Log
    {
        QStringList asked;     // texts of OK/Cancel questions
        QStringList titles;    // titles of every box, in order
        QStringList notices;   // texts of notices
        QList<TFileDialogRequest> openRequests;
        QList<TFileDialogRequest> saveRequests;
    };

    bool answerOk = true;
    QString openAnswer;       // empty: the open dialog is cancelled
    QString saveAnswer;       // empty: the save dialog is cancelled
    int saveFilterIndex = 1;

    bool AskOkCancel(QWidget*, const QString& title, const QString& text) override
    {
        log->titles.append(title);
        log->asked.append(text);
        return answerOk;
    }
    void Notify(QWidget*, const QString& title, const QString& text) override
    {
        log->titles.append(title);
        log->notices.append(text);
    }
    bool ExecuteOpen(QWidget*, TFileDialogRequest& request) override
    {
        log->openRequests.append(request);
        if (openAnswer.isEmpty())
            return false;
        request.FileName = openAnswer;
        return true;
    }
    bool ExecuteSave(QWidget*, TFileDialogRequest& request) override
    {
        log->saveRequests.append(request);
        if (saveAnswer.isEmpty())
            return false;
        request.FileName = saveAnswer;
        request.FilterIndex = saveFilterIndex;
        return true;
    }

    // The log outlives the installed object, which TDialogs owns.
    std::shared_ptr<Log> log = std::make_shared<Log>();
};

// Installs a FakeDialogs for the scope and gives access to it.
class FakeDialogsScope
{
public:
    FakeDialogsScope()
    {
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        TDialogs::Install(std::move(fake));
    }
    ~FakeDialogsScope() { TDialogs::Install(nullptr); }
    FakeDialogs* operator->() const { return dialogs; }
    FakeDialogs::Log& Log() const { return *dialogs->log; }

private:
    FakeDialogs* dialogs;
};

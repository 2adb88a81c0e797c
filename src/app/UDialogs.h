#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QDialog;
class QFileDialog;
class QWidget;

// The progress of a long command, shown while the command runs. The command
// reports each finished step and stops when the user has cancelled.
class TProgress
{
public:
    virtual ~TProgress() = default;
    // done of the total steps are finished; lets the user press Cancel.
    virtual void Step(int done) = 0;
    virtual bool Cancelled() const = 0;
};

// What a file dialog starts with and what the user chose. FileName is both:
// the preset shown when the dialog opens and the chosen path afterwards.
struct TFileDialogRequest
{
    QString Title;
    QString Filter;          // "Description|*.a;*.b|Description|*.c"
    int FilterIndex = 1;     // 1-based, as the filter lists it
    QString InitialDir;
    QString FileName;
    QString DefaultExt;
};

// Every message box and file dialog of the program goes through this
// interface, so that tests can install their own answers.
class TDialogs
{
public:
    virtual ~TDialogs() = default;

    // OK/Cancel confirmation without an icon; true on OK.
    virtual bool AskOkCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // Notice with a single OK button, no icon.
    virtual void Notify(QWidget* parent, const QString& title, const QString& text) = 0;
    // Runs the dialog; on OK fills request.FileName (and FilterIndex) and returns true.
    virtual bool ExecuteOpen(QWidget* parent, TFileDialogRequest& request) = 0;
    virtual bool ExecuteSave(QWidget* parent, TFileDialogRequest& request) = 0;
    // Runs one of the program's own dialogs modally and returns its result
    // (QDialog::Accepted or Rejected). Qt's exec() unless a test answers.
    virtual int ExecuteModal(QDialog& dialog);
    // A modal "done / total" display with a Cancel button (Esc too) that
    // keeps the rest of the program's windows from taking input; it closes
    // when the returned object is destroyed. Qt's TdlgProgress unless a test
    // answers.
    virtual std::unique_ptr<TProgress> BeginProgress(QWidget* parent, const QString& title, const QString& text,
                                                     int total);

    // The dialogs in use; Qt's own until a test installs others.
    static TDialogs& Current();
    // Installs dialogs (nullptr restores Qt's) and returns the previous ones.
    static std::unique_ptr<TDialogs> Install(std::unique_ptr<TDialogs> dialogs);
};

// The dialogs shown to users: QMessageBox and QFileDialog.
class TQtDialogs : public TDialogs
{
public:
    bool AskOkCancel(QWidget* parent, const QString& title, const QString& text) override;
    void Notify(QWidget* parent, const QString& title, const QString& text) override;
    bool ExecuteOpen(QWidget* parent, TFileDialogRequest& request) override;
    bool ExecuteSave(QWidget* parent, TFileDialogRequest& request) override;

    // "Movies|*.avi;*.mpg|All|*.*" → Qt's "Movies (*.avi *.mpg);;All (*.*)".
    static QStringList QtNameFilters(const QString& filter);
    // Title, filters (shown by their texts alone), selected filter and file.
    static void PrepareFileDialog(QFileDialog& dialog, const TFileDialogRequest& request);
    // The 1-based index of the filter chosen in the dialog; 0 when none.
    static int SelectedFilterIndex(const QFileDialog& dialog);
};

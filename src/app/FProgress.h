#pragma once

#include "app/UDialogs.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress of a long command: a text, "done / total", a bar and a Cancel
// button. It is application-modal from creation to destruction, so nothing
// else takes input while the command runs. Cancel, Esc and the close box
// only mark it cancelled: the command finishes its current step, sees
// Cancelled() and ends, and the dialog closes when it is destroyed.
class TdlgProgress : public QDialog, public TProgress
{
    Q_OBJECT
public:
    TdlgProgress(QWidget* parent, const QString& title, const QString& text, int total);

    void Step(int done) override;
    bool Cancelled() const override { return cancelled; }

    void reject() override;

    QLabel* lblText;
    QLabel* lblCount;
    QProgressBar* ProgressBar1;
    QPushButton* btnCancel;

private:
    int total;
    bool cancelled = false;
};

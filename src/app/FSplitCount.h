#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSpinBox;

// The split-count dialog: asks for the number of frames of an automatic
// split, 2 to 99. It opens showing the last count confirmed with OK since
// the program started (8 at first); OK stores the new count, Cancel and Esc
// leave it.
class TdlgSplitCount : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinCount = 2;
    static constexpr int MaxCount = 99;

    explicit TdlgSplitCount(QWidget* parent = nullptr);

    // The count chosen (valid after OK).
    int Count() const;

    // The count the dialog opens with; lives as long as the program.
    static int LastSplitCount();
    // Text typed into the spin box as a count: outside 2..99 the nearest
    // bound, not a number 2.
    static int CountFromText(const QString& text);

    QLabel* Label1;
    QLabel* Label2;
    QSpinBox* spinCount;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void btnOKClick();
};

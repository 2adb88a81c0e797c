#include "app/FProgress.h"

#include "app/UKadrixControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TdlgProgress::TdlgProgress(QWidget* parent, const QString& title, const QString& text, int total)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , total(total)
{
    setObjectName("dlgProgress");
    setWindowTitle(title);
    setFont(TKadrixControls::WindowFont());
    setWindowModality(Qt::ApplicationModal);

    lblText = new QLabel(text, this);
    lblCount = new QLabel(this);
    lblCount->setAlignment(Qt::AlignCenter);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, std::max(total, 1));
    ProgressBar1->setTextVisible(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setFixedSize(84, 30);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgProgress::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);
    layout->addWidget(lblText);
    layout->addWidget(lblCount);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    setFixedSize(std::max(sizeHint().width(), 280), sizeHint().height());

    Step(0);
    show();
    // Paint it once before the first step's work begins.
    QApplication::processEvents();
}

void TdlgProgress::Step(int done)
{
    lblCount->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
    ProgressBar1->setValue(std::clamp(done, 0, std::max(total, 1)));
    // The only point where the user's Cancel and Esc get through; other
    // windows take no input while this one is modal.
    if (isVisible())
        QApplication::processEvents();
}

void TdlgProgress::reject()
{
    // The dialog stays until the command has finished its current step.
    cancelled = true;
    btnCancel->setEnabled(false);
}

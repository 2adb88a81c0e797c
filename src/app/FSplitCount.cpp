#include "app/FSplitCount.h"

#include "app/UKadrixControls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

int lastSplitCount = 8;

} // namespace

TdlgSplitCount::TdlgSplitCount(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName("dlgSplitCount");
    setWindowTitle(QStringLiteral("動画分割数の指定"));
    setFont(TKadrixControls::WindowFont());
    setFixedSize(263, 165);

    Label1 = new QLabel(QStringLiteral("動画の自動分割数を指定してください"), this);
    Label1->setObjectName("Label1");
    Label1->move(16, 16);
    Label2 = new QLabel(QStringLiteral("分割数"), this);
    Label2->setObjectName("Label2");
    Label2->move(24, 56);
    for (QLabel* label : {Label1, Label2})
        label->adjustSize();

    spinCount = new QSpinBox(this);
    spinCount->setObjectName("spinCount");
    spinCount->setGeometry(80, 52, 57, 22);
    spinCount->setRange(MinCount, MaxCount);
    spinCount->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    if (QLineEdit* edit = spinCount->findChild<QLineEdit*>())
        edit->setMaxLength(2);
    spinCount->setValue(lastSplitCount);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(56, 112, 75, 36);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setGeometry(144, 112, 75, 36);
    connect(btnOK, &QPushButton::clicked, this, &TdlgSplitCount::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    spinCount->setFocus();
}

int TdlgSplitCount::Count() const
{
    return spinCount->value();
}

int TdlgSplitCount::LastSplitCount()
{
    return lastSplitCount;
}

int TdlgSplitCount::CountFromText(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok)
        return MinCount;
    return static_cast<int>(std::clamp<qlonglong>(value, MinCount, MaxCount));
}

void TdlgSplitCount::btnOKClick()
{
    // What is typed counts, also when it was never confirmed with Enter.
    spinCount->setValue(CountFromText(spinCount->cleanText()));
    lastSplitCount = spinCount->value();
    accept();
}

#include "app/UKadrix.h"

#include <QApplication>

TfrmKadrix::TfrmKadrix(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent)
{
    Q_UNUSED(arguments);
    setWindowTitle(QApplication::applicationDisplayName());
    setMinimumSize(800, 600);
}

#include "app/UKadrix.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Pellumo"));
    TfrmKadrix window(QApplication::arguments().mid(1));
    window.show();
    return app.exec();
}

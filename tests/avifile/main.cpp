#include "TTestMain.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    return RunTestsWithApplication<QCoreApplication>(argc, argv);
}

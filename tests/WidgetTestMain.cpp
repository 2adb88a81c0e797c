#include "TTestMain.h"

#include <QApplication>

// The main of the test programs whose tests need a QApplication.
int main(int argc, char** argv)
{
    return RunTestsWithApplication<QApplication>(argc, argv);
}

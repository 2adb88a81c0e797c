#include "TTestMain.h"

#include <QGuiApplication>

// Text measuring and painting need a GUI application (offscreen platform).
int main(int argc, char** argv)
{
    return RunTestsWithApplication<QGuiApplication>(argc, argv);
}

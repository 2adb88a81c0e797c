#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

// The GoogleTest main of a test program whose tests need a Qt application
// object (QCoreApplication, QGuiApplication or QApplication).
template <typename TApplication>
int RunTestsWithApplication(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Test discovery runs the executable without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    return RUN_ALL_TESTS();
}

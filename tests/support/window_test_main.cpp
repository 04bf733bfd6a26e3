// The one entry of every window test: offscreen Qt, one QApplication for
// all tests and the desktop layer's wait pump (the sanitizer policy is
// tsan_qt_policy.cpp, linked beside it).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "waitpump.h"


int main(int argc, char** argv)
{
    // gtest_discover_tests runs this during the build, without CTest's
    // environment: without a display Qt would abort.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    UiInstallWaitPump();
    return RUN_ALL_TESTS();
}

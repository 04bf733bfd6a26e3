// The one entry of every window test: offscreen Qt, one QApplication for
// all tests, the desktop layer's wait pump, and the one sanitizer policy.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "desktop.h"

#if defined(__SANITIZE_THREAD__)
// Qt is not built with the thread sanitizer, so the hand-overs inside its own
// thread pools and event queue are invisible to it and show as races between
// Qt's own calls. Only calls made from Qt's libraries are excused; every
// access of the suite's code stays checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6Network.so.6\n";
}
#endif

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

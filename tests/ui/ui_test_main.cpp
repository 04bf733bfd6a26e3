// Entry of the window tests: offscreen Qt, one QApplication for all tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with the thread sanitizer, so the hand-overs inside its own
// thread pools (images are converted and filled in parallel) are invisible
// to it and show as races between Qt's own calls (allocations, copies). Only
// calls made by Qt's libraries are excused; every access of the suite's code
// stays checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n";
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
    return RUN_ALL_TESTS();
}

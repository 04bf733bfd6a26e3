// Entry of the window tests: offscreen Qt, one QApplication for all tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with the thread sanitizer, so the hand-over inside its own
// drawing thread pool (images are converted and filled in parallel) is
// invisible to it and shows as races between Qt's allocations. Only Qt's
// own calls are excused; the suite's code stays fully checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Gui.so.6\n"
           "race:QRunnable::create\n"
           "race:QThreadPoolPrivate::enqueueTask\n";
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

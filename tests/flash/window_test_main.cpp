// Window tests run offscreen unless a platform was chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Qt is not built for the thread sanitizer: the blocking queued call behind
// RunOnWindowThread hands back through a semaphore it cannot see, so every
// later use of the worker's stack looks like a race with the window thread,
// and Qt's own pools report their internal hand-overs. Those reports are
// left out; races in the flash code outside these calls are still found.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:RunOnWindowThread\n"
           "race:libQt6Core.so\n"
           "race:libQt6Gui.so\n"
           "race:libQt6Widgets.so\n";
}

// A longer history, so the window thread's side of a report can be
// restored and matched against the suppressions above.
extern "C" const char* __tsan_default_options()
{
    return "history_size=7";
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

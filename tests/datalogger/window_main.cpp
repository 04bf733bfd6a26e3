#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Qt is not built for ThreadSanitizer: the hand-overs inside it (its event
// queue, its drawing thread pool) are invisible to the checker, which then
// reports the library's own allocations as races. Accesses made from inside
// Qt are ignored; our code's accesses are still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n";
}

int main(int argc, char** argv)
{
    // Discovery during the build runs this too, where no display exists.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

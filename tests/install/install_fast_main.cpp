// The installer with its waits shortened, for the tests that run it as a
// process (the self-replacement cycle takes three of them in a row).
#include "install.h"
#include "install_window.h"

#if defined(__SANITIZE_THREAD__)
// The window tests' policy (tests/support/window_test_main.cpp): Qt is not
// built with the thread sanitizer, so only calls made from its libraries
// are excused; the installer's own accesses stay checked.
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
    tInstallWaits = InstallWaits{50, 50, 50};
    return InstallProgramMain(argc, argv);
}

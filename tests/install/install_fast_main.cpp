// The installer with its waits shortened, for the tests that run it as a
// process (the self-replacement cycle takes three of them in a row).
#include "install.h"
#include "install_window.h"


int main(int argc, char** argv)
{
    tInstallWaits = InstallWaits{50, 50, 50};
    return InstallProgramMain(argc, argv);
}

#include "install_window.h"

int main(int argc, char** argv)
{
    return InstallProgramMain(argc, argv);
}

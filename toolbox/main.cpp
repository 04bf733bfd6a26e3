// VARN-Toolbox: the suite's start menu.
#include "appmain.h"
#include "toolbox_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_TOOLBOX, [] { return static_cast<QWidget*>(new ToolboxWindow()); });
}

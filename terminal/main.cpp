#include "appmain.h"
#include "terminal_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_TERMINAL, [] { return static_cast<QWidget*>(new TerminalWindow()); });
}

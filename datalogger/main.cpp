#include <cstdio>
#include <cstdlib>

#include "datalogger_window.h"

int main(int argc, char** argv)
{
    const int code =
        AppMain(argc, argv, PROGRAM_DATALOGGER, [] { return static_cast<QWidget*>(new DataloggerWindow()); });
    // A task that did not end within the close's wait must not run on into
    // the program's teardown: end the process here, as closing promised.
    if (DataloggerWindow::RunningWorkers() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

// VARN-Datalogger: logger refresh, erase and CSV download.
#include "appmain.h"
#include "datalogger_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_DATALOGGER, [] { return static_cast<QWidget*>(new DataloggerWindow()); });
}

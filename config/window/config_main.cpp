// VARN-Config: reads, edits and writes back the configuration of a sensor.
#include "appmain.h"
#include "config_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_CONFIG, CreateConfigWindow);
}

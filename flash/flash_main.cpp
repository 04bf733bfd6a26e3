// VARN-Flash: firmware upload and bootloader information.
#include "appmain.h"
#include "flash_window.h"

int main(int argc, char** argv)
{
    return AppMain(argc, argv, PROGRAM_FLASH, CreateFlashWindow);
}

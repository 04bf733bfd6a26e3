// Windows part of the file utilities.
#include "fileutil.h"

int FileHasProgramMode(const char*)
{
    return 0;   // only the "exe" extension makes a program here
}

// POSIX part of the file utilities.
#include <sys/stat.h>

#include "fileutil.h"

int FileHasProgramMode(const char* szPath)
{
    struct stat st {};
    return stat(szPath, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0
               ? 1
               : 0;
}

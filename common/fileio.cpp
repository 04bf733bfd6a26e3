// Portable part of the file system seam.
#include "fileio.h"

const char* FileTypeName(FileType nType)
{
    switch (nType) {
    case FILE_TYPE_REGULAR:
        return nullptr;
    case FILE_TYPE_FOLDER:
        return "folder";
    case FILE_TYPE_LINK:
        return "symbolic link";
    case FILE_TYPE_PIPE:
        return "pipe";
    case FILE_TYPE_DEVICE:
        return "device";
    case FILE_TYPE_SOCKET:
        return "socket";
    case FILE_TYPE_OTHER:
        break;
    }
    return "special file";
}

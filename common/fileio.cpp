// Portable part of the file system seam.
#include "fileio.h"

const char* FileKindName(FileKind nType)
{
    switch (nType) {
    case FILE_KIND_REGULAR:
        return nullptr;
    case FILE_KIND_FOLDER:
        return "folder";
    case FILE_KIND_LINK:
        return "symbolic link";
    case FILE_KIND_PIPE:
        return "pipe";
    case FILE_KIND_DEVICE:
        return "device";
    case FILE_KIND_SOCKET:
        return "socket";
    case FILE_KIND_OTHER:
        break;
    }
    return "special file";
}

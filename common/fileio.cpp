// Portable part of the file system seam.
#include "fileio.h"

#include <cerrno>

#include "fileutil.h"

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

FileBeside::~FileBeside()
{
    Abandon();
}

FILE* FileBeside::Open(const std::string& sSidePath)
{
    Abandon();
    pFile = FileOpenRegular(sSidePath.c_str(), "wb");
    if (pFile != nullptr)
        sSide = sSidePath;
    return pFile;
}

FILE* FileBeside::OpenTemporary(const std::string& sTemplate)
{
    Abandon();
    std::string path = sTemplate;
    pFile = FileCreateTemporary(&path);
    if (pFile != nullptr)
        sSide = path;
    return pFile;
}

bool FileBeside::Close(bool bSync)
{
    bool ok = !std::ferror(pFile) && (bSync ? FileFlushToDisk(pFile) : std::fflush(pFile) == 0);
    int err = errno;
    if (std::fclose(pFile) != 0 && ok) {
        ok = false;
        err = errno;
    }
    pFile = nullptr;
    if (!ok)
        errno = err != 0 ? err : EIO;
    return ok;
}

void FileBeside::Unfinish()
{
    const int err = errno;
    if (nUnfinished == UNFINISHED_REMOVE)
        std::remove(sSide.c_str());
    sSide.clear();
    errno = err;
}

FileBeside::Result FileBeside::Commit(const std::string& sTarget, bool bReplace)
{
    if (pFile == nullptr) {
        errno = EBADF;
        return FILE_BESIDE_NOT_WRITTEN;
    }
    if (!Close(true)) {
        Unfinish();
        return FILE_BESIDE_NOT_WRITTEN;
    }
    if (!(bReplace ? FileRenameReplacing(sSide.c_str(), sTarget.c_str())
                   : FileRenameNoReplace(sSide.c_str(), sTarget.c_str()))) {
        Unfinish();
        return FILE_BESIDE_NOT_RENAMED;
    }
    sSide.clear();
    return FILE_BESIDE_DONE;
}

bool FileBeside::Abandon()
{
    if (pFile == nullptr)
        return true;
    const bool ok = Close(nUnfinished == UNFINISHED_KEEP);
    Unfinish();
    return ok;
}

void FileBeside::Discard()
{
    if (pFile == nullptr)
        return;
    Close(false);
    std::remove(sSide.c_str());
    sSide.clear();
}

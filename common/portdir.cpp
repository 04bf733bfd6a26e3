#include "portdir.h"

#include <cstdlib>
#include <unistd.h>

std::string SerialVirtualPortDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0')
        return std::string(runtime) + "/varn-ports";
    return "/tmp/varn-ports-" + std::to_string(static_cast<unsigned>(getuid()));
}

#include "portdir.h"

std::string SerialVirtualPortDir()
{
    return RuntimeDir("varn-ports");
}

std::string InstanceSocketDir()
{
    return RuntimeDir("varn-instance");
}

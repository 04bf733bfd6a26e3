#include "serial_exit.h"

#include <cstdlib>
#include <mutex>

namespace {

void ReleaseAtExit()
{
    SerialExitRelease();
}

}  // namespace

void SerialExitGuardInstall()
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit(ReleaseAtExit);
        SerialExitGuardSignals();
    });
}

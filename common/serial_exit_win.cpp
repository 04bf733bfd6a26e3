// Windows part of letting go of the port: a port handle is the process's
// own and exclusive by nature; the system closes it, and frees the port,
// however the process ends. Nothing to clear, no handler to install.
#include "serial_exit.h"

void SerialExitRelease()
{
}

void SerialExitGuardSignals()
{
}

// The system frees the port with the process: no watch is needed.
void SerialExitWatch(SerialHandle)
{
}

void SerialExitUnwatch()
{
}

// Letting go of the serial port on the ways out that never reach SerialClose.
// serial_exit.cpp is portable; the platform part is declared at the end.
//
// The port is opened exclusively. On Linux the exclusive flag belongs to the
// terminal device, not to the descriptor: a process that ends without
// clearing it (killed by a signal, exit() in the middle of a run) leaves the
// device refusing every opener but the administrator until everybody has
// closed it, which for a simulator's pseudo-terminal or a port held open by
// another program may be never. SerialClose clears it on the ordinary path;
// these functions cover the others.
#pragma once

#include "serial_port.h"

// Clears the exclusive flag of the open port, which stays open. Safe in a
// signal handler and from any thread; does nothing while no port is open.
void SerialExitRelease();

// Once per process (later calls do nothing): SerialExitRelease at exit(),
// and for SIGHUP, SIGINT, SIGQUIT, SIGPIPE and SIGTERM, where they still
// have their default action, a handler that releases the port and then
// ends the process by the same signal, as the default action would have.
// Signals the program already handles or ignores are left alone; a handler
// installed later that ends the process itself calls SerialExitRelease.
void SerialExitGuardInstall();

// SIGKILL reaches no handler: SerialOpen starts a watch that clears the
// flag once the process that opened the port is gone, however it ended, and
// SerialClose ends the watch (waiting for it) before the port is closed. At
// most one watch at a time, like the port.
void SerialExitWatch(SerialHandle nHandle);
void SerialExitUnwatch();

// --- Platform part (serial_exit_posix.cpp) ------------------------------
// SerialExitRelease above, and the signal handlers of SerialExitGuardInstall
// (called once; nothing to do where the system frees the port with the
// process).
void SerialExitGuardSignals();

// The configuration's operations on the sensor: load and send on a worker
// thread, and the main window's connection, identity, reset and unlock.
//
// Threads. LoadSensorConfig and SendSensorConfig (and the file export and
// import, file_task.h) start their body on the worker of the attached
// operations object (operations.h) and return at once; one operation runs
// at a time, a start while one runs is refused. An operation that starts
// another (the send's follow-up load, the fresh load after the debug mode
// was switched off) calls the starter from its own body: the object then
// queues the operation, and the same worker thread runs it once the first
// body has returned, that is after its DlgPrgClose. The bodies talk to the
// pages (pages.h) and the front end (progress.h), which must be attached
// before. A stop asked of the worker ends the load and the send between two
// parameters, as a failure without a message of its own.
//
// Results are int 1 for success and 0 for failure; the step that failed
// has reported itself (Error, Warning, or the console wrapper's message).
#pragma once

#include <string>

#include "sensor_kind.h"

// Serial time-outs and waits of the operations, ms. The defaults are the
// program's; tests and benchmarks shorten them.
struct ConfigTimeouts {
    unsigned uIdentifyMs = 1000;    // wake-up, identification, listing; send, reset, unlock
    unsigned uParameterMs = 100;    // each parameter request of the load
    unsigned uRebootWaitMs = 1000;  // after the reboot of a send and after a reset
};
extern ConfigTimeouts tConfigTimeouts;

// Starts a load; bShowSummary selects the "Summary" tab when it succeeds.
// 0 when refused (a worker runs) or the thread could not be made
// ("Could not create load thread !").
int LoadSensorConfig(int bShowSummary);
// The load itself, on the calling thread: 1 when every step succeeded and
// the port is still open at the end.
int LoadSensorConfigFn(int bShowSummary);

// The value the last load read for the key, as the sensor answered it; ""
// when that load did not read it (a load stopped before it, or none ran).
// The send puts the averaging durations back from these when the sensor
// refuses a new one halfway through.
std::string ConfigLoadedValue(const char* szKey);

// Starts a send ("Could not create send thread !").
int SendSensorConfig();
// The send itself: 1 when every parameter was accepted and the sensor
// rebooted (the follow-up load is queued, not counted). Every value is
// checked first (ConfigCheckSendValues): a bad one is named and nothing is
// sent. A refusal by the sensor is reported as such, a failure of the line
// with the connection hint; either one inside the averaging sequence puts
// the loaded durations back first, so that the sensor is not left at
// A = C = 1 s, and the message says what was put back.
int SendSensorConfigFn();

// --- Main window -----------------------------------------------------------------
// The title line in the log, "No serial port selected !" for an empty name
// or "Select...", SerialOpen, the load with the Summary tab at its end, and
// the connected state at once. 1 when the load was started.
int DlgMainConnect(const char* szPort);
// Clears the unlock, closes the port, selects "Home", disconnected state.
void DlgMainDisconnect();
// The window's connected or disconnected controls, then the factory status.
void DlgMainStatus(int bConnected);
void DlgMainTabSelect(unsigned uIndex);

// The identity fields from the sensor (bWake: wake it first), the
// consumption, the debug-mode question and the scope-mode warning. Returns
// 0 when it disconnected for the scope mode or could not switch the debug
// mode off, else 1. *pReloadDue (when given) is set when the debug mode was
// switched off and the sensor rebooted: the caller starts the fresh load,
// unless it sends the pages next (an import with apply), whose own
// follow-up load reads the sensor back.
int DlgMainUpdateInfo(int bWake, bool* pReloadDue = nullptr);

// "Reset": asks first; then wake-up, "reset confirm", the lock, 1000 ms and
// a load without the Summary tab. 1 when the load was started. Runs on the
// calling thread (the window's) and blocks it for the exchange.
int DlgMainReset();

// Factory "Unlock": DlgFactoryAskUnlock, the factory status, then "Factory
// parameters are unlocked !" while bAdmin holds. Returns bAdmin.
int DlgFactoryUnlock();
// The password dialog and, when confirmed, the wake-up and "admin" with the
// password at 1000 ms: bAdmin from the sensor's answer (kept when the
// dialog is cancelled or the wake-up fails). No status, no message; used by
// the unlock and by the import of factory parameters. Returns bAdmin.
int DlgFactoryAskUnlock();

// The progress window of the configuration's workers and the password
// dialog, as thin wrappers over the task front end (task.h) and a
// replaceable dialog function.
//
// DlgPrgOpen announces the busy state with the operation's title (the
// window opens its progress window and disables itself), DlgPrgClose the
// idle state; DlgPrgSetStatus and DlgPrgSetProgress report progress. One
// progress window exists at a time: the workers run one after another and
// a chained operation starts only after the first one's DlgPrgClose
// (config_task.h). All four are called by the running worker only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "task.h"

// The front end every operation reports to, set once like the pages.
void ConfigAttachFrontEnd(TaskFrontEnd* pFrontEnd);
TaskFrontEnd& ConfigFrontEnd();

// Operation titles.
extern const char szLoadTitle[];   // "Loading..."
extern const char szSendTitle[];   // "Sending..."
extern const char szExportTitle[]; // "Export..."
extern const char szImportTitle[]; // "Import..."

// The status steps of the workers, each with its text; the front end keys
// its progress line on the step.
enum ConfigStatus : int {
    STATUS_WAKING_UP = 0,
    STATUS_SENSOR_TYPE,
    STATUS_LOADING_CONFIG,
    STATUS_LOADING_PARAMETERS,
    STATUS_SENDING_PARAMETERS,
    STATUS_REBOOT,
    STATUS_OPENING_FILES,
    STATUS_EXPORTING_PARAMETERS,
    STATUS_IMPORTING_PARAMETERS,
    STATUS_COUNT
};
// "Waking up", "Getting sensor type", ...
const char* ConfigStatusText(ConfigStatus nStatus);
// TASK_STEP_PROGRAM + nStatus.
int ConfigStatusStep(ConfigStatus nStatus);

void DlgPrgOpen(const char* szTitle);
// Stores "%s..." of the text as the current status and shows the text as
// it is, the bar unchanged.
void DlgPrgSetStatus(ConfigStatus nStatus);
// Clamps to 100 and shows "%s (%d %%)..." with the stored status.
void DlgPrgSetProgress(unsigned uPercent);
void DlgPrgClose();
// True between DlgPrgOpen and DlgPrgClose.
bool DlgPrgIsOpen();

// The password dialog: the dialog function gives the entered text and
// true for "OK", false for "Annuler" or a closed dialog. The default
// cancels. The window installs its dialog, varn one that answers --unlock.
using PasswordDialogFn = std::function<bool(std::string* pText)>;
void SetPasswordDialog(PasswordDialogFn fn);

// 1 when confirmed: szBuffer (uSize bytes) then holds the text, cut to
// uSize - 1 bytes; 0 when cancelled, the buffer untouched.
int DlgPassword(char* szBuffer, size_t uSize);

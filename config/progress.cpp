#include "progress.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "log.h"

const char szLoadTitle[] = "Loading...";
const char szSendTitle[] = "Sending...";
const char szExportTitle[] = "Export...";
const char szImportTitle[] = "Import...";

namespace {

const char* const tStatusTexts[STATUS_COUNT] = {
    "Waking up",             // STATUS_WAKING_UP
    "Getting sensor type",   // STATUS_SENSOR_TYPE
    "Loading config",        // STATUS_LOADING_CONFIG
    "Loading parameters",    // STATUS_LOADING_PARAMETERS
    "Sending parameters",    // STATUS_SENDING_PARAMETERS
    "Reboot",                // STATUS_REBOOT
    "Opening files",         // STATUS_OPENING_FILES
    "Exporting parameters",  // STATUS_EXPORTING_PARAMETERS
    "Importing parameters",  // STATUS_IMPORTING_PARAMETERS
};

// A front end that shows nothing, until the program attaches its own.
SilentFrontEnd tSilentFrontEnd;
std::atomic<TaskFrontEnd*> pFrontEnd{&tSilentFrontEnd};

// The progress window's state; written by the one running worker.
std::atomic<bool> bDlgPrgOpen{false};
char szDlgPrgStatus[TASK_TEXT_SIZE] = "";
int nDlgPrgStep = TASK_STEP_NONE;

std::mutex mPassword;
PasswordDialogFn fnPasswordDialog;

}  // namespace

void ConfigAttachFrontEnd(TaskFrontEnd* pNew)
{
    pFrontEnd = pNew != nullptr ? pNew : &tSilentFrontEnd;
}

TaskFrontEnd& ConfigFrontEnd()
{
    return *pFrontEnd.load();
}

const char* ConfigStatusText(ConfigStatus nStatus)
{
    return nStatus >= 0 && nStatus < STATUS_COUNT ? tStatusTexts[nStatus] : "";
}

int ConfigStatusStep(ConfigStatus nStatus)
{
    return static_cast<int>(TASK_STEP_PROGRAM) + static_cast<int>(nStatus);
}

void DlgPrgOpen(const char* szTitle)
{
    if (bDlgPrgOpen.exchange(true))
        Log("Progress window already open: '%s' takes it over", szTitle);
    szDlgPrgStatus[0] = '\0';
    nDlgPrgStep = TASK_STEP_NONE;
    ConfigFrontEnd().State(TASK_BUSY, szTitle);
}

void DlgPrgSetStatus(ConfigStatus nStatus)
{
    const char* text = ConfigStatusText(nStatus);
    std::snprintf(szDlgPrgStatus, sizeof szDlgPrgStatus, "%s...", text);
    nDlgPrgStep = ConfigStatusStep(nStatus);
    TaskProgress(ConfigFrontEnd(), TASK_POSITION_KEEP, nDlgPrgStep, "%s", text);
}

void DlgPrgSetProgress(unsigned uPercent)
{
    const unsigned percent = uPercent > 100 ? 100 : uPercent;
    TaskProgress(ConfigFrontEnd(), static_cast<int>(percent), nDlgPrgStep, "%s (%d %%)...", szDlgPrgStatus,
                 static_cast<int>(percent));
}

void DlgPrgClose()
{
    bDlgPrgOpen = false;
    ConfigFrontEnd().State(TASK_IDLE, nullptr);
}

bool DlgPrgIsOpen()
{
    return bDlgPrgOpen.load();
}

void SetPasswordDialog(PasswordDialogFn fn)
{
    std::lock_guard<std::mutex> lock(mPassword);
    fnPasswordDialog = std::move(fn);
}

int DlgPassword(char* szBuffer, size_t uSize)
{
    PasswordDialogFn fn;
    {
        std::lock_guard<std::mutex> lock(mPassword);
        fn = fnPasswordDialog;
    }
    std::string text;
    if (!fn || !fn(&text))
        return 0;
    if (uSize == 0)
        return 1;
    const size_t n = text.size() < uSize - 1 ? text.size() : uSize - 1;
    std::memcpy(szBuffer, text.data(), n);
    szBuffer[n] = '\0';
    return 1;
}

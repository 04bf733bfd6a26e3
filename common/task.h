// The task front end: how a long operation (a worker's body, or a command of
// the varn tool) shows its progress, its busy state, asks a question and
// shows information, without knowing whether a window or a terminal is in
// front of it.
//
// Every member is called on the task's own thread and returns once the
// front end has taken the value; a window front end hands the call to the
// window thread and waits (windowthread.h, RunOnWindowThread), a terminal front
// end prints. The programs' own names for these operations (MainDlgPrg,
// MainDlgState, DlgPrgOpen, DlgPrgSetStatus, DlgPrgSetProgress, DlgPrgClose,
// DlgMainSetProgressTxt, DlgMainProgress) are thin wrappers over this file.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <string>

#include "log.h"

// Busy states a task announces with State.
enum TaskState {
    TASK_IDLE = 0,          // the front end takes input again
    TASK_BUSY = 1,          // inputs off; Cancel on where the program has one
    TASK_BUSY_LOCKED = 2,   // still busy, past the point where Cancel can stop it
};

// What a progress report is about, independent of its text: a command line
// front end keys its progress line on the step, never on the text. Each
// program numbers its own steps from TASK_STEP_PROGRAM up.
enum TaskStep : int {
    TASK_STEP_NONE = 0,       // a report of its own, not repeated
    TASK_STEP_IDLE,           // the idle hint at the end of a run (windows show it, varn does not)
    TASK_STEP_OPEN,           // "Opening serial port..."
    TASK_STEP_WAKEUP,         // waking the console
    TASK_STEP_DONE,           // the task's last step ("Done !")
    TASK_STEP_PROGRAM = 100,  // first program-specific identifier
};

// Longest progress text, bytes including the terminator.
constexpr size_t TASK_TEXT_SIZE = 512;

// Position that leaves a progress bar where it is (a status text alone).
constexpr int TASK_POSITION_KEEP = -1;

class TaskFrontEnd {
public:
    virtual ~TaskFrontEnd() = default;

    // Position 0 to 100 (above 100 shows a full bar; TASK_POSITION_KEEP
    // leaves the bar), the step, and the text, already formatted and logged.
    virtual void Progress(int nPosition, int nStep, const char* szText) = 0;

    // Busy state (TaskState). szTitle names the operation where the front
    // end shows one (the configuration program's progress window caption);
    // it may be null.
    virtual void State(int nState, const char* szTitle) = 0;

    // Yes/No question; nIcon as the reporters (MESSAGE_ERROR draws the stop
    // icon, the others a question mark). 1 for Yes, 0 for No.
    virtual int Question(MessageKind nIcon, const char* szText) = 0;

    // An information text for the user (a box in a window, standard output
    // in varn). Not logged as a reporter line: it may be long.
    virtual void Information(const char* szText) = 0;
};

// A front end that shows nothing and gives every question one answer (No
// unless told): the one a program's task code reports to until the program
// attaches its own (a window, varn), and a driver's without a user.
class SilentFrontEnd : public TaskFrontEnd {
public:
    constexpr explicit SilentFrontEnd(int bAnswer = 0) : bAnswer(bAnswer) {}
    void Progress(int, int, const char*) override {}
    void State(int, const char*) override {}
    int Question(MessageKind, const char*) override { return bAnswer; }
    void Information(const char*) override {}

private:
    int bAnswer;
};

// The one progress formatter: formats the text (cut to TASK_TEXT_SIZE - 1
// bytes), logs it, hands it to the front end. Returns 1.
int TaskProgress(TaskFrontEnd& fe, int nPosition, int nStep, const char* szFormat, ...)
    __attribute__((format(printf, 4, 5)));
int TaskProgressV(TaskFrontEnd& fe, int nPosition, int nStep, const char* szFormat, va_list args)
    __attribute__((format(printf, 4, 0)));

// The running progress of an operation of N steps: each Advance adds 100/N
// to a sum kept in single precision, as the suite's workers count, so that
// 43 steps of 2.3255813 end at 99 or 100 exactly as they always have.
class TaskProgressSum {
public:
    explicit TaskProgressSum(unsigned uSteps) : fStep(uSteps == 0 ? 100.0f : 100.0f / static_cast<float>(uSteps)) {}
    // Adds one step; returns the sum's whole part.
    unsigned Advance()
    {
        fSum += fStep;
        return Percent();
    }
    unsigned Percent() const { return fSum <= 0.0f ? 0u : static_cast<unsigned>(fSum); }
    float Sum() const { return fSum; }

private:
    float fStep;
    float fSum = 0.0f;
};

// The frame of a task that holds the port for one run:
//  1. an empty port name or "Select..." is refused with "No serial port
//     selected !" (nothing else happens);
//  2. State(TASK_BUSY), progress 1 % "Opening serial port...", SerialOpen;
//  3. when the port opened: fnBody(), then the idle hint at 100 %, SerialClose;
//  4. State(TASK_IDLE) on every path that went busy.
// When fnBody leaves a text in *psEndStatus (a failure, a cancel), that text
// ends the run instead of the idle hint and the bar stays where the body
// left it, so a run that stopped does not look like one that completed.
// Returns fnBody's result, 0 when the port did not open or was not chosen.
int TaskRunOnPort(TaskFrontEnd& fe, const std::string& sPort, const char* szIdleHint,
                  const std::function<int()>& fnBody, const std::string* psEndStatus = nullptr);

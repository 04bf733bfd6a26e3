#include "task.h"

#include <cstdarg>
#include <cstdio>

#include "serial.h"

int TaskProgressV(TaskFrontEnd& fe, int nPosition, int nStep, const char* szFormat, va_list args)
{
    char text[TASK_TEXT_SIZE];
    std::vsnprintf(text, sizeof text, szFormat, args);
    Log("%s", text);
    fe.Progress(nPosition, nStep, text);
    return 1;
}

int TaskProgress(TaskFrontEnd& fe, int nPosition, int nStep, const char* szFormat, ...)
{
    va_list args;
    va_start(args, szFormat);
    TaskProgressV(fe, nPosition, nStep, szFormat, args);
    va_end(args);
    return 1;
}

int TaskRunOnPort(TaskFrontEnd& fe, const std::string& sPort, const char* szIdleHint,
                  const std::function<int()>& fnBody, const std::string* psEndStatus)
{
    if (sPort.empty() || sPort == SERIAL_SELECT_ENTRY)
        return Error("No serial port selected !");
    fe.State(TASK_BUSY, nullptr);
    TaskProgress(fe, 1, TASK_STEP_OPEN, "Opening serial port...");
    int ok = 0;
    if (SerialOpen(sPort.c_str())) {
        ok = fnBody();
        if (psEndStatus != nullptr && !psEndStatus->empty())
            TaskProgress(fe, TASK_POSITION_KEEP, TASK_STEP_IDLE, "%s", psEndStatus->c_str());
        else
            TaskProgress(fe, 100, TASK_STEP_IDLE, "%s", szIdleHint);
        SerialClose();
    }
    fe.State(TASK_IDLE, nullptr);
    return ok;
}

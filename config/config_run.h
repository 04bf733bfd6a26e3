// The progress of one load or send run behind the progress window: a step
// count spread over the bar, the status steps, and the one way out (bar to
// 100, progress window closed) that every path takes, failures included.
#pragma once

#include "config_task.h"
#include "pages.h"
#include "progress.h"
#include "task.h"

class ConfigRun {
public:
    explicit ConfigRun(unsigned uSteps) : tSum(uSteps) {}

    void Step() { DlgPrgSetProgress(tSum.Advance()); }
    void Status(ConfigStatus nStatus)
    {
        DlgPrgSetStatus(nStatus);
        Step();
    }
    static int Finish(int ok)
    {
        DlgPrgSetProgress(100);
        DlgPrgClose();
        return ok;
    }
    // Shows the page whose parameter failed, then finishes as a failure.
    static int FailOnPage(int nPage)
    {
        DlgMainTabSelect(static_cast<unsigned>(nPage));
        return Finish(0);
    }

private:
    TaskProgressSum tSum;
};

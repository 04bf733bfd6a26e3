// The configuration program on in-memory pages for one varn command: the
// pages, varn's front end and the operations (on a worker of the session's
// own) attached for the command's lifetime, the operations waited for, and
// the configuration printed as the "config" commands print it. Used by
// cmd_config.cpp and cmd_config_file.cpp; one session at a time, on the
// main thread.
#pragma once

#include <climits>
#include <cstdio>
#include <string>

#include "appframe.h"
#include "codecs.h"
#include "config_task.h"
#include "frontend.h"
#include "memory_pages.h"
#include "operations.h"
#include "param_table.h"
#include "progress.h"
#include "serial.h"

class ConfigSession {
public:
    explicit ConfigSession(bool bYes) : fe(bYes)
    {
        nProgram = PROGRAM_CONFIG;
        ConfigAttachOperations(&operations);
        ConfigAttachPages(&pages);
        ConfigAttachFrontEnd(&fe);
        ConfigPagesCreate();
    }
    ~ConfigSession()
    {
        operations.WaitIdle(UINT_MAX);
        SerialClose();
        ConfigAttachOperations(nullptr);
        ConfigAttachFrontEnd(nullptr);
        ConfigAttachPages(nullptr);
        SetPasswordDialog(nullptr);
    }
    ConfigSession(const ConfigSession&) = delete;
    ConfigSession& operator=(const ConfigSession&) = delete;

    // Waits for the started operations; 1 when all of them succeeded.
    int Finish(int bStarted)
    {
        operations.WaitIdle(UINT_MAX);
        return bStarted && operations.ChainResult();
    }

    // The password dialog answers sPassword from now on.
    static void AnswerPassword(const std::string& sPassword)
    {
        SetPasswordDialog([sPassword](std::string* pText) {
            *pText = sPassword;
            return true;
        });
    }

    // Identity fields and derived figures as "Label: value" lines in the
    // window's order, then every parameter the load reads as "key=value".
    void Print()
    {
        static constexpr CtlId tPrintedFields[] = {
            CTL_MAIN_SENSOR,        CTL_MAIN_VERSION, CTL_MAIN_SN,    CTL_MAIN_HARDWARE, CTL_MAIN_FIRMWARE,
            CTL_MAIN_MANUFACTURING, CTL_MAIN_VISA,    CTL_MAIN_CONSO, CTL_AVG_D,
        };
        CliFrontEnd::EndLine();
        for (CtlId id : tPrintedFields)
            std::printf("%s: %s\n", tConfigControls[id].szCaption, pages.Text(id).c_str());
        std::printf("Datalogger status: %s\n", pages.Text(CTL_LOGGER_STATUS).c_str());
        for (size_t i = 0; i < uSensorParamCount; i++) {
            const SensorParam& p = tSensorParams[i];
            if ((p.uOps & OP_LOAD) && p.nPage != PAGE_MAIN && SensorParamAppliesNow(p))
                std::printf("%s=%s\n", p.szKey, ParamGetValue(p, USE_FILE).c_str());
        }
        std::fflush(stdout);
    }

    MemoryPages pages;

private:
    CliFrontEnd fe;
    Worker worker{"configuration"};
    ConfigOperations operations{worker};
};

// The figures the pages derive from their own contents, and the factory
// status. Each Dlg* function reads and writes the attached pages, so it runs
// on whichever thread calls it (the window thread on a user's change, the
// workers after they filled a page); the pure functions beside them hold
// the arithmetic.
#pragma once

#include <string>

#include "pages.h"

// --- Consumption (main window, "Estimated Consumption") ---------------------
// D the duty cycle in %, F the clock in MHz, bRaw the raw output, bOutput
// any output other than Disabled. 32-bit float as the sensor's figures are.
float ConsumptionMa(float fDuty, float fClockMhz, bool bRaw, bool bOutput);
// "%.1f mA" of it (locale-independent).
std::string ConsumptionText(float fMa);
void DlgMainUpdateConso();

// --- Duty cycle (Averaging "D") -------------------------------------------------
// a x 100 / c as "%.1f", or "" when a or c is 0 (texts that are not numbers
// count as 0).
std::string DutyCycleText(const std::string& sA, const std::string& sC);
// D from A and C, then the datalogger line and the consumption.
void DlgAveragingUpdate();

// --- Datalogger status line -------------------------------------------------------
enum LoggerModeChoice : int { LOGGER_OFF = 0, LOGGER_ON, LOGGER_CYCLIC_MODE };
// The line for: the Averaging "M" text, the firmware in hundredths, the
// flash chip, the selected mode and the thirteen field boxes (bit i). A
// firmware without logger support or a sensor without the flash chip shows
// its notice whatever the mode; else "Enabled" and "Cyclic" show the
// capacity and "Disabled" nothing.
std::string DataloggerStatusText(const std::string& sM, int nFirmware, int bExtFlash, int nMode, unsigned uFields);
void DlgDataloggerUpdate();

// --- Factory page --------------------------------------------------------------------
// Enables the value controls while bAdmin holds, disables them otherwise;
// the primary calibration factor only for the primary kinds, the wind one
// only for the wind kinds (the other kinds leave it as it is).
void DlgFactoryStatus();

// --- What a page does when the user changes a control ------------------------------
// The reactions of the pages: output buttons and the clock list update the
// consumption; SDI12 buttons enable the address box (disabled for
// "Disabled"); Datalogger buttons and boxes update the status line; A, C
// and M update the averaging figures. Other controls: nothing.
void ConfigPageReaction(CtlId nId);

// Locale-independent "%.1f".
std::string FormatTenths(double fValue);

// Checks of the values the configuration writes to the sensor, made before
// the first byte goes out: a typo in a field, a value too long for a
// command or a line end must never leave the sensor half configured.
//
// The number fields are named here once: the window gives them a validator
// from ConfigFieldTypingPattern, the send checks what they hold, and the
// import checks what a file puts into them. Runs on any thread.
#pragma once

#include <string>

#include "pages.h"
#include "param_table.h"

// What a number field holds.
enum ConfigNumberKind : int {
    NUMBER_NONE = 0,   // no number field
    NUMBER_WHOLE,      // decimal digits: durations, time-outs, delays
    NUMBER_DECIMAL,    // a sign, digits, a fraction: thresholds, coefficients, factors
};
ConfigNumberKind ConfigFieldNumberKind(CtlId nId);

// Most digits a number takes before its point and after it (whole numbers
// then fit 32 bits as the sensor holds them).
constexpr size_t CONFIG_NUMBER_DIGITS = 10;

// A regular expression for what may stand in the field while a number is
// being typed into it (an empty field, a lone sign, a trailing point
// included); nullptr for a field that is no number.
const char* ConfigFieldTypingPattern(CtlId nId);

// How much of a value to check.
enum ConfigCheck : int {
    CHECK_WORDS = 0,   // a line end or zero byte; a word its codec does not know
    CHECK_PRESENT,     // and an empty value (a blank serial number is allowed: it goes out as "unknown")
    CHECK_SEND,        // and a command too long for the sensor; what is no number in a number field
};
// Why sValue cannot stand as the value of tParam, "" when it can. The
// reason quotes the value shortened (SensorShortValue).
std::string ConfigValueFault(const SensorParam& tParam, const std::string& sValue, ConfigCheck nCheck);

// Every value the send is going to write (the rows of the connected kind
// and firmware, the factory ones when bUnlocked), checked as they stand on
// the pages, with a choice made in every group and list. On the first
// fault: its page selected, the focus on its control, "Bad value in '%s' on
// the page '%s' : %s !\nNothing has been sent to the sensor !" reported,
// and 0. 1 when all of them can go out.
int ConfigCheckSendValues(bool bUnlocked);

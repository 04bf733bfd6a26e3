// Local time: the one place that turns a time into the local calendar
// (file names of recordings, the date of the update check).
//
// timeutil.cpp is portable; the platform part is timeutil_posix.cpp and
// timeutil_win.cpp (each system has its own thread-safe call).
#pragma once

#include <ctime>
#include <string>

// tmValue (seconds since 1970) formatted by strftime in local time; the
// empty text when the result does not fit 63 characters.
std::string LocalTimeText(long long tmValue, const char* szFormat);

// Platform part.

// tmValue broken down in local time into *pLocal; false when the system
// cannot (a time out of its range), *pLocal then zero.
bool LocalTimeOf(long long tmValue, std::tm* pLocal);

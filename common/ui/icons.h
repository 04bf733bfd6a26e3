// The suite's own icons, drawn in code.
#pragma once

#include <QIcon>

// The suite's small window icon (the logo's sensor head); AppMain gives it
// to every window of the program.
QIcon UiSuiteIcon();
// The suite's 16x16 refresh icon (a circular arrow) of every port list.
QIcon UiRefreshIcon();

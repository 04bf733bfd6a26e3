// The program entry shared by every program, and its main window.
#pragma once

#include "profile.h"

class QWidget;

// The main window: owner of every message box and dialog. Null until the
// program's window exists (boxes then have no owner).
extern QWidget* hDlgMain;

// The common entry of every program: QApplication, the start-up frame
// (AppStartupFrame), the single-instance guard (unless the profile says
// otherwise: a second start asks the first to raise its window and returns
// 0), message boxes, then the main window from pfnCreateMainWindow: hDlgMain
// set, title szAppTitle, shown, event loop. Returns the exit code. A
// creation function that returns nullptr has done the program's work
// without a window: the program then ends with 0.
int AppMain(int argc, char** argv, Program nWhich, QWidget* (*pfnCreateMainWindow)());

// Ends the program: closes the main window and leaves the event loop. Used
// after a sibling tool was started and by "Quit".
void UiQuitProgram();


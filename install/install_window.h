// The installer's progress window and the program's entry.
//
// The window is the tool window kit's status line alone: a small fixed
// window, centred on the screen, with a caption and a close box and no menu;
// the progress bar (0 to 100, tool tip "Install operation progress...")
// above one centred text line, which shows "..." until the first progress
// text. The installation runs on the kit's one worker and reports through
// the kit's front end. Closing the window ends the program at once.
#pragma once

#include <functional>

#include "toolwindow.h"

class InstallWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit InstallWindow(QWidget* pParent = nullptr);
    ~InstallWindow() override;

    // Starts the installation (Process) with this window as its front end;
    // it ends the window as its last step. When the thread cannot be made
    // the failure is reported and the window stays until the user closes it.
    void StartInstallation();

    // What the installation calls last: asks the window thread to end the
    // window, and so the program, once the installation thread has ended.
    // Returns at once; any thread.
    std::function<void()> EndFn();

    // What closing the window by its close box does while the installation
    // runs. The default ends the program at once, whatever the installation
    // thread is doing (files moved stay moved, the script stays). Tests
    // replace it; nullptr restores the default.
    static void SetCloseHandler(std::function<void()> fn);

protected:
    void OnCloseRequested() override;
};

// The program: the mode from the command line; install mode shows the
// window, self and hand-over modes run without one. Returns the exit code.
int InstallProgramMain(int argc, char** argv);

// The progress window of the configuration's operations (load, send,
// export, import) and the task front end that drives it.
//
// The window: modeless, centred on its owner, captioned with the
// operation's title, a bar from 0 to 100 above one centred status line
// that reads "Waiting..." when it opens. Its close box (and Escape) only
// hide it: the operation goes on and the owner stays without input until
// the operation ends. One exists at a time; it is reused by every
// operation.
//
// The front end: State(TASK_BUSY, title) takes the owner's input away and
// opens the window; State(TASK_IDLE) closes it and gives the input back;
// Progress shows the text and moves the bar at once (SetProgress, the "+1
// then back" step) and repaints before returning. Questions and
// information go to the desktop layer's boxes. Every member may be called
// from a worker: the window's part runs on the window thread through the
// gate (nothing happens once the gate is shut).
#pragma once

#include <QDialog>
#include <functional>

#include "task.h"

class QLabel;
class QProgressBar;

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* pOwner);

    // Caption, bar at 0, "Waiting...", centred on the owner, shown.
    void Open(const QString& sTitle);
    // The text, and the bar unless nPosition is TASK_POSITION_KEEP; drawn
    // before returning.
    void ShowProgress(int nPosition, const QString& sText);

    QProgressBar* Bar() const { return pBar; }
    QLabel* Status() const { return pStatus; }

private:
    QProgressBar* pBar;
    QLabel* pStatus;
};

class ProgressFrontEnd : public TaskFrontEnd {
public:
    // fnOwnerInput turns the owner's input off (false) and on (true).
    ProgressFrontEnd(QWidget* pOwner, std::function<void(bool)> fnOwnerInput);
    ~ProgressFrontEnd() override;

    void Progress(int nPosition, int nStep, const char* szText) override;
    void State(int nState, const char* szTitle) override;
    int Question(MessageKind nIcon, const char* szText) override;
    void Information(const char* szText) override;

    // The window, once an operation has opened it (window thread).
    ProgressWindow* Window() const { return pWindow; }
    // True from State(TASK_BUSY) to State(TASK_IDLE) (window thread).
    bool IsOpen() const { return bOpen; }

private:
    QWidget* pOwner;
    std::function<void(bool)> fnOwnerInput;
    ProgressWindow* pWindow = nullptr;
    bool bOpen = false;
};

// The fixture of the configuration window tests: the real window,
// offscreen, against the simulator on a real pseudo-terminal, with the
// question boxes answered and the messages recorded.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config_window.h"
#include "simulator.h"
#include "test_support.h"

class QWidget;

class ConfigWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the simulator (unpaced, fast reboot) of a kind.
    void StartSim(const std::string& sKind = "KORVALIN", const std::string& sFirmware = "3.45");
    // Opens the window with these ports in its list (the first preselected).
    void OpenWindow(std::vector<std::string> vPortList);
    // Simulator and window, "Connect" clicked, the load waited for.
    void Connected(const std::string& sKind = "KORVALIN");
    // Clicks a button of the window as the user does, then waits for the
    // operations it started.
    void Click(QWidget* pButton);
    // Clicks a control of a page as the user does: a radio button or check
    // box on its indicator.
    void ClickControl(CtlId nId);
    // Waits for the running operations and what they chain.
    bool WaitIdle();

    // The widget of a control.
    QWidget* Widget(CtlId nId);
    // Its text as the seam reads it.
    std::string TextOf(CtlId nId);
    // The simulator's commands without the wake-ups, and cleared.
    std::vector<std::string> Commands() const;

    // Answers the next password dialog the window opens: types sText and
    // presses "OK" (bOk) or "Annuler". The dialog seen is kept in
    // tPasswordSeen.
    void AnswerPassword(const std::string& sText, bool bOk = true);
    struct PasswordSeen {
        bool bShown = false;
        QString sTitle;
        QString sLabel;
        bool bMasked = false;
        bool bOkDefault = false;
        QString sCancel;
    } tPasswordSeen;

    TempDir dir;
    std::unique_ptr<MessageRecorder> messages;
    std::vector<std::string> vPorts;
    std::vector<std::string> vQuestions;
    int nAnswer = 1;
    std::unique_ptr<varnsim::Simulator> sim;
    std::unique_ptr<ConfigWindow> window;
};

// What a probe saw of the progress windows while an operation ran.
struct ProgressSeen {
    int nMostVisible = 0;              // progress windows visible at one time
    std::vector<std::string> vTitles;  // captions, each change once
    bool bInputWhileOpen = false;      // the main window took input while one was open
    bool bCentred = true;
    int nLastValue = -1;
};

// A probe's function that records the progress windows into pSeen.
std::function<void()> Watch(ConfigWindow* pWindow, ProgressSeen* pSeen);

// Keeps calling fn on the window thread (every event loop turn) until the
// object is destroyed: a probe of what the window shows while an operation
// runs.
class WindowProbe {
public:
    explicit WindowProbe(std::function<void()> fn);
    ~WindowProbe();

private:
    class Impl;
    std::unique_ptr<Impl> pImpl;
};

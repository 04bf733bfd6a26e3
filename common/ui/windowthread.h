// The window-thread gate: the one way for a worker to reach the window
// thread.
//
// Threads: every program has one window thread (the one that runs
// QApplication) and at most one worker. Widgets are touched only on the
// window thread; a worker that must fill a control, show a box or ask a
// question goes through RunOnWindowThread, which runs the call there and
// waits for it.
#pragma once

#include <functional>

class QObject;

// RunOnWindowThread runs fn there and waits for it: directly when called on
// the window thread (or when there is no QApplication at all: the varn tool,
// core tests), otherwise queued to the window thread. It returns true when
// fn ran.
//
// Shutdown rule: once the gate is shut (the main window closed, or the event
// loop ended), every call from another thread that is still queued, and
// every later one, returns false at once without running fn, so that no
// worker waits for a window thread that will never serve it again. A call
// already running (a message box) finishes. Calls made on the window thread
// itself still run directly. A main window opens the gate when it is
// created (tests create several in one process).
//
// Dead-lock rule: the window thread must never block on a worker that may be
// inside RunOnWindowThread; it waits with a bounded wait that keeps its
// events running (UiWaitFor, Worker::Stop with the wait pump).
bool RunOnWindowThread(const std::function<void()>& fn);

// Queues fn to the window thread and returns at once, never waiting (redraw
// requests of a receive thread). fn runs later unless the gate was shut in
// between, or pContext (when given) was destroyed in between; false when the
// gate is already shut.
bool PostToWindowThread(std::function<void()> fn, QObject* pContext = nullptr);

// A main window opens the gate when it is created; the program entry shuts
// it when the event loop has ended, the kit when its window closes.
void UiGateOpen();
void UiGateShut();


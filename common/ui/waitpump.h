// Bounded waits on the window thread that keep its events running.
//
// Dead-lock rule: the window thread must never wait on a worker that may be
// waiting on it (a worker inside RunOnWindowThread waits for the window
// thread). Stopping a worker from the window thread is therefore done with a
// flag plus a bounded wait that keeps the window thread's events running.
#pragma once

#include <functional>

// Installs the wait pump of worker.h: a bounded wait on the window thread
// keeps the window's events running. AppMain and the window-test entry call it.
void UiInstallWaitPump();

// Keeps the window thread's events running until pred() is true or
// uTimeoutMs have passed; true when pred() became true.
bool UiWaitFor(const std::function<bool()>& pred, unsigned uTimeoutMs);


#pragma once
#include <functional>

// SIGTERM, SIGINT and SIGHUP end the program as the close box would. The three signals are blocked in
// every thread and read from a descriptor in the event loop, so no signal handler runs at all (a client
// library's own handlers never see them).

// First thing in main, before any thread starts: the threads started later inherit the blocked signals.
void BlockQuitSignals();
// Once the application object exists: onSignal runs in the event loop for each signal that arrives.
void WatchQuitSignals(std::function<void()> onSignal);

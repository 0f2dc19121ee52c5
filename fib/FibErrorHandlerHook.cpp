#include "fib/FibErrorHandlerHook.h"

#include <atomic>

namespace {
std::atomic<IFibErrorHandler*> g_handler{nullptr};
}

IFibErrorHandler* ActiveErrorHandler() { return g_handler.load(); }
void SetActiveErrorHandler(IFibErrorHandler* handler) { g_handler.store(handler); }

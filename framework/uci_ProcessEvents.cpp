#include "framework/uci_ProcessEvents.h"

#include <atomic>

namespace {
std::atomic<TProcessEventsHook> gHook{nullptr};
}

void SetProcessEventsHook(TProcessEventsHook hook) { gHook = hook; }

void ProcessPendingEvents()
{
    if (const TProcessEventsHook hook = gHook.load()) hook();
}

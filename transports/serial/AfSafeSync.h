// Process-wide registry of cross-thread calls.
//
// A handler registered here always runs on the thread of the application object (the
// thread that made the first registration when there is none yet), which must run a Qt
// event loop.
// Any thread can call a registered handler there and block until it has run, until the
// time-out passes, or until the handler's slot is disabled or released, whichever
// comes first; so an owner that disables its slot before waiting for its worker never
// deadlocks with a worker blocked in a call. The table has AfSafeSyncSlotCount slots. An
// exception that escapes a handler goes to the transports' error receiver
// (uTransportErrors.h).
#pragma once

#include <any>
#include <cstddef>
#include <cstdint>
#include <functional>

using TAfSafeSyncHandler = std::function<void(const std::any& arg)>;

inline constexpr size_t AfSafeSyncSlotCount = 64;

// A new, disabled slot with this handler; its identifier, or 0 when all slots are taken.
uint32_t AfSafeSyncRegister(TAfSafeSyncHandler handler);
void AfSafeSyncUnregister(uint32_t id);
// Frees the slot for another registration without waiting: a handler under way still
// finishes, and the slot is free once it has; none is called any more. For an owner
// that lives on and may register again.
void AfSafeSyncRelease(uint32_t id);
void AfSafeSyncEnable(uint32_t id, bool enable);

// Runs the slot's handler with arg on the registry's thread (directly when called from
// that thread) and waits up to timeoutMs. True when the slot is still registered and
// enabled afterwards, whether or not the handler has finished; false, without a call,
// when it is not. A handler still queued after a time-out runs later.
bool AfSafeSyncCall(uint32_t id, int timeoutMs, std::any arg);

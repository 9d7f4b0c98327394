// A test's own requests to the module of a session: made on the session's worker, the
// one thread that makes requests on its link, while the test's thread runs its events.
#pragma once

#include "session/uValdrixSession.h"
#include "tests/support/pump_until.h"

#include <functional>
#include <memory>

// The call's result; false as well when the worker did not get to it within a minute.
inline bool OnSessionWorker(TValdrixSession& session, std::function<bool(IValdrix&)> call)
{
    enum TState { Waiting, Succeeded, Failed };
    // Shared, so that a call the test stopped waiting for still has where to report.
    const auto state = std::make_shared<std::atomic<TState>>(Waiting);
    session.RunScript([state, call = std::move(call)](TSessionScript& script) {
        *state = call(script.Link().Device()) ? Succeeded : Failed;
    });
    return PumpUntil([&] { return *state != Waiting; }, std::chrono::minutes(1)) && *state == Succeeded;
}

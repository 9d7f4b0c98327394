// Pacing of the commands that repeat (monitor, ping, scan): each round starts one interval
// after the previous round started, so the time a round takes is not added to the
// interval; a round that overruns it is followed at once. SIGINT and SIGTERM end the
// repetition after the round that is running.
#pragma once

#include <chrono>
#include <optional>

class TCliPacer {
public:
    // Takes over SIGINT and SIGTERM.
    explicit TCliPacer(std::chrono::milliseconds interval);

    // Waits until the next round is due; false when a stop signal came first.
    bool Next();
    // Waits this long outside the rounds (the round after it follows at once); false
    // when a stop signal came first.
    bool Pause(std::chrono::milliseconds length);
    // Whether a stop signal came.
    bool Stopped() const;

private:
    std::chrono::milliseconds FInterval;
    std::optional<std::chrono::steady_clock::time_point> FLastStart;
};

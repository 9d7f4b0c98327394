// Single-threaded event loop of the simulator: poll() over the descriptors its sources
// name on each turn, plus one-shot timers (delayed answers, deferred hang-ups).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class TSimLoop {
public:
    struct TWatch {
        int Fd;
        short Events;
        std::function<void(short revents)> OnReady;
    };

    class ISource {
    public:
        virtual ~ISource() = default;
        // Appends the descriptors to watch on this turn.
        virtual void Watches(std::vector<TWatch>& watches) = 0;
    };

    // At most this many timers wait at once; After refuses more.
    static constexpr size_t MaxTimers = 65536;

    TSimLoop();

    void AddSource(ISource& source) { FSources.push_back(&source); }
    // Runs `action` once, `delayMs` from now. Timers due at the same moment run in the
    // order they were added. False (and nothing scheduled) when too many are waiting.
    bool After(int64_t delayMs, std::function<void()> action);
    // Milliseconds since the loop was created.
    int64_t Now() const;
    // Waits at most maxWaitMs for activity, then handles what is ready and due.
    void RunOnce(int maxWaitMs);

private:
    void RunDueTimers();

    int64_t FStart;
    uint64_t FSequence = 0;
    std::vector<ISource*> FSources;
    std::map<std::pair<int64_t, uint64_t>, std::function<void()>> FTimers;
};

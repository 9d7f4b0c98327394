#include "app/station/uStationPrompt.h"

#include "app/station/uStationTexts.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace {

// How often the waiting worker looks whether the run was stopped.
constexpr std::chrono::milliseconds StopCheck{100};

struct TPendingAnswer {
    std::mutex Lock;
    std::condition_variable Given;
    std::optional<TPromptAnswer> Answer;
};

} // namespace

TStationPrompt WindowPrompt(TPostBoxPtr box, TShowPrompt show)
{
    return [box = std::move(box), show = std::move(show)](const std::string& text, const TStationStopped& stopped) {
        auto pending = std::make_shared<TPendingAnswer>();
        const bool posted = box->Post([show, pending, text] {
            show(StationText(text), [pending](TPromptAnswer answer) {
                const std::lock_guard lock(pending->Lock);
                pending->Answer = answer;
                pending->Given.notify_all();
            });
        });
        if (!posted) return TPromptAnswer::Aborted;
        std::unique_lock lock(pending->Lock);
        while (!pending->Given.wait_for(lock, StopCheck, [&] { return pending->Answer.has_value(); }))
            if (stopped()) return TPromptAnswer::Aborted;
        return stopped() ? TPromptAnswer::Aborted : *pending->Answer;
    };
}

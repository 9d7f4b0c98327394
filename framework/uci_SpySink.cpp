#include "framework/uci_SpySink.h"

#include <mutex>
#include <shared_mutex>

namespace {

struct TSpySinkSlot {
    std::shared_mutex Lock;
    TSpySink Sink;
};

TSpySinkSlot& Slot()
{
    static TSpySinkSlot slot;
    return slot;
}

} // namespace

void SetSpySink(const TSpySink& sink)
{
    auto& slot = Slot();
    std::unique_lock lock(slot.Lock);
    slot.Sink = sink;
}

TSpySink ExchangeSpySink(const TSpySink& sink)
{
    auto& slot = Slot();
    std::unique_lock lock(slot.Lock);
    TSpySink previous = slot.Sink;
    slot.Sink = sink;
    return previous;
}

bool RemoveSpySink(const TSpySink& sink, const TSpySink& restored)
{
    auto& slot = Slot();
    std::unique_lock lock(slot.Lock);
    if (!slot.Sink || !(slot.Sink == sink)) return false;
    slot.Sink = restored;
    return true;
}

TSpySink GetSpySink()
{
    auto& slot = Slot();
    std::shared_lock lock(slot.Lock);
    return slot.Sink;
}

void CallSpySink(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction) noexcept
{
    auto& slot = Slot();
    std::shared_lock lock(slot.Lock);
    if (!slot.Sink) return;
    try {
        slot.Sink(intf, bytes, direction);
    } catch (...) {
        // A failing sink never disturbs the transport that moved the bytes.
    }
}

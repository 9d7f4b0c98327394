#include "uEventer.h"

#include <chrono>

namespace {
// How long a fire waits before looking again at a handler that another thread runs.
constexpr auto BusyWait = std::chrono::milliseconds(10);
} // namespace

TEventer::~TEventer()
{
    FClosing.store(true);
    Clear();
}

void TEventer::Clear()
{
    TWriteScope guard(FLock);
    FTable.clear();
}

bool TEventer::IsFiring() const
{
    TReadScope guard(FLock);
    return FFireDepth > 0;
}

int32_t TEventer::HandlerCount() const
{
    TReadScope guard(FLock);
    int32_t n = 0;
    for (const TEntry& e : FTable)
        if (e.Active) ++n;
    return n;
}

int32_t TEventer::EntryCount() const
{
    TReadScope guard(FLock);
    return int32_t(FTable.size());
}

int32_t TEventer::FindLast(const TEventHandler& h) const
{
    for (size_t i = FTable.size(); i-- > 0;)
        if (FTable[i].Handler == h) return int32_t(i);
    return -1;
}

void TEventer::AddHandler(const TEventHandler& h)
{
    if (FClosing.load()) return;
    TWriteScope guard(FLock);
    const int32_t found = FindLast(h);
    if (found >= 0) {
        if (FTable[size_t(found)].Active) return;
        // A removed entry still running its last call: make sure it can never match again.
        FTable[size_t(found)].Handler = TEventHandler{};
    }
    FTable.push_back(TEntry{true, h, false, {}});
}

void TEventer::RemoveHandler(const TEventHandler& h)
{
    TWriteScope guard(FLock);
    const int32_t found = FindLast(h);
    if (found < 0) return;
    FTable[size_t(found)].Active = false;
    // While a fire runs, the firing loop skips the entry and cleans it up.
    if (FFireDepth == 0) FTable.erase(FTable.begin() + found);
}

TEventer::TScan TEventer::NextCallable(size_t& i, TEventHandler& handler)
{
    const auto me = std::this_thread::get_id();
    size_t target = i; // lowest slot the next callable entry may be moved down to
    for (size_t k = i; k < FTable.size(); ++k) {
        TEntry& e = FTable[k];
        if (IsDead(e)) continue;
        if (e.InCall) {
            if (e.CallThread != me) {
                i = k;
                return TScan::Busy;
            }
            // This thread is inside that handler already (a re-fire from the handler):
            // skip it instead of waiting for a call that cannot end.
            target = k + 1;
            continue;
        }
        if (k > target) {
            FTable[target] = e;
            e = TEntry{};
        }
        i = target;
        TEntry& slot = FTable[i];
        slot.InCall = true;
        slot.CallThread = me;
        handler = slot.Handler;
        return TScan::Ready;
    }
    // Dead entries at the end of the table (also one whose handler was removed during
    // its own call in this fire) are dropped; an entry in call is never dead, so the
    // slot that another fire is calling keeps its index.
    while (!FTable.empty() && IsDead(FTable.back())) FTable.pop_back();
    return TScan::End;
}

void TEventer::EndCall(size_t i)
{
    TWriteScope guard(FLock);
    TEntry& e = FTable[i];
    e.InCall = false;
    e.CallThread = {};
    if (!e.Active) e.Handler = TEventHandler{};
}

void TEventer::Fire(const void* arguments)
{
    if (FClosing.load()) return;
    {
        TWriteScope guard(FLock);
        ++FFireDepth;
    }
    struct TDepthGuard {
        TEventer& Owner;
        ~TDepthGuard()
        {
            TWriteScope guard(Owner.FLock);
            --Owner.FFireDepth;
        }
    } depth{*this};

    size_t i = 0;
    for (;;) {
        TEventHandler handler;
        TScan scan;
        {
            TWriteScope guard(FLock);
            scan = NextCallable(i, handler);
        }
        if (scan == TScan::End) return;
        if (scan == TScan::Busy) {
            std::this_thread::sleep_for(BusyWait);
            continue;
        }
        try {
            CallHandler(handler, arguments);
        } catch (...) {
            // A failing handler must not keep the others from being called.
        }
        EndCall(i);
        ++i;
    }
}

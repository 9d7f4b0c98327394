// Multicast events: a thread-safe list of handlers fired in registration order.
//
// TEventer keeps the handler table and the firing algorithm; it knows nothing of the
// argument types. Each event kind is a TTypedEventer<Args...> that stores handlers of
// type TMethod<void(Args...)>, packs the arguments of its typed Fire into a record and
// calls the handlers with it. A new kind is one line in its owner's header:
//
//     class TEventerCiNotify : public TTypedEventer<ICommunicationInterface*> {};
//     class TEventerCiNotifyChangeEvent
//         : public TTypedEventer<ICommunicationInterface*, int32_t, bool> {};
//
//     eventer.AddHandler(TEventerCiNotify::THandler::Bind<&TFoo::OnOpen>(foo));
//     eventer.Fire(intf);   // from any thread
//
// During a fire every interface argument (a pointer to a class derived from IInterface,
// or an IntfPtr) is held by a counted reference, so a handler that drops the last other
// reference cannot destroy the object under the remaining handlers. The argument types
// must be complete where Fire is called.
//
// Guarantees:
// - Handlers may be added and removed while a fire runs, also from inside a handler.
//   A handler added during a fire is reached by that same fire; a handler removed
//   before the fire reaches it is not called; a handler removed during its own call
//   finishes normally and is not called again.
// - One handler never runs on two threads at once: a thread that reaches a handler
//   which another thread is executing waits in 10 ms steps and then calls it itself.
// - An exception raised by a handler is dropped; the other handlers are still called.
// - The lock is never held while a handler runs.
// - A handler that fires, on its own thread, the eventer that is calling it does not
//   hang: the nested fire skips every entry that this thread is itself executing and
//   calls the others (each entry remembers the thread that runs it).
#pragma once

#include "uMethod.h"
#include "uSync.h"
#include "ui_MyInterfacedObject.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <tuple>
#include <type_traits>
#include <vector>

// A handler with its signature erased: the bound object and the code that calls it.
struct TEventHandler {
    void* Object = nullptr;
    void (*Code)() = nullptr;

    friend bool operator==(const TEventHandler&, const TEventHandler&) = default;
};

class TEventer {
public:
    TEventer() = default;
    TEventer(const TEventer&) = delete;
    TEventer& operator=(const TEventer&) = delete;
    // Sets Closing (AddHandler and Fire become no-ops) and drops every entry. Owners
    // destroy an eventer only after they have stopped firing it.
    virtual ~TEventer();

    // Drops every entry.
    void Clear();
    // True while a Fire is in progress on any thread.
    bool IsFiring() const;
    // Active registrations.
    int32_t HandlerCount() const;
    // Entries in the table, including those a running fire has not cleaned up yet.
    int32_t EntryCount() const;

protected:
    // Registers h; an equal handler that is already registered is not added again.
    void AddHandler(const TEventHandler& h);
    // Unregisters h; a handler that is not registered is ignored.
    void RemoveHandler(const TEventHandler& h);
    // Calls every active handler once, in registration order, with the argument record.
    void Fire(const void* arguments);
    // Calls one handler with the argument record built by the kind's typed Fire.
    virtual void CallHandler(const TEventHandler& handler, const void* arguments) = 0;

private:
    struct TEntry {
        bool Active = false;
        TEventHandler Handler;
        bool InCall = false;
        std::thread::id CallThread; // the thread running the handler while InCall
    };
    enum class TScan { End, Busy, Ready };

    static bool IsDead(const TEntry& e) { return !e.Active && !e.InCall; }
    int32_t FindLast(const TEventHandler& h) const;
    TScan NextCallable(size_t& i, TEventHandler& handler);
    void EndCall(size_t i);

    mutable TMultiReadExclusiveWriteSynchronizer FLock;
    std::vector<TEntry> FTable;
    int32_t FFireDepth = 0;
    std::atomic<bool> FClosing{false};
};

namespace eventer_detail {
// What a fire holds for one argument: a counted reference for an interface, else nothing.
template <class T>
auto Hold(const T& value)
{
    if constexpr (std::is_pointer_v<T>) {
        using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
        if constexpr (std::is_base_of_v<IInterface, Pointee>)
            return IntfPtr<Pointee>(const_cast<Pointee*>(value));
        else
            return 0;
    } else {
        return 0;
    }
}
} // namespace eventer_detail

// An event kind whose handlers take (Args...).
template <class... Args>
class TTypedEventer : public TEventer {
public:
    using THandler = TMethod<void(Args...)>;

    void AddHandler(const THandler& h) { TEventer::AddHandler(Erase(h)); }
    void RemoveHandler(const THandler& h) { TEventer::RemoveHandler(Erase(h)); }

    void Fire(Args... args)
    {
        [[maybe_unused]] const auto held = std::make_tuple(eventer_detail::Hold(args)...);
        const std::tuple<Args...> record(args...);
        TEventer::Fire(&record);
    }

protected:
    void CallHandler(const TEventHandler& handler, const void* arguments) override
    {
        const auto& record = *static_cast<const std::tuple<Args...>*>(arguments);
        const THandler method =
            THandler::FromParts(handler.Object, reinterpret_cast<typename THandler::Stub>(handler.Code));
        std::apply(method, record);
    }

private:
    static TEventHandler Erase(const THandler& h)
    {
        return TEventHandler{h.Object(), reinterpret_cast<void (*)()>(h.Code())};
    }
};

class INodedInterface;

// The two global node-lifetime events.
class Teventer_NodedInterface : public TTypedEventer<INodedInterface*> {};
// A descendant added to or removed from a node tree, with its depth below the listener.
class TeventerDescentEvent : public TTypedEventer<INodedInterface*, int32_t> {};

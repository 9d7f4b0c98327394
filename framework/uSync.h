// Many-readers / one-writer lock.
//
// The writing thread may re-enter BeginWrite and may also take the read side; a reading
// thread may re-enter BeginRead even while a writer is waiting (readers already inside
// are never blocked by a waiting writer, new readers are), and a lone reader may
// promote itself to writer. Waiting writers are preferred over new readers so a steady
// stream of readers cannot starve a writer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>

class TMultiReadExclusiveWriteSynchronizer {
public:
    TMultiReadExclusiveWriteSynchronizer() = default;
    TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
    TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;

    void BeginRead();
    void EndRead();
    void BeginWrite();
    void EndWrite();

    // True when the calling thread holds the write side.
    bool IsWriter() const;

private:
    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::thread::id FWriter;                           // valid while FWriteDepth > 0
    int32_t FWriteDepth = 0;                           // re-entries of the writer
    int32_t FWritersWaiting = 0;
    std::unordered_map<std::thread::id, int32_t> FReaders; // read depth per thread (writer's own reads included)
};

// Which side of a many-readers / one-writer lock a scope holds.
enum class TLockSide { Read, Write };

// Holds one side of a lock for a scope, released on every way out (exceptions included).
// Lock is anything with BeginRead/EndRead and BeginWrite/EndWrite: the synchronizer,
// a node, a communication interface.
template <class Lock, TLockSide Side>
class TLockScope {
public:
    explicit TLockScope(Lock& lock) : FLock(lock)
    {
        if constexpr (Side == TLockSide::Read)
            FLock.BeginRead();
        else
            FLock.BeginWrite();
    }
    ~TLockScope()
    {
        if constexpr (Side == TLockSide::Read)
            FLock.EndRead();
        else
            FLock.EndWrite();
    }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;

private:
    Lock& FLock;
};

// The two sides by name. Classes rather than aliases, so that "TReadScope lock(*this);"
// deduces the lock type with every compiler the project builds with.
template <class Lock>
class TReadScope : public TLockScope<Lock, TLockSide::Read> {
public:
    using TLockScope<Lock, TLockSide::Read>::TLockScope;
};
template <class Lock>
TReadScope(Lock&) -> TReadScope<Lock>;

template <class Lock>
class TWriteScope : public TLockScope<Lock, TLockSide::Write> {
public:
    using TLockScope<Lock, TLockSide::Write>::TLockScope;
};
template <class Lock>
TWriteScope(Lock&) -> TWriteScope<Lock>;

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

// Scoped holders, released on every path out of a block.
class TReadGuard {
public:
    explicit TReadGuard(TMultiReadExclusiveWriteSynchronizer& s) : FSync(s) { FSync.BeginRead(); }
    ~TReadGuard() { FSync.EndRead(); }
    TReadGuard(const TReadGuard&) = delete;
    TReadGuard& operator=(const TReadGuard&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer& FSync;
};

class TWriteGuard {
public:
    explicit TWriteGuard(TMultiReadExclusiveWriteSynchronizer& s) : FSync(s) { FSync.BeginWrite(); }
    ~TWriteGuard() { FSync.EndWrite(); }
    TWriteGuard(const TWriteGuard&) = delete;
    TWriteGuard& operator=(const TWriteGuard&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer& FSync;
};

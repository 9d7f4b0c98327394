// The bytes "from the peer" waiting in an in-memory test transport: added by the test
// (from any thread) and taken by the transport's read, whole or, as a socket hands them
// out, at most so many at a time. A waiter is woken the moment bytes are added.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class TTestInputQueue {
public:
    void Append(const std::string& bytes)
    {
        {
            std::lock_guard lock(FLock);
            FBytes += bytes;
        }
        FAdded.notify_all();
    }
    // Waits up to timeoutMs for bytes; true when some are waiting.
    bool WaitNonEmpty(uint32_t timeoutMs)
    {
        std::unique_lock lock(FLock);
        return FAdded.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !FBytes.empty(); });
    }
    int32_t Size()
    {
        std::lock_guard lock(FLock);
        return int32_t(FBytes.size());
    }
    void Clear()
    {
        std::lock_guard lock(FLock);
        FBytes.clear();
    }
    std::string Take(size_t most = std::string::npos)
    {
        std::lock_guard lock(FLock);
        std::string bytes;
        if (most < FBytes.size()) {
            bytes = FBytes.substr(0, most);
            FBytes.erase(0, most);
        } else {
            bytes.swap(FBytes);
        }
        return bytes;
    }

private:
    std::mutex FLock;
    std::condition_variable FAdded;
    std::string FBytes;
};

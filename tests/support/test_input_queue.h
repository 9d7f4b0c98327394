// The bytes "from the peer" waiting in an in-memory test transport: added by the test
// (from any thread) and taken whole by the transport's read.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class TTestInputQueue {
public:
    void Append(const std::string& bytes)
    {
        std::lock_guard lock(FLock);
        FBytes += bytes;
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
    std::string Take()
    {
        std::lock_guard lock(FLock);
        std::string bytes;
        bytes.swap(FBytes);
        return bytes;
    }

private:
    std::mutex FLock;
    std::string FBytes;
};

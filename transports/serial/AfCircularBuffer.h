// Fixed-size byte ring between the writers of a serial port and its write thread.
//
// The storage is allocated once. When the read and write positions are equal the ring
// is either empty or full; the full flag tells which. Not thread-safe by itself: the
// port core guards every access with its write lock.
#pragma once

#include <cstddef>
#include <memory>

class TAfCircularBuffer {
public:
    explicit TAfCircularBuffer(size_t size);

    size_t Size() const { return FSize; }
    size_t Used() const;
    size_t Free() const { return FSize - Used(); }
    // Bytes readable in one piece from the read position (up to the end of the storage).
    size_t ContiguousRun() const;
    const char* ReadPtr() const { return FBuf.get() + FReadPos; }

    // Drops n bytes from the read side; false (and nothing removed) when n > Used().
    bool Remove(size_t n);
    // Appends the whole block, or nothing: false when n < 1 or n > Free().
    bool Write(const void* data, size_t n);
    void Clear();

private:
    std::unique_ptr<char[]> FBuf;
    size_t FSize;
    size_t FReadPos = 0;
    size_t FWritePos = 0;
    bool FFull = false;
};

#include "transports/serial/AfCircularBuffer.h"

#include <algorithm>
#include <cstring>

TAfCircularBuffer::TAfCircularBuffer(size_t size) : FBuf(new char[size > 0 ? size : 1]), FSize(size) {}

size_t TAfCircularBuffer::Used() const
{
    if (FFull) return FSize;
    if (FWritePos >= FReadPos) return FWritePos - FReadPos;
    return FWritePos + FSize - FReadPos;
}

size_t TAfCircularBuffer::ContiguousRun() const
{
    if (FFull) return FSize - FReadPos;
    if (FWritePos >= FReadPos) return FWritePos - FReadPos;
    return FSize - FReadPos;
}

bool TAfCircularBuffer::Remove(size_t n)
{
    if (n > Used()) return false;
    if (n > 0) {
        FReadPos = (FReadPos + n) % FSize;
        FFull = false;
    }
    return true;
}

bool TAfCircularBuffer::Write(const void* data, size_t n)
{
    if (n < 1 || n > Free()) return false;
    const char* src = static_cast<const char*>(data);
    const size_t first = std::min(n, FSize - FWritePos);
    std::memcpy(FBuf.get() + FWritePos, src, first);
    std::memcpy(FBuf.get(), src + first, n - first);
    FWritePos = (FWritePos + n) % FSize;
    if (FWritePos == FReadPos) FFull = true;
    return true;
}

void TAfCircularBuffer::Clear()
{
    FReadPos = 0;
    FWritePos = 0;
    FFull = false;
}

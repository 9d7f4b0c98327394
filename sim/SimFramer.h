// Cuts format 97 packets out of a received byte stream. Garbage and damaged packets
// are skipped; the buffer never holds more than one largest packet's worth of bytes,
// so a flood of noise cannot grow it.
#pragma once

#include "protocol/uTarvel97.h"

#include <string>
#include <string_view>
#include <vector>

class TSimFramer {
public:
    // Appends the bytes and returns every valid packet they complete, in order.
    std::vector<TTarvelFormat97> Push(std::string_view bytes);
    void Reset() { FBuffer.clear(); }
    size_t Buffered() const { return FBuffer.size(); }

    // The longest packet: 65535 bytes after NUM plus the marker and NUM.
    static constexpr size_t MaxPacket = 0xFFFF + 4;

private:
    void Trim();

    std::string FBuffer;
};

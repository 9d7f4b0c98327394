// How a packet protocol's traffic is cut into packets, for code below the protocol layer
// that shows traffic (the log window). The protocol describes itself in one (format 97:
// Tarvel97PacketFormat) and the application hands it over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct TPacketFormat {
    // The whole packet at the start of buffer (removed from it when `remove`); empty while
    // the buffer holds none.
    std::string (*Extract)(std::string& buffer, bool remove);
    // 0 when the packet is intact.
    uint16_t (*Validate)(std::string_view packet);
    // The bytes every packet starts with.
    std::string_view Start;
    // Where a packet holds its instruction (request) or acknowledge (answer) code.
    size_t CodeIndex;
};

// One record of a traffic capture: a format 97 packet as it was framed, or bytes that
// formed no packet, with the time, direction and link it came from.
//
// In a capture file every record is one frame of link type DLT_USER0 that starts with a
// small header the shipped Wireshark dissector (packaging/tarvel97.lua) reads:
//
//   offset 0  header length H (5 + length of the link name)
//   offset 1  direction: 0 not known (a passive listener), 1 sent by the program
//             (a request), 2 received (an answer)
//   offset 2  kind: 0 a packet, 1 bytes that formed no packet
//   offset 3  link number, 16 bits, high byte first (links in order of first traffic)
//   offset 5  link name, H - 5 bytes of UTF-8
//   offset H  the bytes
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum : uint8_t {
    CaptureDirectionUnknown = 0,
    CaptureDirectionSent = 1,     // by the program: a request
    CaptureDirectionReceived = 2, // by the program: an answer
};

enum class TCaptureKind : uint8_t {
    Packet = 0,
    Unframed = 1, // bytes that formed no packet
};

// The longest link name a record carries (the header length is one byte).
constexpr size_t CaptureLinkNameMax = 250;

struct TCaptureRecord {
    int64_t TimeUs = 0; // microseconds since 1970-01-01 00:00:00 UTC
    uint8_t Direction = CaptureDirectionUnknown;
    TCaptureKind Kind = TCaptureKind::Packet;
    uint16_t Link = 0;
    std::string LinkName;
    std::string Bytes;
};

// The frame of a record: the header above, then the bytes. A longer link name is cut.
std::string CaptureFrame(const TCaptureRecord& record);

// Microseconds since 1970-01-01 UTC now.
int64_t CaptureNowUs();

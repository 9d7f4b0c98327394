// Incremental framing of a received byte stream into format 97 packets.
//
// This is the one framer of the system: the protocol stack, the module simulator, the
// tester's RS-485 responder, the communication log window and valdrix-cli all cut
// packets with it, by the same rules and the same buffer bound.
//
// Bytes are appended as they arrive; Next hands out the complete, valid packets in
// stream order and drops everything else: bytes before a packet start, damaged
// candidates (realigning on the next "*" they hold), and the front of an unfinished
// candidate once a complete valid packet is found behind it. NextPiece hands out the
// dropped bytes too, as runs between the packets, for a reader that shows them. A "*a" inside an
// unfinished candidate proves the bytes before it garbage only when the packet that
// starts there is complete and valid (checksum and final CR): a length that merely fits
// proves nothing, since an answer's data may hold "*a" followed by any two bytes.
//
// Cost: each byte is added to a running byte sum once, so every checksum is an O(1)
// difference, and each marker is examined a bounded number of times; framing is linear
// in the bytes received whatever they are. The buffer is bounded: past MaxBuffered
// unframed bytes, only the last KeptBuffered stay (the bytes cut off are a dropped run).
//
// Not thread-safe: the owner serialises the calls.
#pragma once

#include "framework/uPacketFormat.h"
#include "protocol/uTarvel97.h"

#include <cstddef>
#include <cstdint>
#include <queue>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TTarvelFramer final : public TPacketFramer {
public:
    static constexpr size_t MaxBuffered = 0x20000;
    static constexpr size_t KeptBuffered = 0x15000;

    TTarvelFramer();

    void Append(std::string_view bytes) override;
    // Takes the next valid packet off the buffer, with everything before it; false when
    // no packet is complete yet. `start` receives the packet's position in the stream.
    bool Next(std::string& packet, uint64_t& start);
    // Next, parsed; passes over valid packets too short to hold INST.
    bool NextRecord(TTarvelFormat97& record);
    // Takes the next piece off the buffer: a valid packet, or the run of bytes dropped
    // before the next packet (or before the unfinished packet that waits, or cut off by
    // the bound). False when neither is there yet.
    bool NextPiece(std::string& bytes, bool& packet) override;
    // The bytes held for a packet that is not complete yet.
    std::string Unframed() const override;
    // Position in the stream just after the last byte dropped so far (0: none).
    uint64_t DroppedUntil() const { return FDroppedUntil; }
    // Position in the stream just after the last appended byte (bytes appended since
    // construction or Clear).
    uint64_t End() const { return FBase + FBytes.size(); }
    // Unframed bytes held.
    size_t Buffered() const { return size_t(End() - FFront); }
    void Clear() override;

private:
    struct TCandidate {
        enum { Incomplete, Invalid, Valid } Kind;
        uint64_t Length; // Valid and Invalid: bytes of the candidate; Incomplete: stream length needed
    };
    using TPending = std::pair<uint64_t, uint64_t>; // (stream length needed, marker position)

    char At(uint64_t pos) const { return FBytes[size_t(pos - FBase)]; }
    bool MarkerAt(uint64_t pos) const;
    uint64_t FindMarker(uint64_t from) const;
    TCandidate Examine(uint64_t pos) const;
    uint64_t Skip(uint64_t pos, uint64_t length) const;
    uint64_t FindProof();
    // The next piece as its stream position, length and kind, without copying it.
    bool Take(uint64_t& start, uint64_t& length, bool& packet);
    void Compact();

    std::string FBytes;
    std::vector<uint8_t> FSums; // FSums[i]: byte sum of FBytes[0..i) modulo 256
    uint64_t FBase = 0;         // stream position of FBytes[0]
    uint64_t FFront = 0;        // first unframed byte
    uint64_t FTaken = 0;        // bytes before it are handed out; [FTaken, FFront) is a dropped run
    uint64_t FDroppedUntil = 0;
    uint64_t FScanned = 0;      // markers before it are examined or pending
    std::priority_queue<TPending, std::vector<TPending>, std::greater<>> FPending;
};

// A valid packet that may be the answer to a request with Sig sent to Address: at least
// one byte after ADR and SIG, the same SIG, byte 6 not a message code (12..15), and the
// ADR equal to Address unless Address is the wildcard 0xFE. The packet is not
// validated again.
bool Tarvel97IsAnswer(std::string_view packet, uint8_t Address, uint8_t Sig);

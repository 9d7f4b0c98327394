// Turns the byte strings that links send and receive into capture records: each
// direction of each link is framed on its own with the stack's framer, every packet
// becomes a record with the time its last byte arrived, and bytes that form no packet
// (before a packet, dropped by the framer's bound, or left over at the end) become
// records of their own, marked so, with the time their first byte arrived.
//
// Thread-safe: traffic may come from any thread; the output is called under the
// recorder's lock, one record at a time, in the order the records are made.
#pragma once

#include "capture/uCaptureRecord.h"
#include "protocol/uTarvelFramer.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

class TTrafficRecorder {
public:
    using TOutput = std::function<void(const TCaptureRecord& record)>;

    explicit TTrafficRecorder(TOutput output);

    void Add(uint16_t link, const std::string& linkName, uint8_t direction, std::string_view bytes, int64_t timeUs);
    // Bytes the link dropped unread (what waited on it when it opened): a record of bytes
    // that formed no packet, whatever they hold. What the direction held before them
    // formed none either; framing starts afresh behind them.
    void AddDropped(uint16_t link, const std::string& linkName, uint8_t direction, std::string_view bytes,
                    int64_t timeUs);
    // Whatever is still held becomes records of bytes that formed no packet.
    void Finish();

private:
    struct TStream {
        TTarvelFramer Framer;
        std::string LinkName;
        std::string Held;                             // the bytes from Front on, not yet recorded
        uint64_t Front = 0;                           // stream position of Held[0]
        std::deque<std::pair<uint64_t, int64_t>> Times; // (stream position, time) of each piece
    };

    void Drain(uint16_t link, uint8_t direction, TStream& stream, int64_t timeUs);
    // Records the held bytes up to stream position `end` as bytes that formed no packet.
    void Unframed(uint16_t link, uint8_t direction, TStream& stream, uint64_t end);
    // Drops the held bytes up to stream position `end`.
    static void Consume(TStream& stream, uint64_t end);

    std::mutex FLock;
    TOutput FOutput;
    std::map<std::pair<uint16_t, uint8_t>, TStream> FStreams;
};

// The framer's dropped runs: every byte of the stream comes out once, in order, as a
// packet or as bytes that form none, however the stream is split.
#include "protocol/uTarvelFramer.h"

#include "protocol/uTarvel97.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

struct TPiece {
    std::string Bytes;
    bool Packet;
    bool operator==(const TPiece&) const = default;
};

void PrintTo(const TPiece& p, std::ostream* os) { *os << (p.Packet ? "packet " : "dropped ") << p.Bytes.size(); }

// Feeds the stream in pieces of `step` bytes; consecutive dropped runs are joined.
std::vector<TPiece> Pieces(TTarvelFramer& framer, const std::string& stream, size_t step)
{
    std::vector<TPiece> pieces;
    for (size_t at = 0; at < stream.size(); at += step) {
        framer.Append(std::string_view(stream).substr(at, step));
        TPiece piece;
        while (framer.NextPiece(piece.Bytes, piece.Packet)) {
            if (!piece.Packet && !pieces.empty() && !pieces.back().Packet)
                pieces.back().Bytes += piece.Bytes;
            else
                pieces.push_back(piece);
        }
    }
    return pieces;
}

TEST(TarvelFramer, HandsOutEveryByteOnceAsPacketsAndTheRunsDroppedBetweenThem)
{
    const std::string a = BuildTarvel97Packet(0x31, 1, 0, "one");
    const std::string b = BuildTarvel97Packet(0x31, 2, 0, "*a\x00\x05"s);
    std::string damaged = BuildTarvel97Packet(0x31, 3, 0, "bad");
    damaged[8] ^= 1;
    const std::string header = "*a\xFF\xFF"s;
    const struct {
        const char* Name;
        std::string Stream;
        std::vector<TPiece> Expected;
        std::string Unframed;
    } cases[] = {
        {"packets back to back", a + b, {{a, true}, {b, true}}, ""},
        {"noise before a packet", "noise\r" + a, {{"noise\r", false}, {a, true}}, ""},
        {"a damaged packet", damaged + a, {{damaged, false}, {a, true}}, ""},
        {"a header that never completes", header + a, {{header, false}, {a, true}}, ""},
        {"a packet still arriving", a + "xy" + b.substr(0, 9), {{a, true}, {"xy", false}}, b.substr(0, 9)},
        {"a lone star at the end", a + "*", {{a, true}}, "*"},
    };
    for (const auto& c : cases) {
        for (const size_t step : {c.Stream.size(), size_t(1), size_t(5)}) {
            SCOPED_TRACE(std::string(c.Name) + ", pieces of " + std::to_string(step));
            TTarvelFramer framer;
            EXPECT_EQ(Pieces(framer, c.Stream, step), c.Expected);
            EXPECT_EQ(framer.Unframed(), c.Unframed);
            // The last dropped byte is the last one before the last packet, or before what waits.
            uint64_t dropped = 0, at = 0;
            for (const TPiece& p : c.Expected) {
                at += p.Bytes.size();
                if (!p.Packet) dropped = at;
            }
            EXPECT_EQ(framer.DroppedUntil(), dropped);
        }
    }
}

TEST(TarvelFramer, TheBoundCutsAFloodOffAsADroppedRunAndAPacketBehindItGetsThrough)
{
    std::string flood(300000, '*');
    for (size_t i = 1; i < flood.size(); i += 2) flood[i] = 'a';
    const std::string packet = BuildTarvel97Packet(0x31, 9, 0xF3, "");
    TTarvelFramer framer;
    size_t dropped = 0;
    for (size_t at = 0; at < flood.size(); at += 4096) {
        framer.Append(std::string_view(flood).substr(at, 4096));
        std::string bytes;
        for (bool isPacket = false; framer.NextPiece(bytes, isPacket);) {
            ASSERT_FALSE(isPacket);
            dropped += bytes.size();
        }
        ASSERT_LE(framer.Buffered(), TTarvelFramer::MaxBuffered);
    }
    EXPECT_EQ(dropped + framer.Buffered(), flood.size());
    framer.Append(packet);
    std::string bytes;
    bool isPacket = false;
    while (framer.NextPiece(bytes, isPacket) && !isPacket) {}
    EXPECT_TRUE(isPacket);
    EXPECT_EQ(bytes, packet);
}

} // namespace

#include "protocol/uTarvelFramer.h"

#include "protocol/uTarvel97.h"
#include "protocol/uTarvelBytes.h"

#include <algorithm>

namespace {

constexpr size_t HeaderBytes = 4; // "*a" NUM
constexpr uint64_t MinPacket = 8;
constexpr uint64_t NoMarker = UINT64_MAX;

} // namespace

TTarvelFramer::TTarvelFramer() { FSums.push_back(0); }

void TTarvelFramer::Clear()
{
    FBase = End();
    FFront = FScanned = FTaken = FBase;
    FBytes.clear();
    FSums.assign(1, 0);
    FPending = {};
}

void TTarvelFramer::Append(std::string_view bytes)
{
    FBytes.append(bytes);
    FSums.reserve(FBytes.size() + 1);
    uint8_t sum = FSums.back();
    for (const char c : bytes) FSums.push_back(sum = uint8_t(sum + uint8_t(c)));
    if (Buffered() > MaxBuffered) FFront = End() - KeptBuffered;
}

// Drops handed-out bytes once they are the larger part, so appending stays amortised linear.
void TTarvelFramer::Compact()
{
    const size_t consumed = size_t(FTaken - FBase);
    if (consumed < 4096 || consumed * 2 < FBytes.size()) return;
    FBytes.erase(0, consumed);
    FSums.erase(FSums.begin(), FSums.begin() + std::ptrdiff_t(consumed));
    FBase = FTaken;
}

// "*a" at pos, or a lone "*" as the last byte (its "a" may still come).
bool TTarvelFramer::MarkerAt(uint64_t pos) const
{
    return At(pos) == '*' && (pos + 1 == End() || At(pos + 1) == 'a');
}

// The first marker at or after `from`; End() when there is none.
uint64_t TTarvelFramer::FindMarker(uint64_t from) const
{
    if (from >= End()) return End();
    const std::string_view bytes = FBytes;
    const size_t found = bytes.find("*a", size_t(from - FBase));
    if (found != std::string_view::npos) return FBase + found;
    return bytes.back() == '*' ? End() - 1 : End();
}

TTarvelFramer::TCandidate TTarvelFramer::Examine(uint64_t pos) const
{
    if (End() < pos + HeaderBytes) return {TCandidate::Incomplete, pos + HeaderBytes};
    const uint64_t length = GetBE16(FBytes, size_t(pos - FBase) + 2) + HeaderBytes;
    if (End() < pos + length) return {TCandidate::Incomplete, pos + length};
    // The checksum byte makes every byte before the CR add up to 0xFF.
    const size_t from = size_t(pos - FBase);
    const uint8_t sum = uint8_t(FSums[from + size_t(length) - 1] - FSums[from]);
    const bool valid = length >= MinPacket && sum == 0xFF && At(pos + length - 1) == '\r';
    return {valid ? TCandidate::Valid : TCandidate::Invalid, length};
}

// Bytes of a damaged candidate to drop: those before the next "*" it holds after its
// first byte, or all of it.
uint64_t TTarvelFramer::Skip(uint64_t pos, uint64_t length) const
{
    const std::string_view candidate = std::string_view(FBytes).substr(size_t(pos - FBase), size_t(length));
    const size_t star = candidate.find('*', 1);
    return star == std::string_view::npos ? length : star;
}

// The first marker behind the unfinished front that starts a complete valid packet, or
// NoMarker. Markers seen before whose packets were not complete wait in FPending until
// enough bytes have arrived; markers found damaged are never looked at again.
uint64_t TTarvelFramer::FindProof()
{
    std::vector<TPending> valid;
    while (!FPending.empty() && FPending.top().first <= End()) {
        const uint64_t pos = FPending.top().second;
        FPending.pop();
        if (pos <= FFront) continue;
        const TCandidate c = Examine(pos);
        if (c.Kind == TCandidate::Valid) valid.emplace_back(pos, pos + c.Length);
        if (c.Kind == TCandidate::Incomplete) FPending.emplace(c.Length, pos);
    }
    if (!valid.empty()) {
        // The earliest is the proof; the others are packets further on, kept for later.
        std::sort(valid.begin(), valid.end());
        for (size_t i = 1; i < valid.size(); ++i) FPending.emplace(valid[i].second, valid[i].first);
        return valid.front().first;
    }
    // Pending markers all lie before FScanned, so a new marker cannot come earlier.
    for (uint64_t pos = FindMarker(std::max(FScanned, FFront + 1)); pos + 1 < End(); pos = FindMarker(pos + 1)) {
        const TCandidate c = Examine(pos);
        if (c.Kind == TCandidate::Valid) return pos;
        if (c.Kind == TCandidate::Incomplete) FPending.emplace(c.Length, pos);
    }
    FScanned = End() - 1; // a trailing "*" may meet its "a" in the next bytes
    return NoMarker;
}

bool TTarvelFramer::Take(uint64_t& start, uint64_t& length, bool& packet)
{
    for (;;) {
        if (FFront == End()) break;
        if (!MarkerAt(FFront)) {
            FFront = FindMarker(FFront + 1);
            continue;
        }
        const TCandidate c = Examine(FFront);
        if (c.Kind == TCandidate::Valid) {
            // The bytes dropped before it go first.
            if (FTaken < FFront) break;
            start = FFront;
            length = c.Length;
            packet = true;
            FFront = FTaken = FFront + c.Length;
            return true;
        }
        if (c.Kind == TCandidate::Invalid) {
            FFront += Skip(FFront, c.Length);
            continue;
        }
        const uint64_t proof = FindProof();
        if (proof == NoMarker) break;
        FFront = proof;
    }
    if (FTaken == FFront) return false;
    start = FTaken;
    length = FFront - FTaken;
    packet = false;
    FTaken = FDroppedUntil = FFront;
    return true;
}

bool TTarvelFramer::Next(std::string& packet, uint64_t& start)
{
    uint64_t length = 0;
    for (bool isPacket = false; Take(start, length, isPacket);) {
        if (!isPacket) continue;
        packet.assign(FBytes, size_t(start - FBase), size_t(length));
        Compact();
        return true;
    }
    Compact();
    return false;
}

bool TTarvelFramer::NextRecord(TTarvelFormat97& record)
{
    std::string packet;
    uint64_t at = 0;
    while (Next(packet, at)) {
        if (packet.size() < Tarvel97ShortestParsable) continue;
        ParseTarvel97Packet(packet, record);
        return true;
    }
    return false;
}

bool TTarvelFramer::NextPiece(std::string& bytes, bool& packet)
{
    uint64_t start = 0;
    uint64_t length = 0;
    if (!Take(start, length, packet)) return false;
    bytes.assign(FBytes, size_t(start - FBase), size_t(length));
    Compact();
    return true;
}

std::string TTarvelFramer::Unframed() const { return FBytes.substr(size_t(FFront - FBase)); }

bool Tarvel97IsAnswer(std::string_view packet, uint8_t Address, uint8_t Sig)
{
    if (packet.size() < 9) return false;
    const auto adr = uint8_t(packet[4]);
    const auto sig = uint8_t(packet[5]);
    const auto code = uint8_t(packet[6]);
    return sig == Sig && (code < 12 || code > 15) && (Address == TARVEL_ADR_SPECIAL || adr == Address);
}

namespace {

std::unique_ptr<TPacketFramer> MakeTarvel97Framer() { return std::make_unique<TTarvelFramer>(); }

} // namespace

// INST follows the marker, NUM, ADR and SIG.
const TPacketFormat Tarvel97PacketFormat{&MakeTarvel97Framer, 6};

#include "protocol/uTarvelFraming.h"

#include "protocol/uTarvel97.h"
#include "protocol/uTarvelBytes.h"

size_t Tarvel97CutLength(std::string_view buffer, size_t pos, size_t& needed)
{
    needed = std::string_view::npos;
    if (buffer.size() <= pos || buffer[pos] != '*') return 0;
    if (buffer.size() > pos + 1 && buffer[pos + 1] != 'a') return 0;
    if (buffer.size() < pos + 4) {
        needed = pos + 4;
        return 0;
    }
    const size_t length = size_t(GetBE16(buffer, pos + 2)) + 4;
    if (buffer.size() < pos + length) {
        needed = pos + length;
        return 0;
    }
    return length;
}

size_t Tarvel97InvalidSkip(std::string_view candidate)
{
    const size_t star = candidate.find('*', 1);
    return star == std::string_view::npos ? candidate.size() : star;
}

bool Tarvel97IsAnswer(std::string_view packet, unsigned char Address, unsigned char Sig)
{
    if (packet.size() < 9 || ValidateTarvel97Packet(packet) != 0) return false;
    const auto adr = uint8_t(packet[4]);
    const auto sig = uint8_t(packet[5]);
    const auto code = uint8_t(packet[6]);
    return sig == Sig && (code < 12 || code > 15) && (Address == TARVEL_ADR_SPECIAL || adr == Address);
}

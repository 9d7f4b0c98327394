#include "sim/SimFramer.h"

std::vector<TTarvelFormat97> TSimFramer::Push(std::string_view bytes)
{
    FBuffer.append(bytes);
    std::vector<TTarvelFormat97> packets;
    TTarvelFormat97 packet;
    while (FindTarvel97Packet(FBuffer, packet, true)) packets.push_back(packet);
    Trim();
    return packets;
}

// Drops bytes that cannot start a packet: everything before the first "*", and all
// but the last MaxPacket bytes (a packet that is still arriving fits in those).
void TSimFramer::Trim()
{
    const size_t start = FBuffer.find('*');
    if (start == std::string::npos) {
        FBuffer.clear();
        return;
    }
    size_t drop = start;
    if (FBuffer.size() - drop > MaxPacket) drop = FBuffer.size() - MaxPacket;
    FBuffer.erase(0, drop);
}

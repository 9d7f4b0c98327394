#include "protocol/uTarvel97.h"

#include "framework/uExceptions.h"

#include <vector>

const char* const STarvel97IncorrectPacket = "Incorrect PACKET (Tarvel format 97)!";

namespace {

constexpr char PacketPrefix = '*';
constexpr char PacketFormatChar = 'a';
constexpr char Terminator = '\r';
constexpr std::string_view Marker = "*a";
// Header (marker, NUM, ADR, SIG, INST) plus SUM and CR.
constexpr size_t FrameBytes = 9;
// NUM counts ADR, SIG, INST, data, SUM and CR; it must fit in 16 bits.
constexpr size_t MaxData = 0xFFFF - 5;

uint8_t Byte(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

// NUM at offset 2 (big-endian); the caller guarantees at least 4 bytes.
uint16_t ReadNum(std::string_view s) { return static_cast<uint16_t>(Byte(s, 2) << 8 | Byte(s, 3)); }

uint8_t ByteSum(std::string_view bytes)
{
    unsigned sum = 0;
    for (const char c : bytes)
        sum += static_cast<uint8_t>(c);
    return static_cast<uint8_t>(sum);
}

// Running byte sums over a buffer, extended only as far as a caller asks, so that
// checking many overlapping candidates costs one pass over the bytes they span.
class TPrefixSums {
public:
    explicit TPrefixSums(std::string_view bytes) : FBytes(bytes), FSums(1, 0) {}

    // Byte sum (mod 256) of bytes [from, to).
    uint8_t Sum(size_t from, size_t to)
    {
        while (FSums.size() <= to)
            FSums.push_back(static_cast<uint8_t>(FSums.back() + Byte(FBytes, FSums.size() - 1)));
        return static_cast<uint8_t>(FSums[to] - FSums[from]);
    }

private:
    std::string_view FBytes;
    std::vector<uint8_t> FSums;
};

// True when the NUM + 4 bytes announced by the marker at `pos` are all present, end with
// CR and carry a correct SUM, and the packet is long enough to hold INST. Equivalent to
// validation code 0 plus a successful parse, but costs O(1) per candidate after the sums.
bool IsCompletePacketAt(std::string_view buffer, size_t pos, TPrefixSums& sums, size_t& length)
{
    length = static_cast<size_t>(ReadNum(buffer.substr(pos))) + 4;
    if (length < FrameBytes || length > buffer.size() - pos)
        return false;
    const size_t end = pos + length;
    if (buffer[end - 1] != Terminator)
        return false;
    // SUM makes every byte up to and including itself add up to 0xFF.
    return sums.Sum(pos, end - 1) == 0xFF;
}

} // namespace

uint8_t Tarvel97CheckSum(std::string_view bytes)
{
    return static_cast<uint8_t>(0xFF - ByteSum(bytes));
}

std::string BuildTarvel97Packet(uint8_t Adr, uint8_t Sig, uint8_t Inst, std::string_view Data)
{
    // A longer data block cannot be announced in NUM; sending it would put a packet on
    // the line that no receiver can frame.
    if (Data.size() > MaxData)
        throw Exception(STarvel97IncorrectPacket);
    const size_t num = Data.size() + 5;
    std::string packet;
    packet.reserve(Data.size() + FrameBytes);
    packet += PacketPrefix;
    packet += PacketFormatChar;
    packet += static_cast<char>(num >> 8);
    packet += static_cast<char>(num & 0xFF);
    packet += static_cast<char>(Adr);
    packet += static_cast<char>(Sig);
    packet += static_cast<char>(Inst);
    packet += Data;
    packet += static_cast<char>(Tarvel97CheckSum(packet));
    packet += Terminator;
    return packet;
}

std::string BuildTarvel97PacketFromRecord(const TTarvelFormat97& rec)
{
    return BuildTarvel97Packet(rec.Adr, rec.Sig, rec.Inst, rec.Data);
}

uint16_t ValidateTarvel97Packet(std::string_view packet)
{
    const size_t size = packet.size();
    if (size < 8)
        return 1;
    if (packet[0] != PacketPrefix)
        return 2;
    if (packet[1] != PacketFormatChar)
        return 3;
    if (size - 4 != ReadNum(packet))
        return 4;
    if (Byte(packet, size - 2) != Tarvel97CheckSum(packet.substr(0, size - 2)))
        return 5;
    if (packet[size - 1] != Terminator)
        return 6;
    return 0;
}

void ParseTarvel97Packet(std::string_view packet, TTarvelFormat97& rec)
{
    rec.Term = 0;
    if (packet.size() < FrameBytes)
        throw Exception(STarvel97IncorrectPacket);
    const size_t num = ReadNum(packet);
    // SUM sits at NUM + 2 and the terminator at NUM + 3: both must be inside the text.
    if (num + 3 >= packet.size())
        throw Exception(STarvel97IncorrectPacket);
    rec.Prefix = packet[0];
    rec.FormatChar = packet[1];
    rec.Num = static_cast<uint16_t>(num);
    rec.Adr = Byte(packet, 4);
    rec.Sig = Byte(packet, 5);
    rec.Inst = Byte(packet, 6);
    rec.Data = num > 5 ? std::string(packet.substr(7, num - 5)) : std::string();
    rec.Sum = Byte(packet, num + 2);
    rec.Term = packet[num + 3];
}

std::string ExtractTarvel97Packet(std::string& buffer, bool remove)
{
    if (buffer.size() < 4 || std::string_view(buffer).substr(0, 2) != Marker)
        return {};
    const size_t length = static_cast<size_t>(ReadNum(buffer)) + 4;
    if (buffer.size() < length)
        return {};
    std::string packet = buffer.substr(0, length);
    if (remove)
        buffer.erase(0, length);
    return packet;
}

bool FindTarvel97Packet(std::string& buffer, TTarvelFormat97& rec, bool remove)
{
    const std::string_view view(buffer);
    TPrefixSums sums(view);
    for (size_t pos = view.find(Marker); pos != std::string_view::npos; pos = view.find(Marker, pos + 1)) {
        // NUM must be readable after the marker; any later marker is even closer to the end.
        if (view.size() < pos + 4)
            return false;
        size_t length = 0;
        if (!IsCompletePacketAt(view, pos, sums, length))
            continue;
        ParseTarvel97Packet(view.substr(pos, length), rec);
        if (remove)
            buffer.erase(0, pos + length);
        return true;
    }
    return false;
}

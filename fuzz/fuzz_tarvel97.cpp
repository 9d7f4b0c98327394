// Runs every format 97 codec function on arbitrary bytes and aborts when their answers
// disagree with each other or with a plain, slow reading of the packet rules.
#include "protocol/uTarvel97.h"

#include "framework/uExceptions.h"
#include "fuzz/fuzz_support.h"

#include <string>

namespace {

// The first marker whose NUM + 4 bytes (fewer at the end) validate with 0 and hold INST.
// Returns the candidate's offset and length, or false.
bool ReferenceFind(const std::string& buffer, size_t& offset, size_t& length)
{
    for (size_t pos = 0; pos + 4 <= buffer.size(); ++pos) {
        if (buffer[pos] != '*' || buffer[pos + 1] != 'a')
            continue;
        const size_t num = static_cast<uint8_t>(buffer[pos + 2]) * 256u + static_cast<uint8_t>(buffer[pos + 3]);
        const std::string candidate = buffer.substr(pos, num + 4);
        if (candidate.size() >= 9 && ValidateTarvel97Packet(candidate) == 0) {
            offset = pos;
            length = candidate.size();
            return true;
        }
    }
    return false;
}

void CheckValidateAndParse(const std::string& text)
{
    const uint16_t code = ValidateTarvel97Packet(text);
    FuzzCheck(code <= 6);
    FuzzCheck((code == 1) == (text.size() < 8));
    TTarvelFormat97 rec;
    bool parsed = true;
    try {
        ParseTarvel97Packet(text, rec);
    } catch (const Exception& e) {
        parsed = false;
        FuzzCheck(e.Message() == STarvel97IncorrectPacket);
        FuzzCheck(rec.Term == 0);
    }
    if (code == 0 && text.size() >= 9) {
        FuzzCheck(parsed);
        FuzzCheck(rec.Term == '\r');
        FuzzCheck(BuildTarvel97PacketFromRecord(rec) == text);
    }
}

void CheckExtract(const std::string& input)
{
    std::string buffer = input;
    const std::string kept = ExtractTarvel97Packet(buffer, false);
    FuzzCheck(buffer == input);
    const std::string cut = ExtractTarvel97Packet(buffer, true);
    FuzzCheck(cut == kept);
    FuzzCheck(input.compare(0, cut.size(), cut) == 0);
    FuzzCheck(buffer == input.substr(cut.size()));
    if (!cut.empty()) {
        FuzzCheck(cut.size() >= 4 && cut[0] == '*' && cut[1] == 'a');
        FuzzCheck(ValidateTarvel97Packet(cut) != 4); // the cut is exactly NUM + 4 bytes
    }
}

void CheckFind(const std::string& input)
{
    size_t offset = 0, length = 0;
    const bool expected = ReferenceFind(input, offset, length);

    std::string buffer = input;
    TTarvelFormat97 rec;
    FuzzCheck(FindTarvel97Packet(buffer, rec, false) == expected);
    FuzzCheck(buffer == input);
    if (!expected)
        return;
    const std::string packet = input.substr(offset, length);
    FuzzCheck(ValidateTarvel97Packet(packet) == 0);
    FuzzCheck(BuildTarvel97PacketFromRecord(rec) == packet);

    TTarvelFormat97 removed;
    FuzzCheck(FindTarvel97Packet(buffer, removed, true));
    FuzzCheck(buffer == input.substr(offset + length));
    FuzzCheck(BuildTarvel97PacketFromRecord(removed) == packet);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckValidateAndParse(input);
    CheckExtract(input);
    CheckFind(input);

    // A packet built from the input is valid, and a search through the input followed by
    // it always finds a packet (this one or an earlier or overlapping one).
    const std::string dataPart = input.substr(0, 65530);
    const std::string built = BuildTarvel97Packet(0x31, static_cast<uint8_t>(size), 0x00, dataPart);
    FuzzCheck(ValidateTarvel97Packet(built) == 0);
    CheckValidateAndParse(built);
    const std::string stream = input + built;
    CheckFind(stream);
    std::string copy = stream;
    TTarvelFormat97 rec;
    FuzzCheck(FindTarvel97Packet(copy, rec, false));
    return 0;
}

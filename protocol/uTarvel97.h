// Tarvel format 97 packets: build, checksum, validate, parse, cut and find.
//
// Wire format (multi-byte numbers big-endian):
//   "*" "a" NUM(2) ADR SIG INST data(n) SUM CR,   NUM = n + 5, packet length n + 9.
// SUM makes bytes 0 .. 7+n add up to 0xFF modulo 256.
// Packets are byte strings: every value 0..255, zero included, is data.
// All functions are stateless and safe to call from any thread.
#pragma once

#include "framework/uPacketFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint8_t TARVEL_ADR_SPECIAL = 0xFE;   // wildcard address in both directions
constexpr uint8_t TARVEL_ADR_UNIVERSAL = 0xFF; // refused when received

// The shortest packet that holds INST: a valid packet of 8 bytes cannot be parsed.
constexpr size_t Tarvel97ShortestParsable = 9;

extern const char* const STarvel97IncorrectPacket; // "Incorrect PACKET (Tarvel format 97)!"

struct TTarvelFormat97 {
    char Prefix = 0;
    char FormatChar = 0;
    uint16_t Num = 0;
    uint8_t Adr = 0;
    uint8_t Sig = 0;
    uint8_t Inst = 0;
    std::string Data;
    uint8_t Sum = 0;
    char Term = 0;
};

// 0xFF minus the byte sum modulo 256, over every given byte (the largest packet's
// range is 65537 bytes, so the count is not limited to 16 bits).
uint8_t Tarvel97CheckSum(std::string_view bytes);

// Raises Exception(STarvel97IncorrectPacket) when Data is longer than 65530 bytes, the
// most NUM can announce.
std::string BuildTarvel97Packet(uint8_t Adr, uint8_t Sig, uint8_t Inst, std::string_view Data);
// Uses Adr, Sig, Inst and Data of the record; its Num and Sum are recomputed.
std::string BuildTarvel97PacketFromRecord(const TTarvelFormat97& rec);

// 0 valid; 1 shorter than 8 bytes; 2 no "*"; 3 no "a"; 4 length - 4 != NUM;
// 5 wrong checksum; 6 last byte not CR.
uint16_t ValidateTarvel97Packet(std::string_view packet);

// Fills rec (Term first set to 0); raises Exception(STarvel97IncorrectPacket) for a text
// shorter than 9 bytes or one whose NUM points beyond its end. Checks neither SUM nor CR.
void ParseTarvel97Packet(std::string_view packet, TTarvelFormat97& rec);

// The first NUM + 4 bytes when the buffer starts with "*a" and holds them all (removed
// from the buffer when `remove`), else empty. Not validated.
std::string ExtractTarvel97Packet(std::string& buffer, bool remove);

// Finds the first valid packet anywhere in the buffer; with `remove`, deletes it and
// every byte before it. False (buffer unchanged) when there is none. A candidate must
// validate with 0 and also parse: an 8-byte candidate (no INST byte) is skipped.
// Runs in time linear in the buffer, however many markers it holds.
bool FindTarvel97Packet(std::string& buffer, TTarvelFormat97& rec, bool remove);

// Format 97 for the log window: cut by the stream framer (TTarvelFramer), the code being
// INST.
extern const TPacketFormat Tarvel97PacketFormat;

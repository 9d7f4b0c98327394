// Names and short readings of format 97 packets for people reading traffic: the log
// window's decoded column, `valdrix-cli sniff` and the capture tests. The Wireshark
// dissector (packaging/tarvel97.lua) shows the same names and values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The name of an instruction of the common set or the Valdrix set ("GetInputs",
// "ReadIdentification"); empty for a code neither knows.
std::string Tarvel97InstructionName(uint8_t inst);
// The name, or "0xNN" for an unknown code.
std::string Tarvel97InstructionLabel(uint8_t inst);

// A short reading of a request's data ("output 3 on", "channel 2", "2026-12-08 05:30:00");
// the data in hexadecimal when the instruction is unknown or the data does not fit it,
// empty when there is no data.
std::string Tarvel97RequestReading(uint8_t inst, std::string_view data);
// A short reading of the data of an answer with acknowledge code 0 to a request with
// instruction inst ("inputs 1000000010000000", "1: 21.5 °C  2: - (status 0x00) ...").
std::string Tarvel97AnswerReading(uint8_t inst, std::string_view data);

// The bytes in upper-case hexadecimal pairs separated by spaces.
std::string Tarvel97Hex(std::string_view bytes);

// Data of the instructions every device of the Tarvel family understands (0xE0..0xFE):
// instruction codes, the baud-rate table, the identification text and the byte layouts
// of the address-changing requests. Pure functions; the stack device sends them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum : uint8_t {
    TARVEL_INST_SET_ADDRESS = 0xE0,          // data: address, then the other parameters read by 0xF0
    TARVEL_INST_WRITE_E1_BYTE = 0xE1,
    TARVEL_INST_WRITE_E2_TEXT = 0xE2,
    TARVEL_INST_E3 = 0xE3,
    TARVEL_INST_ENABLE_CONFIGURATION = 0xE4,
    TARVEL_INST_CHANGE_ADDRESS_BY_NUMBERS = 0xEB,
    TARVEL_INST_SWITCH_EE = 0xEE,
    TARVEL_INST_READ_ADDRESS = 0xF0,         // answer: address, baud-rate code, ...
    TARVEL_INST_READ_F1_BYTE = 0xF1,
    TARVEL_INST_READ_F2 = 0xF2,
    TARVEL_INST_IDENTIFICATION = 0xF3,
    TARVEL_INST_READ_FA_NUMBERS = 0xFA,
    TARVEL_INST_READ_FE_FLAG = 0xFE,
};

// Time-out of the enable-configuration request sent before configuration writes.
constexpr int32_t TARVEL_ENABLE_CONFIGURATION_TIMEOUT = 500;

// Baud rate of a code of the table 0..11 (110 .. 230400); 0 for any other code.
uint32_t TarvelBaudRateOfCode(int code);
// Code of a baud rate, or -1 when the table does not hold it.
int TarvelBaudRateCode(uint32_t baud);

// The identification text: "name;version;third[;...]", each field trimmed of blanks and
// control characters; the version loses everything up to and including its first "v".
struct TTarvelIdentification {
    std::string Name;
    std::string Version;
    std::string Third;
};
TTarvelIdentification SplitTarvelIdentification(std::string_view text);

// Trims bytes 0x00..0x20 at both ends.
std::string_view TrimBlanks(std::string_view text);

// 0xE2 data: a zero byte, the text cut to 16 bytes, and a closing zero byte when shorter.
std::string EncodeE2Text(std::string_view text);

// 0xEB data: the new address, then N1 and N2 big-endian.
std::string EncodeAddressByNumbers(uint8_t address, uint16_t n1, uint16_t n2);

// 0xFA answer: N1, N2 (16 bits) and N3 (32 bits); false when shorter than 8 bytes.
bool DecodeFANumbers(std::string_view data, uint16_t& n1, uint16_t& n2, uint32_t& n3);

// Address texts of the settings: "" -> 0; one character -> its code; "#" followed by a
// decimal number or "$" and a hexadecimal number -> its low byte; anything else -> 0.
uint8_t ParseAddressText(std::string_view text);
// "#$" and two upper-case hexadecimal digits.
std::string FormatAddressText(uint8_t address);

// The simple Tarvel device the tester plays on its RS-485 test link: it answers type
// requests (instruction F3) for any address but the module's own with the text
// "Valdrix Tester Info", and drops every other packet.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

extern const char* const SRS485TesterInfo; // "Valdrix Tester Info"

// The largest format 97 packet: 65530 data bytes and 9 bytes of frame.
constexpr size_t RS485BufferLimit = 65539;

// Takes every valid packet out of the received bytes and returns the answers to send,
// in order. What remains is kept for the next call, at most the last RS485BufferLimit
// bytes: enough for a packet still arriving, while bytes that never form a packet
// cannot pile up.
std::vector<std::string> AnswerRS485Requests(std::string& buffer);

// The simple Tarvel device the tester plays on its RS-485 test link: it answers type
// requests (instruction F3) for any address but the module's own with the text
// "Valdrix Tester Info", and drops every other packet.
#pragma once

#include "protocol/uTarvelFramer.h"

#include <string>
#include <string_view>
#include <vector>

extern const char* const SRS485TesterInfo; // "Valdrix Tester Info"

class TRS485Responder {
public:
    // Frames the received bytes and returns the answers to send, in order. A packet still
    // arriving is kept for the next call, within the framer's bound.
    std::vector<std::string> Answer(std::string_view received);
    // Forgets a packet begun on an earlier link.
    void Clear() { FFramer.Clear(); }
    // Received bytes held for a packet not complete yet.
    size_t Buffered() const { return FFramer.Buffered(); }

private:
    TTarvelFramer FFramer;
};

// Device addresses on valdrix-cli's command line (-a, scan's range, set-address) and the
// set-address command.
#pragma once

#include "cli/uCliCommands.h"

#include <cstdint>
#include <string>

class IValdrix;

// A device address, decimal or 0x-hexadecimal, 0..253: 0xFE and 0xFF are the special and
// the universal address, which no module has as its own. Raises ECliUsage naming `what`.
uint8_t ParseCliAddress(const std::string& text, const std::string& what);

// "0x31 (49)".
std::string CliAddressText(uint8_t address);

// What an address answered to the identification request. Any answer, a refusal or an
// invalid one included, means that a module is there.
struct TCliProbe {
    enum TAnswer { Silent, Identified, Refused, Invalid };
    TAnswer Answer = Silent;
    std::string Text; // the identification (windows-1250), when Identified
    int Ack = -1;     // the acknowledge code, when Refused
};

// Asks the device's address for its identification once.
TCliProbe ProbeAddress(IValdrix& device);
// What a refused or invalid answer was: "refused the identification request
// (acknowledge code 1)", "answered the identification request with an invalid packet".
std::string ProbeFailureText(const TCliProbe& probe);

// set-address NEW: moves the module (the one -a names) to NEW with the enable-configuration
// request first, and then confirms that the module answers at NEW. Refuses when anything
// answers at NEW: normally, with a refusal or an invalid packet, with bytes that are no
// valid answer, or after the time-out (it listens one time-out more for a late answer).
// Raises ECliUsage for a bad NEW.
TCliAction PrepareSetAddress(const TCliArgs& args);

// Device addresses on valdrix-cli's command line (-a, scan's range, set-address) and the
// set-address command.
#pragma once

#include "cli/uCliCommands.h"

#include <cstdint>
#include <string>

// A device address, decimal or 0x-hexadecimal, 0..253: 0xFE and 0xFF are the special and
// the universal address, which no module has as its own. Raises ECliUsage naming `what`.
uint8_t ParseCliAddress(const std::string& text, const std::string& what);

// "0x31 (49)".
std::string CliAddressText(uint8_t address);

// set-address NEW: moves the module (the one -a names) to NEW with the enable-configuration
// request first, refusing when another module already answers at NEW, and then confirms
// that the module answers at NEW. Raises ECliUsage for a bad NEW.
TCliAction PrepareSetAddress(const TCliArgs& args);

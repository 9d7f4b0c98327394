// The external monitor sink: a copy of all traffic for an external terminal program,
// selected by the command-line switch "DST".
//
// Each sent or received byte string becomes one datagram on the Unix datagram socket
// $XDG_RUNTIME_DIR/valdrix-dst.sock (or /tmp/valdrix-dst-<uid>.sock without a runtime
// directory): one byte with the direction (1 sent, 2 received), then the bytes. The send
// never blocks; when nothing listens, or the datagram is refused, the copy is dropped.
#pragma once

#include "framework/uci_SpySink.h"

#include <string>

// The path the monitor sink sends to.
std::string MonitorSocketPath();

// The monitor sink as a spy sink handler (no bound object).
TSpySink MonitorSpySink();

// True for an argument that is the "DST" switch: trimmed, one leading "/" or "-"
// removed, then "DST" without regard to case.
bool IsMonitorSwitch(const std::string& argument);

// Installs the monitor sink when some argument (the program path included) is the switch.
// Returns whether it did.
bool ApplySpyCommandLine(int argc, const char* const* argv);

// valdrix-cli sniff: a passive monitor of a line where another master talks to the
// modules (an RS-485 bus through a serial adapter, or a TCP gateway). It opens the link
// and only listens; it never sends a byte. What goes by in both directions is framed as
// one stream, requests are told from answers by pairing address and SIG, and each packet
// is printed on a line of its own: the time, ADR, SIG, its role, the instruction's name,
// a short reading of the data and, for an answer, the time since its request. Bytes that
// form no packet get a line of their own and do not cost the packet after them. With
// --json one object per packet; with --capture the same records go to a capture (their
// direction left "not known": the dissector pairs them the same way).
//
// The run ends after --count packets, after --duration MS, when the link closes or at
// SIGINT/SIGTERM.
#pragma once

#include "cli/uCliOptions.h"

#include <chrono>
#include <cstdint>

struct TCliSniffOptions {
    int64_t Count = 0; // packets; 0 = no limit
    std::chrono::milliseconds Duration{0}; // 0 = no limit
};

TCliCommandSyntax CliSniffSyntax();
// Raises ECliUsage for bad arguments.
TCliSniffOptions PrepareSniff(const TCliArgs& args);
// Returns the exit status: CliExitConnection when the link cannot be opened.
int RunSniff(const TCliOptions& options, const TCliSniffOptions& sniff);

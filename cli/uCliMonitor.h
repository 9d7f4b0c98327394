// valdrix-cli monitor: one line (or JSON object) per full refresh of the I/O panel.
//
// A refresh reads the five groups of the panel, each read attempted at most twice. By
// default the first failed refresh ends the run. With --keep-going a failed refresh is
// shown ("failed: REASON (failures N)", in JSON {"ok":false,...,"error":...,"failures":N},
// and every JSON object then carries the failures so far) and the run goes on. With
// --reconnect a refresh that failed because the module cannot be reached (the link
// closed, no answer) is followed by attempts to open the same link again, one every
// CliReconnectInterval, each told on standard error, until the module answers its
// identification request with a text that names the product (any answer with
// --any-device). Each attempt is the window's own (TSessionLink::Reconnect, the rule of
// uLinkPolicy.h); the refreshes then go on. --count counts failed refreshes too. A run
// in which any refresh failed ends with exit status 1.
#pragma once

#include "cli/uCliCommands.h"

#include "session/uLinkPolicy.h"

#include <chrono>

constexpr std::chrono::milliseconds CliReconnectInterval{ReconnectIntervalMs};

// Raises ECliUsage for bad arguments: [--count K] (0 = until interrupted), [--interval MS]
// (default 200), [--keep-going], [--reconnect], [--any-device].
TCliAction PrepareMonitor(const TCliArgs& args);

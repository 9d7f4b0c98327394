// valdrix-cli scan: asks every address of a range for its identification text and, where
// a module answers, for its serial numbers (instruction FA), and lists the modules found.
// Each address gets one request with the scan's own time-out, so a silent address costs
// no more than that.
#pragma once

#include "cli/uCliCommands.h"

// Raises ECliUsage for bad arguments: [--from A] [--to B] (addresses, default 1..253),
// [--timeout MS] (per address, default 100).
TCliAction PrepareScan(const TCliArgs& args);

// The process-wide spy sink: every byte string sent or received through any
// communication interface is handed to it with the interface and the direction.
//
// Sinks run on the thread that moved the bytes (the main thread, or a transport's
// worker thread), so they must be thread-safe. Calls into the sink happen under a
// shared lock and installing or removing a sink takes it exclusively: once
// SetSpySink or RemoveSpySink has returned, no call reaches the replaced sink any more.
// A sink must therefore not install or remove sinks from inside its own call.
#pragma once

#include "framework/uMethod.h"

#include <cstdint>
#include <string>

class ICommunicationInterface;

enum : uint8_t {
    SpyDirectionSent = 1,     // sent by the program
    SpyDirectionReceived = 2, // received by the program
    SpyDirectionDropped = 3,  // received and dropped unread: what waited on a link when it opened
};

using TSpySink = TMethod<void(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)>;

// Installs the global sink; the last installation wins. An empty handler uninstalls
// whatever is installed.
void SetSpySink(const TSpySink& sink);
// Installs `sink` and returns the sink it replaced, in one step, so that the new sink
// can pass the traffic on to it (the log window keeps the "DST" monitor fed this way).
TSpySink ExchangeSpySink(const TSpySink& sink);
// Uninstalls `sink` if it is the one installed, putting `restored` in its place; true
// when it was.
bool RemoveSpySink(const TSpySink& sink, const TSpySink& restored = TSpySink());
TSpySink GetSpySink();

// Calls the installed sink, if any; every exception the sink raises is swallowed.
void CallSpySink(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction) noexcept;

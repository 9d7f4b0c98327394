// What a script run on a session's worker (TValdrixSession::RunScript) may use: the
// module link, pauses that a stop ends at once, whether it was stopped, and the RS-485
// test's exchange through the module's RS-485 port. Used on the worker only.
#pragma once

#include "session/uSessionLink.h"

#include <cstdint>
#include <string>

// How a request through the module's RS-485 port ended.
enum class TRS485Exchange {
    NotSent,     // the module link is not open
    NoRS485Link, // the RS-485 link is not open
    Stopped,     // a stop came while the answer was awaited
    LinkClosed,  // the module link closed while the answer was awaited
    Answered,    // the RS-485 link answered; its data came back on the module link
    Silent,      // the RS-485 link answered before, but no answer came back through it
    Unproven,    // the RS-485 link has answered nothing since it opened: its setup is in doubt
    OtherDevice, // another device answered for the address, not the RS-485 link
};

class TSessionScript {
public:
    virtual ~TSessionScript() = default;
    virtual TSessionLink& Link() = 0;
    // Waits `ms` unless the script is stopped meanwhile; true when it waited in full.
    virtual bool Pause(uint32_t ms) = 0;
    // A stop (TValdrixSession::StopActions, Disconnect) came after the script was asked.
    virtual bool Stopped() const = 0;
    // Sends an identification request to `address` on the module link, for the module to
    // pass on through its RS-485 port, where the session's RS-485 link answers it on its
    // turn; `data` is the answer's data.
    virtual TRS485Exchange RS485Request(uint8_t address, std::string& data) = 0;
};

// How a request that waits for its answer ended, as the protocol stack saw it.
#pragma once

#include <cstdint>

enum class TTarvelOutcome : uint8_t {
    None,       // no request yet, or one sent without waiting
    NotSent,    // no link, or the request could not be written
    Answered,   // its answer came, acknowledge code 0
    Refused,    // its answer came with another acknowledge code
    TimedOut,   // nothing came back in time but other traffic (or the request's own echo)
    LinkClosed, // the link was closed, or closed during the wait
    Damaged,    // bytes came back, but they formed no valid packet
    LateAnswer, // a packet from the addressed device came back with another SIG: an answer to an earlier request
    Arriving,   // a packet was still arriving when the time-out passed
};

// What a valdrix-cli command works with, on the session's worker thread: the session's
// module link, the answer time-out it was given (--timeout), and the addresses of the
// packets received on the link, found by watching its traffic, so that a scan can tell
// which silent module answered late.
#pragma once

#include "framework/uci_SpySink.h"
#include "protocol/uTarvelFramer.h"
#include "session/uSessionLink.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TCliLink {
public:
    static constexpr size_t MaxPacketAddresses = 4096;

    // Watches the traffic from now on, passing it on to the spy sink installed before.
    TCliLink(TSessionLink& link, int32_t timeout);
    TCliLink(const TCliLink&) = delete;
    TCliLink& operator=(const TCliLink&) = delete;
    ~TCliLink();

    TSessionLink& Link() { return FLink; }
    IValdrix& Device() { return FLink.Device(); }
    int32_t Timeout() const { return FTimeout; }
    // The addresses of the valid packets received since the last call, in order of arrival
    // (at most the last MaxPacketAddresses).
    std::vector<uint8_t> TakePacketAddresses();

private:
    void Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction);

    TSessionLink& FLink;
    const int32_t FTimeout;
    TSpySink FSink;
    TSpySink FNextSink;
    // The received bytes, framed as they arrive, and the addresses of their packets.
    std::mutex FTrafficLock;
    TTarvelFramer FReceived;
    std::vector<uint8_t> FPacketAddresses;
};

// What the user reads when a link did not open: the factory's reason for a refused
// connection string; for a transport that did not open, its reason, else the device's
// name, else the connection string.
std::string CliOpenFailure(TLinkOpen result, const std::string& error, TSessionLink& link,
                           const std::string& connection);
// What the user reads when an attempt to reopen the link failed.
std::string CliReconnectFailure(const TIdentifiedOpen& opened, TSessionLink& link);

// The link, protocol stack and module object of one valdrix-cli run.
#pragma once

#include "device/uValdrix.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "framework/uci_SpySink.h"
#include "protocol/uModuleLink.h"
#include "protocol/uTarvelFramer.h"
#include "session/uLinkPolicy.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TCliSession {
public:
    static constexpr size_t MaxPacketAddresses = 4096;

    // Watches the traffic of the session's link (the process-wide spy sink).
    TCliSession();
    TCliSession(const TCliSession&) = delete;
    TCliSession& operator=(const TCliSession&) = delete;
    // Detaches everything and closes the link.
    ~TCliSession();

    // Builds the transport from the connection string and opens it, for the module at
    // `address`; false with the reason when that fails: the refused string, or the
    // device, the system's reason and what to do, as the transport gives them.
    bool Connect(const std::string& connection, int32_t timeout, uint8_t address, std::string& error);
    // Closes the link and opens the same connection string again on the same stack, then
    // asks the module for its identification once; true when it answers as the rule
    // wants. False with the reason when the link cannot be opened, the module stays
    // silent or another device answers.
    bool Reconnect(TIdentityRule identity, std::string& error);
    IValdrix& Device() { return *FDevice; }

    // The module's last request failed because it cannot be reached: the link closed or
    // no (valid) answer came. A refusal or a malformed answer means the module is there.
    bool ModuleUnreachable();

    // Why the module's last request failed, as the request ended: the link that closed
    // under it (or is found closed after a request that got no answer), a late answer to
    // an earlier request, an answer still arriving, damaged bytes; else the device's last
    // result and acknowledge code.
    std::string DescribeFailure();
    // Whether the link closed under the session (the peer went away).
    bool LinkClosed();
    // The addresses of the valid packets received since the last call, in order of arrival
    // (at most the last MaxPacketAddresses).
    std::vector<uint8_t> TakePacketAddresses();
    // Reads what arrives on the link for up to `length` (less when the link closes), as
    // the wait for an answer does: the bytes pass the traffic watch and the stack. True
    // when bytes arrived.
    bool Listen(std::chrono::milliseconds length);
    // The answer time-out the session was connected with (--timeout).
    int32_t Timeout() const { return FTimeout; }

private:
    // True when the link opened. For a link that was built but did not open, the error
    // becomes what the user reads: the transport's reason, else the device's name, else
    // the connection string.
    bool Opened(TLinkOpen result, std::string& error);
    void Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction);

    std::string FConnection;
    TModuleLink FLink;
    IntfPtr<TValdrix> FDevice;
    TSpySink FSink;
    // The received bytes, framed as they arrive, and the addresses of their packets.
    std::mutex FTrafficLock;
    TTarvelFramer FReceived;
    std::vector<uint8_t> FPacketAddresses;
    int32_t FTimeout = 0;
};

// Text for a failed request, from the device's last result and acknowledge code.
std::string DescribeRequestFailure(int lastResult, int lastAck);
// Whether bytes came back after a request that ended so (its answer or not).
bool BytesCameBack(TTarvelOutcome outcome);

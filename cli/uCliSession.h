// The link, protocol stack and module object of one valdrix-cli run.
#pragma once

#include "device/uValdrix.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "protocol/uTarvelStack.h"

#include <string>

class TCliSession {
public:
    TCliSession() = default;
    TCliSession(const TCliSession&) = delete;
    TCliSession& operator=(const TCliSession&) = delete;
    // Detaches everything and closes the link.
    ~TCliSession();

    // Builds the transport from the connection string and opens it; false with the
    // reason when that fails.
    bool Connect(const std::string& connection, int32_t timeout, std::string& error);
    IValdrix& Device() { return *FDevice; }

private:
    IntfPtr<ICommunicationInterface> FLink;
    IntfPtr<TTarvelStack> FStack;
    IntfPtr<TValdrix> FDevice;
};

// Text for a failed request, from the device's last result and acknowledge code.
std::string DescribeRequestFailure(int lastResult, int lastAck);

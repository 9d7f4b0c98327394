// A module reached through a connection string: the communication interface the string
// describes, opened, and the Tarvel stack over it to which the caller's device is
// attached. The transports must be registered by the caller (see transports/uTransports.h).
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "protocol/uTarvelStack.h"

#include <mutex>
#include <string>

// How an Open ended.
enum class TLinkOpen {
    Opened,
    Refused, // no transport takes the connection string; the link held before stays
    Failed,  // the transport was built but did not open (or was closed while opening)
};

class TModuleLink {
public:
    TModuleLink() = default;
    TModuleLink(const TModuleLink&) = delete;
    TModuleLink& operator=(const TModuleLink&) = delete;
    // Detaches the device and closes the link.
    ~TModuleLink();

    // Puts the device on the link's stack (made on first use). A link without a device
    // has no stack: the caller reads its bytes itself.
    void Attach(const IntfPtr<ITarvelStackDevice>& device);
    // Closes the link and takes the device off the stack.
    void Detach();

    // Builds the transport from the connection string and opens it, in place of the link
    // held so far; the stack gets it once it is open. The error is the factory's reason
    // for a refused string, or the transport's reason for a failed open (may be empty).
    // The built interface stays after a failed open, closed.
    TLinkOpen Open(const std::string& connection, std::string& error);
    // Closes the link and opens the last connection string again.
    TLinkOpen Reopen(std::string& error);
    // Takes the link off the stack and closes it.
    void Close();
    // Closes the interface held (or being opened) from any thread, leaving it in place:
    // a wait or an open in progress on the link's own thread ends at once. The link's
    // thread takes it off with Close afterwards.
    void Interrupt();

    // The connection string of the last accepted Open (what Reopen opens).
    const std::string& Connection() const { return FConnection; }
    // The interface built by the last accepted Open (none after Close).
    const IntfPtr<ICommunicationInterface>& Interface() const { return FInterface; }
    const IntfPtr<TTarvelStack>& Stack() const { return FStack; }

private:
    void SetInterface(const IntfPtr<ICommunicationInterface>& intf);

    std::string FConnection;
    // Guards FInterface against Interrupt from another thread.
    std::mutex FInterfaceLock;
    IntfPtr<ICommunicationInterface> FInterface;
    IntfPtr<TTarvelStack> FStack;
    IntfPtr<ITarvelStackDevice> FDevice;
};

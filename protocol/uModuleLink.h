// A module reached through a connection string: the communication interface the string
// describes, opened, and the Tarvel stack over it to which the caller's device is
// attached. The transports must be registered by the caller (see transports/uTransports.h).
//
// Nothing a link finds on the line when it opens is for its requests: a gateway hands a
// new client what it buffered while none was connected (answers to an earlier client's
// requests among it), a converter what it kept from before. So a link with a device
// reads and drops what arrives until the line has been quiet for SettleQuietMs (at most
// SettleLimitMs, so that a line that never falls quiet cannot hold the open back); the
// spy hears those bytes as dropped. It then starts its device's SIGs at a random value,
// so that an answer meant for another program's first request does not match its own.
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
    // Longer than any pause inside a stream that is still coming: a USB serial converter
    // hands its bytes over in 16 ms slices (its latency timer), a gateway forwards its
    // buffer in segments that follow one another within microseconds, and at 9600 Bd a
    // byte takes about 1 ms. Short enough that a connect to a silent line costs no more
    // than this. The same on every transport.
    static constexpr uint32_t SettleQuietMs = 40;
    static constexpr uint32_t SettleLimitMs = 1000;

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
    // held so far; with a device attached, the line is settled (above) and the stack gets
    // it. A link that closes while it settles has failed. The error is the factory's reason
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
    // Drops what arrives until the line is quiet; false when the link closed meanwhile.
    static bool Settle(ICommunicationInterface& intf);

    std::string FConnection;
    // Guards FInterface against Interrupt from another thread.
    std::mutex FInterfaceLock;
    IntfPtr<ICommunicationInterface> FInterface;
    IntfPtr<TTarvelStack> FStack;
    IntfPtr<ITarvelStackDevice> FDevice;
};

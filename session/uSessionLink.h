// The module link of a session: the connection, its Tarvel stack and the Valdrix device
// on it. How it opens, tells whether the module that answers is the one wanted, reopens
// after a loss, and words why a request failed, are written here once for the window's
// polling and for valdrix-cli's commands.
//
// Threads: one thread uses the link (a session's worker); Interrupt may come from any
// thread and ends a wait or an open in progress at once.
#pragma once

#include "device/uValdrix.h"
#include "protocol/uModuleLink.h"
#include "session/uLinkPolicy.h"

#include <chrono>
#include <string>

// How an open that asks for the identification ended.
struct TIdentifiedOpen {
    enum TKind {
        Identified,       // open, and the module accepted
        NotOpened,        // the connection string was refused or the transport did not open
        NoIdentification, // open, but no (valid) identification came back
        OtherDevice,      // open, but the identification names another device
    };
    TKind Kind = NotOpened;
    // NotOpened: the transport's reason (may be empty). NoIdentification: why the
    // request failed. OtherDevice: the identification text.
    std::string Detail;

    bool Ok() const { return Kind == Identified; }
    // The transport's reason, the only part the window shows beside its own texts.
    std::string TransportReason() const { return Kind == NotOpened ? Detail : std::string(); }
};

class TSessionLink {
public:
    TSessionLink();
    TSessionLink(const TSessionLink&) = delete;
    TSessionLink& operator=(const TSessionLink&) = delete;
    ~TSessionLink();

    IValdrix& Device() { return *FDevice; }
    const IntfPtr<ICommunicationInterface>& Interface() const { return FLink.Interface(); }
    const IntfPtr<TTarvelStack>& Stack() const { return FLink.Stack(); }
    // The connection string of the last link built.
    const std::string& Connection() const { return FLink.Connection(); }

    // Opens the connection string in place of the link held so far, without a request.
    TLinkOpen Open(const std::string& connection, std::string& error) { return FLink.Open(connection, error); }
    // Opens the connection string and asks for the identification (twice for a connect,
    // once for an attempt to reopen, so that an attempt waits one time-out at most); the
    // link is closed again unless the module is accepted by the rule.
    TIdentifiedOpen OpenAndIdentify(const std::string& connection, TOpenAttempts attempts, TIdentityRule rule);
    // One attempt to reopen the last connection string after a loss.
    TIdentifiedOpen Reconnect(TIdentityRule rule);
    void Close() { FLink.Close(); }
    // From any thread: see TModuleLink::Interrupt.
    void Interrupt() { FLink.Interrupt(); }

    // The link is gone: closed by the session or found closed (the peer went away).
    bool LinkClosed();
    // The last request failed because the module cannot be reached: the link closed or no
    // (valid) answer came. A refusal or a malformed answer means the module is there.
    bool ModuleUnreachable();
    // Why the last request failed, as it ended: the link that closed under it (or is found
    // closed after a request that got no answer), a late answer to an earlier request, an
    // answer still arriving, damaged bytes; else the device's last result and acknowledge
    // code.
    std::string DescribeFailure();
    // Reads what arrives on the link for up to `length` (less when the link closes), as the
    // wait for an answer does: the bytes pass the traffic watch and the stack. True when
    // bytes arrived.
    bool Listen(std::chrono::milliseconds length);

private:
    TModuleLink FLink;
    IntfPtr<TValdrix> FDevice;
};

// Text for a failed request, from the device's last result and acknowledge code.
std::string DescribeRequestFailure(int lastResult, int lastAck);
// Whether bytes came back after a request that ended so (its answer or not).
bool BytesCameBack(TTarvelOutcome outcome);

// The protocol stack: frames the bytes received on one communication interface into
// format 97 packets and hands each to the devices it is addressed to; sends requests,
// with or without waiting for the matching answer.
//
// The stack is a node; its devices are its children. It is attached to its interface
// explicitly (SetCommunicationInterface) or by being owned by it.
//
// Received bytes, inside and outside a waiting request, go through one framer. A waiting
// request first reads everything that arrived before it (until nothing waits, at most
// MaxRxBuffer bytes): none of it can be its answer. It then wakes the moment bytes arrive
// (the interface's WaitForData), looks at most every 50 ms, and ends at once when the link
// goes down or the request could not be sent, and says how it ended (TTarvelOutcome):
// whether bytes came back after the request that were damaged, a late answer to an
// earlier request, or a packet still arriving. The request's own bytes, the first time
// they come back (the echo of a half-duplex converter), are dropped: they are neither its
// answer nor traffic for the devices. Packets other than the answer are dispatched when
// the wait ends; a fault met while dispatching them (a packet with ADR 0xFF or one too
// short to parse) is reported through the interface's error handler as "DoDataRcv" and
// never escapes the request.
//
// Locking: the stack's node lock guards the framer and the whole of a waiting request;
// a waiting request takes the stack's lock, then the interface's, and devices take their
// own slot lock inside ProcessPacket: stack, interface, device.
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "framework/uiNodedInterface.h"
#include "protocol/uTarvelFramer.h"
#include "protocol/uiTarvelStack.h"

#include <exception>
#include <string>
#include <vector>

extern const char* const STarvelStackOwner;   // "ITarvelStack can be owned only by ICommunicationInterface"
extern const char* const STarvelRcvAdrFF;     // "RCV packet ADR=$FF !"

class TTarvelStack : public TNodedInterface, public ITarvelStack {
public:
    // Unprocessed received bytes are bounded: past MaxRxBuffer only the last KeptRxBuffer stay.
    static constexpr size_t MaxRxBuffer = TTarvelFramer::MaxBuffered;
    static constexpr size_t KeptRxBuffer = TTarvelFramer::KeptBuffered;
    // Longest time between two looks at the interface during a waiting request.
    static constexpr uint32_t MaxLookIntervalMs = 50;
    // Packets handled by one call of ProcessReceived before it yields to waiting bytes.
    static constexpr int MaxPacketsPerCall = 1000;

    TTarvelStack();
    TTarvelStack(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner);

    std::string ClassName() const override { return "TTarvelStack"; }

    bool SendPacket(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data) override;
    TTarvelOutcome Exchange(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data, std::string& Answer,
                            uint32_t Timeout) override;
    IntfPtr<ICommunicationInterface> GetCommunicationInterface() override;
    void SetCommunicationInterface(const IntfPtr<ICommunicationInterface>& intf) override;
    bool AddDevice(const IntfPtr<ITarvelStackDevice>& device) override;
    bool RemoveDevice(const IntfPtr<ITarvelStackDevice>& device) override;

    // Attaches the owner's communication interface; an owner that is none detaches it.
    // Raises Exception(STarvelStackOwner) for an owner that is not a communication
    // interface (the owner change itself stays done).
    void SetOwner(const IntfPtr<IInterface>& newOwner) override;

    // Data-received handler of the attached interface: reads what Sender received and
    // processes it.
    void icDataRcv(ICommunicationInterface* Sender);

    // Appends bytes to the receive buffer and dispatches every complete packet. Garbage
    // and damaged packets are dropped; a packet with ADR 0xFF or one too short to parse
    // is removed and then raised as an exception. Calls must not overlap.
    void ProcessReceived(const std::string& Data);

    // The device at Index among the children, or null.
    IntfPtr<ITarvelStackDevice> GetDevice(int32_t Index);

    // Received bytes not taken as packets yet.
    size_t RxBufferedBytes();

protected:
    ~TTarvelStack() override = default;

    bool ImplementsInterface(const TGUID& iid) const override;
    void BeforeDestruction() override;

private:
    // The packets received during a wait other than the answer, in order.
    struct TWaitTraffic {
        std::vector<std::string> Packets;
        size_t Bytes = 0;
    };
    // A request waiting for its answer.
    struct TPendingRequest {
        uint8_t Address;
        uint8_t Sig;
        std::string Sent; // the packet as written
        uint64_t End;     // stream position where the bytes received after it was written begin
        uint32_t Start;   // tick count at the call
        uint32_t Timeout;
        bool EchoSeen = false;
        bool LateSeen = false; // a packet from the address with another SIG came after it
    };

    // Reads what arrived before the request into the framer and keeps its packets.
    void TakeBacklog(ICommunicationInterface& intf, TWaitTraffic& other);
    TTarvelOutcome WaitForAnswer(ICommunicationInterface& intf, TPendingRequest& request, std::string& Answer,
                                 TWaitTraffic& other);
    // Why a request that got no answer got none.
    TTarvelOutcome Unanswered(const TPendingRequest& request, bool closed) const;
    bool TakeAnswer(TPendingRequest& request, std::string& Answer, TWaitTraffic& other);
    // Keeps a packet that is not the answer for dispatch after the wait.
    void Keep(std::string& packet, TWaitTraffic& other);
    // Dispatches the packets kept during a wait; faults are reported, not raised.
    void DispatchTraffic(TWaitTraffic& other);
    // DispatchTraffic, then whatever else the framer holds.
    void DispatchQuietly(TWaitTraffic& other);
    void ReportFault(const std::exception& e);
    // Dispatches framed packets; raises for ADR 0xFF and for packets too short to parse.
    void ProcessFramed();
    void Deliver(const std::string& packet);
    void Dispatch(const TTarvelFormat97& packet);
    bool MoreBytesWaiting();

    TTarvelFramer FRxBuffer;
    IntfPtr<ICommunicationInterface> FCommunicationInterface;
    bool FChangingOwner = false; // owner changes come from one thread
};

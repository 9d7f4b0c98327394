// The protocol stack: frames the bytes received on one communication interface into
// format 97 packets and hands each to the devices it is addressed to; sends requests,
// with or without waiting for the matching answer.
//
// The stack is a node; its devices are its children. It is attached to its interface
// explicitly (SetCommunicationInterface) or by being owned by it.
//
// Locking: the stack's node lock guards the receive buffer and the whole of a waiting
// request; a waiting request takes the stack's lock, then the interface's, and devices
// take their own slot lock inside ProcessPacket: stack, interface, device.
#pragma once

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "framework/uiNodedInterface.h"
#include "protocol/uiTarvelStack.h"

#include <string>

extern const char* const STarvelStackOwner;   // "ITarvelStack can be owned only by ICommunicationInterface"
extern const char* const STarvelRcvAdrFF;     // "RCV packet ADR=$FF !"

class TTarvelStack : public TNodedInterface, public ITarvelStack {
public:
    // Unprocessed received bytes are bounded: past MaxRxBuffer only the last KeptRxBuffer stay.
    static constexpr size_t MaxRxBuffer = 0x20000;
    static constexpr size_t KeptRxBuffer = 0x15000;
    // Packets handled by one call of ProcessReceived before it yields to waiting bytes.
    static constexpr int MaxPacketsPerCall = 1000;

    TTarvelStack();
    TTarvelStack(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner);

    std::string ClassName() const override { return "TTarvelStack"; }

    bool SendPacket(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data) override;
    bool SendPacketAndWait(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data, std::string& Answer,
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
    // Realigns the front of the unprocessed bytes on a cuttable candidate; its length or 0.
    size_t NextCandidate();
    void Consume(size_t bytes);
    void Dispatch(const TTarvelFormat97& packet);
    bool MoreBytesWaiting();

    std::string FRxBuffer;
    size_t FRxOffset = 0;     // bytes before it are processed
    // Markers before FRxScanFrom hold no complete candidate yet; nothing can be cut
    // before the buffer reaches FRxNeeded bytes. Keeps a partial flood linear.
    size_t FRxScanFrom = 0;
    size_t FRxNeeded = 0;
    IntfPtr<ICommunicationInterface> FCommunicationInterface;
    bool FChangingOwner = false; // owner changes come from one thread
};

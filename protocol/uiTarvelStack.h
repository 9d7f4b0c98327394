// Interfaces of the packet protocol stack and of the devices reached through it.
//
// Both objects are nodes of the noded tree (the stack is a child of its communication
// interface, the devices are children of the stack); as with the communication
// interface, the node side is reached by querying INodedInterface.
#pragma once

#include "framework/ui_MyInterfacedObject.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelOutcome.h"

#include <cstdint>
#include <string>

class ICommunicationInterface;
class ITarvelStackDevice;

class ITarvelStack : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{1DF4C859-3157-41CD-AD86-E137FE27F5CF}");

    // Writes one packet without waiting; false when no interface is attached or nothing was written.
    virtual bool SendPacket(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data) = 0;
    // Writes one packet and waits up to Timeout ms for the valid answer with the same SIG
    // from Address (any address for 0xFE). Answered or Refused when it came (the packet is
    // in Answer); otherwise why it did not. When several reasons apply, the first of
    // LinkClosed, LateAnswer, Arriving, Damaged, TimedOut is given.
    virtual TTarvelOutcome Exchange(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data,
                                    std::string& Answer, uint32_t Timeout) = 0;
    virtual IntfPtr<ICommunicationInterface> GetCommunicationInterface() = 0;
    virtual void SetCommunicationInterface(const IntfPtr<ICommunicationInterface>& intf) = 0;
    virtual bool AddDevice(const IntfPtr<ITarvelStackDevice>& device) = 0;
    virtual bool RemoveDevice(const IntfPtr<ITarvelStackDevice>& device) = 0;
};

// Result codes of the last request of a device.
enum : uint8_t {
    TARVEL_RESULT_NONE = 0,        // not sent, not waited for, or an answer with another SIG
    TARVEL_RESULT_OK = 1,          // valid answer, acknowledge code 0
    TARVEL_RESULT_NO_ANSWER = 2,   // nothing arrived in time
    TARVEL_RESULT_INVALID = 3,     // the answer is not a valid packet
    TARVEL_RESULT_REFUSED = 4,     // valid answer with an acknowledge code other than 0
};

class ITarvelStackDevice : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{B4371527-2102-41A1-9BBD-52521EC54798}");

    virtual IntfPtr<ITarvelStack> GetStack() = 0;
    virtual void SetStack(const IntfPtr<ITarvelStack>& stack) = 0;
    virtual uint8_t GetAddress() = 0;
    virtual void SetAddress(uint8_t address) = 0;
    // Called by the stack with every packet addressed to this device.
    virtual void ProcessPacket(const TTarvelFormat97& packet) = 0;

    // Instructions common to every device of the family.
    virtual bool InstE3() = 0;
    virtual bool ReadIdentification() = 0;
    virtual bool ReadF1Byte(uint8_t& value) = 0;
    virtual bool WriteE1Byte(uint8_t value) = 0;
    virtual bool ReadF2(std::string& data) = 0;
    virtual bool WriteE2Text(const std::string& text) = 0;
    virtual bool ReadIdentificationText(std::string& text) = 0;
    virtual bool ReadFEFlag(bool& flag) = 0;
    virtual bool SwitchEE(bool on) = 0;
    virtual bool ReadFANumbers(uint16_t& n1, uint16_t& n2, uint32_t& n3) = 0;
    virtual bool ReadAddress(uint8_t& address) = 0;
    virtual bool ChangeAddress(uint8_t newAddress) = 0;
    virtual bool ChangeAddressByNumbers(uint16_t n1, uint16_t n2, uint8_t newAddress) = 0;
    virtual bool ReadAddressAndBaudRate(uint8_t& address, uint32_t& baud) = 0;
    virtual bool ChangeAddressAndBaudRate(uint8_t newAddress, uint32_t baud) = 0;
    virtual bool EnableConfiguration() = 0;

    // One waiting request; true when an answer with the request's SIG arrived, whatever
    // its acknowledge code (then in Ack, with its data in AnswerData).
    virtual bool SendInstruction(uint8_t Inst, const std::string& Data, std::string& AnswerData, uint8_t& Ack,
                                 int32_t Timeout) = 0;
    virtual uint8_t GetLastResult() = 0;
    // How the last request ended (None for one sent without waiting).
    virtual TTarvelOutcome GetLastOutcome() = 0;
    virtual void ResetLastResult() = 0;
    // Acknowledge code of the last parsed answer; -1 when none.
    virtual int32_t GetLastAck() = 0;
    // 0: SIGs come from the slot table; otherwise every request carries this SIG.
    virtual void SetFixedSig(uint8_t sig) = 0;
    virtual uint8_t GetFixedSig() = 0;
    // Where the search for a free SIG starts from now on (a link that opens starts it at
    // a random value).
    virtual void StartSigsAt(uint8_t sig) = 0;
    // Default time-out of a request in ms.
    virtual void SetTimeout(int32_t timeout) = 0;
};

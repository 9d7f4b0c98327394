// One device reached through a protocol stack: its address, the signatures (SIG) of its
// requests, the pairing of answers with requests, the result of the last request, and
// the instructions common to every device of the family.
//
// Requests on one device are issued by one thread at a time; answers may be delivered
// from the thread that receives (slot table under its own lock).
#pragma once

#include "framework/uiNodedInterface.h"
#include "protocol/uTarvelSigSlots.h"
#include "protocol/uiTarvelStack.h"

#include <atomic>
#include <mutex>
#include <string>

class TTarvelStackDevice : public TNodedInterface, public virtual ITarvelStackDevice {
public:
    static constexpr int32_t DefaultTimeout = 1000;

    explicit TTarvelStackDevice(uint8_t Address);
    TTarvelStackDevice(const std::string& GuidText, uint8_t Address);
    // Address 0xFE unless the settings say otherwise; linked to the owner when it is a stack.
    TTarvelStackDevice(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner);

    std::string ClassName() const override { return "TTarvelStackDevice"; }

    IntfPtr<ITarvelStack> GetStack() override;
    void SetStack(const IntfPtr<ITarvelStack>& stack) override;
    uint8_t GetAddress() override { return FAddress; }
    void SetAddress(uint8_t address) override { FAddress = address; }
    void ProcessPacket(const TTarvelFormat97& packet) override;

    bool InstE3() override;
    bool ReadIdentification() override;
    bool ReadF1Byte(uint8_t& value) override;
    bool WriteE1Byte(uint8_t value) override;
    bool ReadF2(std::string& data) override;
    bool WriteE2Text(const std::string& text) override;
    bool ReadIdentificationText(std::string& text) override;
    bool ReadFEFlag(bool& flag) override;
    bool SwitchEE(bool on) override;
    bool ReadFANumbers(uint16_t& n1, uint16_t& n2, uint32_t& n3) override;
    bool ReadAddress(uint8_t& address) override;
    bool ChangeAddress(uint8_t newAddress) override;
    bool ChangeAddressByNumbers(uint16_t n1, uint16_t n2, uint8_t newAddress) override;
    bool ReadAddressAndBaudRate(uint8_t& address, uint32_t& baud) override;
    bool ChangeAddressAndBaudRate(uint8_t newAddress, uint32_t baud) override;
    bool EnableConfiguration() override;

    bool SendInstruction(uint8_t Inst, const std::string& Data, std::string& AnswerData, uint8_t& Ack,
                         int32_t Timeout) override;
    uint8_t GetLastResult() override { return FLastResult; }
    TTarvelOutcome GetLastOutcome() override { return FLastOutcome; }
    void ResetLastResult() override;
    int32_t GetLastAck() override { return FLastAck; }
    void SetFixedSig(uint8_t sig) override { FFixedSig = sig; }
    uint8_t GetFixedSig() override { return FFixedSig; }
    void StartSigsAt(uint8_t sig) override { FSigSlots.StartAt(sig); }
    // A negative time-out is refused (the previous one stays): requests wait as an
    // unsigned count, so it would become a wait of weeks.
    void SetTimeout(int32_t timeout) override
    {
        if (timeout >= 0) FTimeout = timeout;
    }
    int32_t GetTimeout() const { return FTimeout; }

    // One request. Timeout < 0 selects the default time-out. Waiting: true when an answer
    // with the request's SIG arrived (it is in Packet). Not waiting: the result of the
    // stack's SendPacket; OnAnswer, when set, is called with the answer if it comes.
    bool Request(uint8_t Inst, const std::string& Data, TTarvelFormat97& Packet, int32_t Timeout = -1,
                 bool Wait = true, const TTarvelAnswerEvent& OnAnswer = {});
    // Request that also needs acknowledge code 0 when waiting; AnswerData and Ack are set only on success.
    bool Query(uint8_t Inst, const std::string& Data, std::string& AnswerData, uint8_t& Ack, int32_t Timeout = -1,
               bool Wait = true, const TTarvelAnswerEvent& OnAnswer = {});
    bool Query(uint8_t Inst, const std::string& Data, std::string& AnswerData, int32_t Timeout = -1,
               bool Wait = true, const TTarvelAnswerEvent& OnAnswer = {});
    bool Command(uint8_t Inst, const std::string& Data, int32_t Timeout = -1, bool Wait = true,
                 const TTarvelAnswerEvent& OnAnswer = {});
    bool Command(uint8_t Inst, int32_t Timeout = -1, bool Wait = true, const TTarvelAnswerEvent& OnAnswer = {});

    // Answer to a request: stored in its SIG slot and handed to the slot's handler.
    virtual void HandleAnswer(const TTarvelFormat97& packet);
    // A message packet (code 12..15); nothing here, descendants may act on it.
    virtual void HandleMessage(const TTarvelFormat97& packet) {}

    // Settings: the node's plus "ADR" ("#$31") and "fixedSIG" (an integer).
    void LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID) override;
    void SaveConfig() override;

    const std::string& GetVersion() const { return FVersion; }
    const std::string& GetIdentThird() const { return FIdentThird; }
    bool GetIdentified() const { return FIdentified; }
    uint8_t GetByteF1() const { return FByteF1; }
    const TTarvelSigSlots& SigSlots() const { return FSigSlots; }

protected:
    ~TTarvelStackDevice() override = default;

    bool ImplementsInterface(const TGUID& iid) const override;
    void BeforeDestruction() override;

private:
    // Takes a SIG: the fixed one, or a slot of the table (`fromTable` then true).
    uint8_t AllocateSig(uint8_t Inst, int32_t Timeout, bool& fromTable);
    bool WaitingRequest(uint8_t Inst, const std::string& Data, TTarvelFormat97& Packet, int32_t Timeout,
                        const IntfPtr<ITarvelStack>& stack);
    void RegisterInDeviceList();

    std::atomic<int32_t> FTimeout{DefaultTimeout};
    TTarvelSigSlots FSigSlots; // holds FCurrentSig and the slots under its own lock
    std::atomic<uint8_t> FAddress{TARVEL_ADR_SPECIAL};
    std::mutex FStackLock; // FStack is read by the stack's thread too
    IntfPtr<ITarvelStack> FStack;
    std::string FVersion;
    std::string FIdentThird;
    bool FIdentified = false;
    uint8_t FByteF1 = 0;
    std::atomic<uint8_t> FLastResult{TARVEL_RESULT_NONE};
    std::atomic<TTarvelOutcome> FLastOutcome{TTarvelOutcome::None};
    std::atomic<int32_t> FLastAck{-1};
    std::atomic<uint8_t> FFixedSig{0};
    bool FRegistered = false;
};

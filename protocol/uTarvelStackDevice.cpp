#include "protocol/uTarvelStackDevice.h"

#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "protocol/uTarvelCommonInstructions.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "protocol/uTarvelUserMessage.h"

#include <charconv>

namespace {

// An integer attribute; 0 when missing or not a whole number.
int64_t IntAttribute(const IntfPtr<IXMLNode>& node, const char* name)
{
    const std::optional<std::string> text = node->GetAttribute(name);
    if (!text) return 0;
    const std::string_view t = TrimBlanks(*text);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    return ec == std::errc() && end == t.data() + t.size() ? value : 0;
}

} // namespace

TTarvelStackDevice::TTarvelStackDevice(uint8_t Address) : FAddress(Address) { RegisterInDeviceList(); }

TTarvelStackDevice::TTarvelStackDevice(const std::string& GuidText, uint8_t Address) : FAddress(Address)
{
    if (!GuidText.empty()) {
        // The settings element carries the GUID; a device without one takes it directly.
        const IntfPtr<IXMLNode> node = TXMLDocument::Create("Device")->DocumentElement();
        node->SetAttribute("GUID", GuidText);
        LoadConfig(node, false, true);
    }
    RegisterInDeviceList();
}

// The base reads the stored node settings, GUID included, before any GUID is generated;
// LoadConfig then adds the device's own attributes.
TTarvelStackDevice::TTarvelStackDevice(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner)
    : TNodedInterface(settingsNode, nullptr)
{
    LoadConfig(settingsNode, true, false);
    SetOwner(owner);
    IntfPtr<ITarvelStack> stack;
    if (Supports<ITarvelStack>(owner.get(), stack)) SetStack(stack);
    RegisterInDeviceList();
}

void TTarvelStackDevice::RegisterInDeviceList() { FRegistered = RegisterDevice(static_cast<ITarvelStackDevice*>(this)); }

void TTarvelStackDevice::BeforeDestruction()
{
    if (FRegistered) UnregisterDevice(static_cast<ITarvelStackDevice*>(this));
    SetStack(nullptr);
    TNodedInterface::BeforeDestruction();
}

bool TTarvelStackDevice::ImplementsInterface(const TGUID& iid) const
{
    return iid == ITarvelStackDevice::IID || TNodedInterface::ImplementsInterface(iid);
}

IntfPtr<ITarvelStack> TTarvelStackDevice::GetStack()
{
    std::lock_guard lock(FStackLock);
    return FStack;
}

void TTarvelStackDevice::SetStack(const IntfPtr<ITarvelStack>& stack)
{
    IntfPtr<ITarvelStack> old;
    {
        std::lock_guard lock(FStackLock);
        if (stack == FStack) return;
        old.swap(FStack);
    }
    if (old) old->RemoveDevice(this);
    if (stack) {
        {
            std::lock_guard lock(FStackLock);
            FStack = stack;
        }
        stack->AddDevice(this);
    }
}

void TTarvelStackDevice::ResetLastResult()
{
    FLastResult = TARVEL_RESULT_NONE;
    FLastOutcome = TTarvelOutcome::None;
    FLastAck = -1;
}

uint8_t TTarvelStackDevice::AllocateSig(uint8_t Inst, int32_t Timeout, bool& fromTable)
{
    const uint8_t fixed = FFixedSig;
    fromTable = fixed == 0;
    return fromTable ? FSigSlots.Allocate(Inst, Timeout) : fixed;
}

bool TTarvelStackDevice::Request(uint8_t Inst, const std::string& Data, TTarvelFormat97& Packet, int32_t Timeout,
                                 bool Wait, const TTarvelAnswerEvent& OnAnswer)
{
    ResetLastResult();
    if (Timeout < 0) Timeout = FTimeout;
    const IntfPtr<ITarvelStack> stack = GetStack();
    if (!stack) {
        FLastOutcome = TTarvelOutcome::NotSent;
        return false;
    }
    if (Wait) return WaitingRequest(Inst, Data, Packet, Timeout, stack);

    bool fromTable = false;
    const uint8_t sig = AllocateSig(Inst, Timeout, fromTable);
    if (OnAnswer) {
        TTarvelFormat97 request;
        ParseTarvel97Packet(BuildTarvel97Packet(FAddress, sig, Inst, Data), request);
        FSigSlots.SetAnswerHandler(sig, OnAnswer, request);
    }
    const bool sent = stack->SendPacket(FAddress, sig, Inst, Data);
    // No answer can come to a request that was not written: its slot is free again at once.
    if (!sent && fromTable) FSigSlots.Free(sig);
    Packet = TTarvelFormat97{};
    return sent;
}

bool TTarvelStackDevice::WaitingRequest(uint8_t Inst, const std::string& Data, TTarvelFormat97& Packet,
                                        int32_t Timeout, const IntfPtr<ITarvelStack>& stack)
{
    // Without an open link nothing is written and no answer can come, so no SIG is
    // taken: a SIG held back for a late answer per request would fill the table while
    // the polling runs without a link.
    const IntfPtr<ICommunicationInterface> intf = stack->GetCommunicationInterface();
    if (!intf || !intf->IsOpen()) {
        FLastResult = TARVEL_RESULT_NO_ANSWER;
        FLastOutcome = intf ? TTarvelOutcome::LinkClosed : TTarvelOutcome::NotSent;
        return false;
    }
    bool fromTable = false;
    const uint8_t sig = AllocateSig(Inst, Timeout, fromTable);
    struct FreeOnExit {
        TTarvelSigSlots& Slots;
        uint8_t Sig;
        bool Taken;
        ~FreeOnExit()
        {
            if (Taken) Slots.Free(Sig);
        }
    } freeOnExit{FSigSlots, sig, fromTable};

    std::string answer;
    FLastOutcome = stack->Exchange(FAddress, sig, Inst, Data, answer, uint32_t(Timeout));
    if (FLastOutcome != TTarvelOutcome::Answered && FLastOutcome != TTarvelOutcome::Refused) {
        FLastResult = TARVEL_RESULT_NO_ANSWER;
        // Its answer may still come: the next requests take other SIGs meanwhile.
        if (fromTable) FSigSlots.Quarantine(sig, Timeout);
        freeOnExit.Taken = false;
        return false;
    }
    if (ValidateTarvel97Packet(answer) != 0) {
        FLastResult = answer.empty() ? TARVEL_RESULT_NO_ANSWER : TARVEL_RESULT_INVALID;
        return false;
    }
    ParseTarvel97Packet(answer, Packet);
    FLastAck = Packet.Inst;
    if (Packet.Sig != sig) return false;
    FLastResult = Packet.Inst == 0 ? TARVEL_RESULT_OK : TARVEL_RESULT_REFUSED;
    return true;
}

bool TTarvelStackDevice::Query(uint8_t Inst, const std::string& Data, std::string& AnswerData, uint8_t& Ack,
                               int32_t Timeout, bool Wait, const TTarvelAnswerEvent& OnAnswer)
{
    TTarvelFormat97 packet;
    if (!Request(Inst, Data, packet, Timeout, Wait, OnAnswer) || (Wait && packet.Inst != 0)) return false;
    AnswerData = packet.Data;
    Ack = packet.Inst;
    return true;
}

bool TTarvelStackDevice::Query(uint8_t Inst, const std::string& Data, std::string& AnswerData, int32_t Timeout,
                               bool Wait, const TTarvelAnswerEvent& OnAnswer)
{
    uint8_t ack = 0;
    return Query(Inst, Data, AnswerData, ack, Timeout, Wait, OnAnswer);
}

bool TTarvelStackDevice::Command(uint8_t Inst, const std::string& Data, int32_t Timeout, bool Wait,
                                 const TTarvelAnswerEvent& OnAnswer)
{
    std::string ignored;
    return Query(Inst, Data, ignored, Timeout, Wait, OnAnswer);
}

bool TTarvelStackDevice::Command(uint8_t Inst, int32_t Timeout, bool Wait, const TTarvelAnswerEvent& OnAnswer)
{
    return Command(Inst, std::string(), Timeout, Wait, OnAnswer);
}

bool TTarvelStackDevice::SendInstruction(uint8_t Inst, const std::string& Data, std::string& AnswerData,
                                         uint8_t& Ack, int32_t Timeout)
{
    TTarvelFormat97 packet;
    if (!Request(Inst, Data, packet, Timeout, true)) return false;
    AnswerData = packet.Data;
    Ack = packet.Inst;
    return true;
}

void TTarvelStackDevice::ProcessPacket(const TTarvelFormat97& packet)
{
    if (packet.Inst < 6) {
        try {
            HandleAnswer(packet);
        } catch (...) {
            ShowTarvelUserMessage(STarvelAnswerHandlerError);
        }
    } else if (packet.Inst >= 12 && packet.Inst <= 15) {
        try {
            HandleMessage(packet);
        } catch (...) {
            ShowTarvelUserMessage(STarvelMessageHandlerError);
        }
    }
}

void TTarvelStackDevice::HandleAnswer(const TTarvelFormat97& packet) { FSigSlots.Deliver(packet); }

void TTarvelStackDevice::LoadConfig(const IntfPtr<IXMLNode>& node, bool takeNode, bool rereadGUID)
{
    TNodedInterface::LoadConfig(node, takeNode, rereadGUID);
    if (!node) return;
    if (const std::optional<std::string> adr = node->GetAttribute("ADR")) FAddress = ParseAddressText(*adr);
    FFixedSig = uint8_t(IntAttribute(node, "fixedSIG"));
}

void TTarvelStackDevice::SaveConfig()
{
    TNodedInterface::SaveConfig();
    const IntfPtr<IXMLNode> node = GetConfigNode();
    if (!node) return;
    node->SetAttribute("ADR", FormatAddressText(FAddress));
    node->SetAttribute("fixedSIG", std::to_string(unsigned(FFixedSig)));
    node->SetAttribute("GUID", GetGUIDString());
}

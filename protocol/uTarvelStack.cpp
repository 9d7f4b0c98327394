#include "protocol/uTarvelStack.h"

#include "framework/uExceptions.h"
#include "framework/uSync.h"
#include "framework/uTimeoutManager.h"

#include <algorithm>

const char* const STarvelStackOwner = "ITarvelStack can be owned only by ICommunicationInterface";
const char* const STarvelRcvAdrFF = "RCV packet ADR=$FF !";

TTarvelStack::TTarvelStack() = default;

// The base reads the stored settings, GUID included; the owner is set here, where the
// owner check runs.
TTarvelStack::TTarvelStack(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner)
    : TNodedInterface(settingsNode, nullptr)
{
    try {
        SetOwner(owner);
    } catch (...) {
        // The object will not exist: the owner that refused it must not keep it as a child.
        SetOwner(nullptr);
        throw;
    }
}

bool TTarvelStack::ImplementsInterface(const TGUID& iid) const
{
    return iid == ITarvelStack::IID || TNodedInterface::ImplementsInterface(iid);
}

void TTarvelStack::BeforeDestruction()
{
    SetCommunicationInterface(nullptr);
    TNodedInterface::BeforeDestruction();
}

IntfPtr<ICommunicationInterface> TTarvelStack::GetCommunicationInterface()
{
    TWriteScope<TNodedInterface> lock(*this);
    return FCommunicationInterface;
}

void TTarvelStack::SetCommunicationInterface(const IntfPtr<ICommunicationInterface>& intf)
{
    TWriteScope<TNodedInterface> lock(*this);
    if (intf == FCommunicationInterface) return;
    if (FCommunicationInterface) FCommunicationInterface->SetOnDataRcv(TCiNotifyEvent());
    // Bytes of an unfinished packet belong to the old link.
    FRxBuffer.Clear();
    FCommunicationInterface = intf;
    if (intf) intf->SetOnDataRcv(TCiNotifyEvent::Bind<&TTarvelStack::icDataRcv>(this));
}

void TTarvelStack::SetOwner(const IntfPtr<IInterface>& newOwner)
{
    // The old owner's RemoveChild calls back here with none; only the outer call relinks.
    if (FChangingOwner) {
        TNodedInterface::SetOwner(newOwner);
        return;
    }
    FChangingOwner = true;
    try {
        TNodedInterface::SetOwner(newOwner);
    } catch (...) {
        FChangingOwner = false;
        throw;
    }
    FChangingOwner = false;
    IntfPtr<ICommunicationInterface> intf;
    if (newOwner && !Supports<ICommunicationInterface>(newOwner.get(), intf)) throw Exception(STarvelStackOwner);
    SetCommunicationInterface(intf);
}

bool TTarvelStack::AddDevice(const IntfPtr<ITarvelStackDevice>& device)
{
    if (!device) return false;
    const bool added = AddChild(device) >= 0;
    if (device->GetStack().get() != static_cast<ITarvelStack*>(this)) device->SetStack(this);
    return added;
}

bool TTarvelStack::RemoveDevice(const IntfPtr<ITarvelStackDevice>& device)
{
    if (!device) return false;
    if (device->GetStack().get() == static_cast<ITarvelStack*>(this)) device->SetStack(nullptr);
    return RemoveChild(device) >= 0;
}

IntfPtr<ITarvelStackDevice> TTarvelStack::GetDevice(int32_t Index)
{
    TWriteScope<TNodedInterface> lock(*this);
    IntfPtr<ITarvelStackDevice> device;
    if (Index >= 0 && Index < GetChildCount()) Supports<ITarvelStackDevice>(GetChildren()->Get(Index).get(), device);
    return device;
}

size_t TTarvelStack::RxBufferedBytes()
{
    TWriteScope<TNodedInterface> lock(*this);
    return FRxBuffer.Buffered();
}

bool TTarvelStack::SendPacket(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data)
{
    const IntfPtr<ICommunicationInterface> intf = GetCommunicationInterface();
    if (!intf) return false;
    return intf->Send(BuildTarvel97Packet(Address, Sig, Inst, Data)) > 0;
}

TTarvelOutcome TTarvelStack::Exchange(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data,
                                      std::string& Answer, uint32_t Timeout)
{
    const uint32_t start = GetTickCount();
    const IntfPtr<ICommunicationInterface> intf = GetCommunicationInterface();
    if (!intf) return TTarvelOutcome::NotSent;
    if (!intf->IsOpen()) return TTarvelOutcome::LinkClosed;
    TPendingRequest request{Address, Sig, BuildTarvel97Packet(Address, Sig, Inst, Data), 0, start, Timeout};

    TWriteScope<TNodedInterface> stackLock(*this);
    TWriteScope intfLock(*intf);
    // Bytes that arrived before the request are not its answer; they are dispatched afterwards.
    TWaitTraffic other;
    TakeBacklog(*intf, other);
    request.End = FRxBuffer.End();
    Answer.clear();
    // Bytes that could not be sent get no answer: no need to wait for one.
    const TTarvelOutcome outcome = intf->Send(request.Sent) > 0 ? WaitForAnswer(*intf, request, Answer, other)
                                   : intf->IsOpen()             ? TTarvelOutcome::NotSent
                                                                : TTarvelOutcome::LinkClosed;
    DispatchQuietly(other);
    return outcome;
}

// One Receive may hand out only part of what is waiting (a socket gives at most 64 KiB at
// a time), so reading goes on until nothing waits. It stops after MaxRxBuffer bytes, so
// that a peer that never stops sending cannot hold the request back.
void TTarvelStack::TakeBacklog(ICommunicationInterface& intf, TWaitTraffic& other)
{
    std::string chunk;
    std::string packet;
    uint64_t at = 0;
    for (size_t read = 0; read < MaxRxBuffer && intf.InBuffUsed() > 0; read += chunk.size()) {
        intf.Receive(chunk);
        if (chunk.empty()) return;
        FRxBuffer.Append(chunk);
        while (FRxBuffer.Next(packet, at)) Keep(packet, other);
    }
}

TTarvelOutcome TTarvelStack::WaitForAnswer(ICommunicationInterface& intf, TPendingRequest& request,
                                           std::string& Answer, TWaitTraffic& other)
{
    for (;;) {
        const uint32_t elapsed = GetTickCount() - request.Start;
        const uint32_t remaining = elapsed < request.Timeout ? request.Timeout - elapsed : 0;
        const TCiWaitResult woken = intf.WaitForData(std::min(remaining, MaxLookIntervalMs));
        if (intf.InBuffUsed() > 0) {
            std::string chunk;
            intf.Receive(chunk);
            FRxBuffer.Append(chunk);
            if (TakeAnswer(request, Answer, other))
                return Answer[6] == 0 ? TTarvelOutcome::Answered : TTarvelOutcome::Refused;
        }
        const bool closed = woken == TCiWaitResult::Closed;
        if (closed || uint32_t(GetTickCount() - request.Start) > request.Timeout) return Unanswered(request, closed);
    }
}

TTarvelOutcome TTarvelStack::Unanswered(const TPendingRequest& request, bool closed) const
{
    if (closed) return TTarvelOutcome::LinkClosed;
    if (request.LateSeen) return TTarvelOutcome::LateAnswer;
    // An unfinished packet is held, and bytes of it came after the request.
    if (FRxBuffer.Buffered() > 0 && FRxBuffer.End() > request.End) return TTarvelOutcome::Arriving;
    if (FRxBuffer.DroppedUntil() > request.End) return TTarvelOutcome::Damaged;
    return TTarvelOutcome::TimedOut;
}

// Frames what has arrived. Packets that started before the request was sent, and every
// packet that is not the answer, are kept for dispatch after the wait.
bool TTarvelStack::TakeAnswer(TPendingRequest& request, std::string& Answer, TWaitTraffic& other)
{
    constexpr size_t TimeCheckEvery = 1024;
    std::string packet;
    uint64_t at = 0;
    for (size_t framed = 1; FRxBuffer.Next(packet, at); ++framed) {
        if (at >= request.End) {
            // A half-duplex converter returns every byte it sends: the request comes back
            // before its answer, with the same address and SIG. It is no packet of the line.
            if (!request.EchoSeen && packet == request.Sent) {
                request.EchoSeen = true;
                continue;
            }
            if (Tarvel97IsAnswer(packet, request.Address, request.Sig)) {
                Answer.swap(packet);
                return true;
            }
            if (Tarvel97IsAnswer(packet, request.Address, uint8_t(packet[5]))) request.LateSeen = true;
        }
        Keep(packet, other);
        if (framed % TimeCheckEvery == 0 && uint32_t(GetTickCount() - request.Start) > request.Timeout) return false;
    }
    return false;
}

// Past a bound the kept packets are dispatched at once, so that a flood cannot grow the
// wait without limit.
void TTarvelStack::Keep(std::string& packet, TWaitTraffic& other)
{
    other.Bytes += packet.size();
    other.Packets.push_back(std::move(packet));
    if (other.Bytes > MaxRxBuffer) DispatchTraffic(other);
}

void TTarvelStack::DispatchTraffic(TWaitTraffic& other)
{
    for (const std::string& packet : other.Packets) {
        try {
            Deliver(packet);
        } catch (const std::exception& e) {
            ReportFault(e);
        }
    }
    other = TWaitTraffic();
}

void TTarvelStack::DispatchQuietly(TWaitTraffic& other)
{
    DispatchTraffic(other);
    for (;;) {
        try {
            ProcessFramed();
            return;
        } catch (const std::exception& e) {
            ReportFault(e);
        }
    }
}

void TTarvelStack::ReportFault(const std::exception& e)
{
    const IntfPtr<ICommunicationInterface> intf = FCommunicationInterface;
    if (!intf) return;
    try {
        if (const TCiErrorEvent handler = intf->GetOnError()) handler(intf.get(), "DoDataRcv", {e.what()}, 0);
    } catch (...) {
        // A failing error report must not break the request that met the fault.
    }
}

void TTarvelStack::icDataRcv(ICommunicationInterface* Sender)
{
    // Processing stays under the stack's lock, so that it never overlaps a waiting
    // request that another thread runs on the same stack.
    TWriteScope<TNodedInterface> lock(*this);
    std::string data;
    if (Sender) Sender->Receive(data);
    ProcessReceived(data);
}

bool TTarvelStack::MoreBytesWaiting()
{
    const IntfPtr<ICommunicationInterface> intf = FCommunicationInterface;
    return intf && intf->InBuffUsed() != 0;
}

void TTarvelStack::ProcessReceived(const std::string& Data)
{
    if (Data.empty()) return;
    FRxBuffer.Append(Data);
    ProcessFramed();
}

void TTarvelStack::ProcessFramed()
{
    std::string packet;
    uint64_t at = 0;
    for (int handled = 1; FRxBuffer.Next(packet, at); ++handled) {
        Deliver(packet);
        if (handled > MaxPacketsPerCall && MoreBytesWaiting()) return;
    }
}

// The packet is already off the buffer, so one that raises cannot block the stream.
void TTarvelStack::Deliver(const std::string& packet)
{
    TTarvelFormat97 record;
    ParseTarvel97Packet(packet, record);
    if (record.Adr == TARVEL_ADR_UNIVERSAL) throw Exception(STarvelRcvAdrFF);
    Dispatch(record);
}

void TTarvelStack::Dispatch(const TTarvelFormat97& packet)
{
    for (const IntfPtr<IInterface>& child : GetChildren()->Snapshot()) {
        IntfPtr<ITarvelStackDevice> device;
        if (!Supports<ITarvelStackDevice>(child.get(), device)) continue;
        const uint8_t address = device->GetAddress();
        if (packet.Adr == address || packet.Adr == TARVEL_ADR_SPECIAL || address == TARVEL_ADR_SPECIAL)
            device->ProcessPacket(packet);
    }
}

#include "protocol/uTarvelStack.h"

#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"
#include "protocol/uTarvelFraming.h"

#include <algorithm>

const char* const STarvelStackOwner = "ITarvelStack can be owned only by ICommunicationInterface";
const char* const STarvelRcvAdrFF = "RCV packet ADR=$FF !";

namespace {

constexpr size_t npos = std::string::npos;
constexpr uint32_t PollSleepMs = 50;
constexpr uint32_t AfterDataSleepMs = 10;

// Holds the write side of an object's lock for a scope.
template <class T>
class TWriteScope {
public:
    explicit TWriteScope(T* object) : FObject(object) { FObject->BeginWrite(); }
    ~TWriteScope() { FObject->EndWrite(); }
    TWriteScope(const TWriteScope&) = delete;
    TWriteScope& operator=(const TWriteScope&) = delete;

private:
    T* FObject;
};

void MoveFront(std::string& from, size_t count, std::string& to)
{
    to.append(from, 0, count);
    from.erase(0, count);
}

// Looks for the answer in the bytes received during a wait. Everything that cannot be
// the answer or lies before it moves to `other`, to be dispatched after the wait; an
// unfinished packet stays at the front of `pending` for the next poll.
bool TakeAnswer(std::string& pending, std::string& other, uint8_t Address, uint8_t Sig, std::string& answer)
{
    for (;;) {
        const size_t marker = pending.find("*a");
        if (marker == npos) {
            const size_t keep = !pending.empty() && pending.back() == '*' ? 1 : 0;
            MoveFront(pending, pending.size() - keep, other);
            return false;
        }
        MoveFront(pending, marker, other);
        size_t needed = 0;
        const size_t length = Tarvel97CutLength(pending, 0, needed);
        if (length == 0) {
            // Unfinished: wait for the rest, unless a complete packet behind it shows it was garbage.
            size_t next = pending.find("*a", 1);
            while (next != npos && Tarvel97CutLength(pending, next, needed) == 0) next = pending.find("*a", next + 1);
            if (next == npos) return false;
            MoveFront(pending, next, other);
            continue;
        }
        const std::string_view candidate(pending.data(), length);
        if (Tarvel97IsAnswer(candidate, Address, Sig)) {
            answer.assign(candidate);
            pending.erase(0, length);
            return true;
        }
        MoveFront(pending, ValidateTarvel97Packet(candidate) == 0 ? length : Tarvel97InvalidSkip(candidate), other);
    }
}

} // namespace

TTarvelStack::TTarvelStack() = default;

TTarvelStack::TTarvelStack(const IntfPtr<IXMLNode>& settingsNode, const IntfPtr<IInterface>& owner)
{
    LoadConfig(settingsNode, true, false);
    SetOwner(owner);
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
    TWriteScope<TNodedInterface> lock(this);
    return FCommunicationInterface;
}

void TTarvelStack::SetCommunicationInterface(const IntfPtr<ICommunicationInterface>& intf)
{
    TWriteScope<TNodedInterface> lock(this);
    if (intf == FCommunicationInterface) return;
    if (FCommunicationInterface) FCommunicationInterface->SetOnDataRcv(TCiNotifyEvent());
    // Bytes of an unfinished packet belong to the old link.
    FRxBuffer.clear();
    FRxOffset = 0;
    Consume(0);
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
    TWriteScope<TNodedInterface> lock(this);
    IntfPtr<ITarvelStackDevice> device;
    if (Index >= 0 && Index < GetChildCount()) Supports<ITarvelStackDevice>(GetChildren()->Get(Index).get(), device);
    return device;
}

size_t TTarvelStack::RxBufferedBytes()
{
    TWriteScope<TNodedInterface> lock(this);
    return FRxBuffer.size() - FRxOffset;
}

bool TTarvelStack::SendPacket(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data)
{
    const IntfPtr<ICommunicationInterface> intf = GetCommunicationInterface();
    if (!intf) return false;
    return intf->Send(BuildTarvel97Packet(Address, Sig, Inst, Data)) > 0;
}

bool TTarvelStack::SendPacketAndWait(uint8_t Address, uint8_t Sig, uint8_t Inst, const std::string& Data,
                                     std::string& Answer, uint32_t Timeout)
{
    const uint32_t start = GetTickCount();
    const IntfPtr<ICommunicationInterface> intf = GetCommunicationInterface();
    if (!intf || !intf->IsOpen()) return false;

    TWriteScope<TNodedInterface> stackLock(this);
    TWriteScope<ICommunicationInterface> intfLock(intf.get());
    // Bytes that arrived before the request are not its answer; they are dispatched afterwards.
    std::string other;
    intf->Receive(other);
    const std::string request = BuildTarvel97Packet(Address, Sig, Inst, Data);
    intf->Send(request);
    Answer.clear();
    std::string pending;
    bool answered = false;
    do {
        Sleep(PollSleepMs);
        if (intf->InBuffUsed() != 0) {
            std::string chunk;
            intf->Receive(chunk);
            pending += chunk;
            answered = TakeAnswer(pending, other, Address, Sig, Answer);
            if (!answered) Sleep(AfterDataSleepMs);
        }
    } while (!answered && uint32_t(GetTickCount() - start) <= Timeout);
    ProcessReceived(other + pending);
    return answered;
}

void TTarvelStack::icDataRcv(ICommunicationInterface* Sender)
{
    // Processing stays under the stack's lock, so that it never overlaps a waiting
    // request that another thread runs on the same stack.
    TWriteScope<TNodedInterface> lock(this);
    std::string data;
    if (Sender) Sender->Receive(data);
    ProcessReceived(data);
}

void TTarvelStack::Consume(size_t bytes)
{
    FRxOffset += bytes;
    FRxScanFrom = 0;
    FRxNeeded = 0;
    if (FRxOffset == FRxBuffer.size()) {
        FRxBuffer.clear();
        FRxOffset = 0;
    }
}

size_t TTarvelStack::NextCandidate()
{
    const std::string_view buffer = FRxBuffer;
    size_t needed = npos;
    const size_t front = Tarvel97CutLength(buffer, FRxOffset, needed);
    if (front != 0 || FRxOffset == buffer.size()) return front;

    // Resynchronise on the first marker that starts a complete candidate. Markers seen
    // before that were unfinished; they are looked at again only once the buffer has
    // grown to the length one of them needs.
    const bool rescan = FRxNeeded == 0 || buffer.size() >= FRxNeeded;
    size_t minNeeded = rescan ? needed : std::min(FRxNeeded, needed);
    size_t marker = buffer.find("*a", rescan ? FRxOffset + 1 : std::max(FRxScanFrom, FRxOffset + 1));
    for (; marker != npos; marker = buffer.find("*a", marker + 1)) {
        const size_t length = Tarvel97CutLength(buffer, marker, needed);
        if (length != 0) {
            Consume(marker - FRxOffset);
            return length;
        }
        minNeeded = std::min(minNeeded, needed);
    }
    FRxScanFrom = buffer.size() - 1; // a trailing "*" may meet its "a" in the next bytes
    FRxNeeded = minNeeded;
    return 0;
}

bool TTarvelStack::MoreBytesWaiting()
{
    const IntfPtr<ICommunicationInterface> intf = FCommunicationInterface;
    return intf && intf->InBuffUsed() != 0;
}

void TTarvelStack::ProcessReceived(const std::string& Data)
{
    if (Data.empty()) return;
    // Processed bytes are dropped once they are the larger part, so that taking packets
    // costs no copying of the rest and the buffer never doubles in vain.
    if (FRxOffset != 0 && FRxOffset * 2 >= FRxBuffer.size()) {
        FRxBuffer.erase(0, FRxOffset);
        FRxOffset = 0;
        Consume(0);
    }
    FRxBuffer += Data;
    const size_t unprocessed = FRxBuffer.size() - FRxOffset;
    if (unprocessed > MaxRxBuffer) Consume(unprocessed - KeptRxBuffer);

    for (int handled = 1;; ++handled) {
        const size_t length = NextCandidate();
        if (length == 0) return;
        const std::string_view candidate(FRxBuffer.data() + FRxOffset, length);
        if (ValidateTarvel97Packet(candidate) != 0) {
            Consume(Tarvel97InvalidSkip(candidate));
        } else {
            // Taken off the buffer before parsing, so a packet that raises cannot block the stream.
            const std::string packet(candidate);
            Consume(length);
            TTarvelFormat97 record;
            ParseTarvel97Packet(packet, record);
            if (record.Adr == TARVEL_ADR_UNIVERSAL) throw Exception(STarvelRcvAdrFF);
            Dispatch(record);
        }
        if (handled > MaxPacketsPerCall && MoreBytesWaiting()) return;
    }
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

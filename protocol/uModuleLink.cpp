#include "protocol/uModuleLink.h"

#include "framework/uTimeoutManager.h"
#include "framework/uci_ConnectionString.h"

#include <random>

TModuleLink::~TModuleLink() { Detach(); }

void TModuleLink::Attach(const IntfPtr<ITarvelStackDevice>& device)
{
    if (!FStack) FStack = MakeObj<TTarvelStack>();
    FDevice = device;
    FDevice->SetStack(FStack);
}

void TModuleLink::Detach()
{
    Close();
    if (FDevice) std::exchange(FDevice, nullptr)->SetStack(nullptr);
}

TLinkOpen TModuleLink::Open(const std::string& connection, std::string& error)
{
    IntfPtr<ICommunicationInterface> built;
    if (!CreateCommunicationInterface(connection, built, error)) return TLinkOpen::Refused;
    Close();
    FConnection = connection;
    SetInterface(built);
    // Opening may run the event loop; a Close meanwhile drops the link.
    if (!built->Open()) {
        error = OpenFailureOf(built.get());
        return TLinkOpen::Failed;
    }
    if (FInterface != built) {
        built->Close(false);
        return TLinkOpen::Failed;
    }
    if (FStack) {
        if (!Settle(*built)) {
            error = "the link closed as soon as it opened";
            return TLinkOpen::Failed;
        }
        if (FDevice) FDevice->StartSigsAt(uint8_t(std::random_device()()));
        FStack->SetCommunicationInterface(built);
    }
    return TLinkOpen::Opened;
}

bool TModuleLink::Settle(ICommunicationInterface& intf)
{
    const uint32_t start = GetTickCount();
    std::string dropped;
    for (;;) {
        const TCiWaitResult waited = intf.WaitForData(SettleQuietMs);
        if (waited == TCiWaitResult::Closed) return false;
        if (waited == TCiWaitResult::TimedOut || GetTickCount() - start >= SettleLimitMs) return true;
        intf.Discard(dropped);
    }
}

TLinkOpen TModuleLink::Reopen(std::string& error) { return Open(FConnection, error); }

void TModuleLink::Close()
{
    if (FStack) FStack->SetCommunicationInterface(nullptr);
    IntfPtr<ICommunicationInterface> closing;
    {
        const std::lock_guard lock(FInterfaceLock);
        closing = std::exchange(FInterface, nullptr);
    }
    if (closing) closing->Close(false);
}

void TModuleLink::Interrupt()
{
    IntfPtr<ICommunicationInterface> intf;
    {
        const std::lock_guard lock(FInterfaceLock);
        intf = FInterface;
    }
    if (intf) intf->Close(false);
}

void TModuleLink::SetInterface(const IntfPtr<ICommunicationInterface>& intf)
{
    const std::lock_guard lock(FInterfaceLock);
    FInterface = intf;
}

#include "cli/uCliLink.h"

TCliLink::TCliLink(TSessionLink& link, int32_t timeout)
    : FLink(link), FTimeout(timeout), FSink(TSpySink::Bind<&TCliLink::Watch>(this))
{
    FNextSink = ExchangeSpySink(FSink);
}

TCliLink::~TCliLink() { RemoveSpySink(FSink, FNextSink); }

void TCliLink::Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (FNextSink) FNextSink(intf, bytes, direction);
    if (intf != FLink.Interface().get() || direction != SpyDirectionReceived || bytes.empty()) return;
    const std::lock_guard lock(FTrafficLock);
    FReceived.Append(bytes);
    std::string packet;
    uint64_t at = 0;
    while (FReceived.Next(packet, at)) FPacketAddresses.push_back(uint8_t(packet[4]));
    if (FPacketAddresses.size() > MaxPacketAddresses)
        FPacketAddresses.erase(FPacketAddresses.begin(),
                               FPacketAddresses.end() - std::ptrdiff_t(MaxPacketAddresses));
}

std::vector<uint8_t> TCliLink::TakePacketAddresses()
{
    const std::lock_guard lock(FTrafficLock);
    std::vector<uint8_t> addresses;
    addresses.swap(FPacketAddresses);
    return addresses;
}

std::string CliOpenFailure(TLinkOpen result, const std::string& error, TSessionLink& link,
                           const std::string& connection)
{
    if (result == TLinkOpen::Refused) return error;
    std::string reason = error;
    if (reason.empty() && link.Interface()) link.Interface()->GetDisplayName(reason);
    if (reason.empty()) reason = connection;
    return "cannot open the connection: " + reason;
}

std::string CliReconnectFailure(const TIdentifiedOpen& opened, TSessionLink& link)
{
    switch (opened.Kind) {
    case TIdentifiedOpen::NotOpened:
        return CliOpenFailure(TLinkOpen::Failed, opened.Detail, link, link.Connection());
    case TIdentifiedOpen::OtherDevice: return "another device answers: \"" + opened.Detail + "\"";
    default: return opened.Detail;
    }
}

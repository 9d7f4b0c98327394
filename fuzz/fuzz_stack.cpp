// Feeds arbitrary received bytes, split at arbitrary points, to a protocol stack through
// its data-received handler and aborts when the stack breaks its promises: its buffer
// grows past the bound, it hands a device a packet that is invalid, not addressed to it
// or not in the received bytes (in order, without overlap), it raises an exception it
// does not document, or a complete packet received last is lost.
//
// Input: one byte choosing the second device's address, then records
//   CTRL LEN payload(LEN)
// CTRL bit 0: the bytes so far are delivered as one read after this record;
// bit 1: the payload is ADR SIG INST data of a packet built with a correct checksum;
// bits 2-3: the record's bytes are repeated 16^k times (to reach the buffer bound);
// bits 4-7: when not 0, a read also ends at that many sixteenths of the record's bytes.
#include "protocol/uTarvelStack.h"

#include "framework/uExceptions.h"
#include "fuzz/fuzz_support.h"
#include "protocol/uTarvel97.h"
#include "tests/protocol/test_stack_link.h"

#include <string>
#include <vector>

namespace {

constexpr size_t MaxFedBytes = 192 * 1024; // past the buffer bound, yet fast

// Records every packet the stack hands it, whatever its instruction.
class TTapDevice : public TTarvelStackDevice {
public:
    using TTarvelStackDevice::TTarvelStackDevice;
    void ProcessPacket(const TTarvelFormat97& packet) override
    {
        Packets.push_back(BuildTarvel97PacketFromRecord(packet));
        Adrs.push_back(packet.Adr);
        TTarvelStackDevice::ProcessPacket(packet);
    }
    std::vector<std::string> Packets;
    std::vector<uint8_t> Adrs;
};

struct TFeed {
    std::string Stream;
    std::vector<size_t> Cuts; // ends of the reads, increasing
};

TFeed ParseInput(const uint8_t* data, size_t size)
{
    TFeed feed;
    size_t pos = 0;
    TFuzzRecord record;
    while (feed.Stream.size() < MaxFedBytes && ReadFuzzRecord(data, size, pos, record)) {
        const uint8_t ctrl = record.Ctrl;
        const std::string& bytes = record.Bytes;
        const size_t start = feed.Stream.size();
        for (size_t n = size_t(1) << (4 * ((ctrl >> 2) & 3)); n > 0 && feed.Stream.size() < MaxFedBytes; --n)
            feed.Stream += bytes;
        const size_t inner = start + (feed.Stream.size() - start) * (ctrl >> 4) / 16;
        if ((ctrl >> 4) != 0 && inner > start) feed.Cuts.push_back(inner);
        if ((ctrl & 0x01) && feed.Stream.size() > start) feed.Cuts.push_back(feed.Stream.size());
    }
    feed.Cuts.push_back(feed.Stream.size());
    return feed;
}

// One read: the bytes arrive at the link and the stack's handler takes them, as a
// transport's data-received event does. Returns whether a documented exception came.
bool Deliver(TTarvelStack& stack, TMemoryLink& link, const std::string& bytes)
{
    link.Queue(bytes);
    bool raised = false;
    try {
        stack.icDataRcv(&link);
    } catch (const Exception& e) {
        // A received packet with ADR 0xFF, or one too short to hold INST.
        FuzzCheck(e.Message() == STarvelRcvAdrFF || e.Message() == STarvel97IncorrectPacket);
        raised = true;
    }
    FuzzCheck(stack.RxBufferedBytes() <= TTarvelStack::MaxRxBuffer);
    return raised;
}

// The delivered packets lie in the received bytes in order and do not overlap.
void CheckInStream(const std::vector<std::string>& packets, const std::string& stream)
{
    size_t cursor = 0;
    for (const std::string& packet : packets) {
        FuzzCheck(ValidateTarvel97Packet(packet) == 0);
        const size_t at = stream.find(packet, cursor);
        FuzzCheck(at != std::string::npos);
        cursor = at + packet.size();
    }
}

// A device sees exactly the packets addressed to it or to everyone, in order.
void CheckAddressed(const TTapDevice& device, uint8_t address, const TTapDevice& all)
{
    std::vector<std::string> expected;
    for (size_t i = 0; i < all.Packets.size(); ++i)
        if (address == TARVEL_ADR_SPECIAL || all.Adrs[i] == address || all.Adrs[i] == TARVEL_ADR_SPECIAL)
            expected.push_back(all.Packets[i]);
    FuzzCheck(device.Packets == expected);
}

// Built once: devices are costly to create and keep no state from unsolicited packets;
// the stack drops its buffer whenever it is attached to the link anew.
struct TRig {
    IntfPtr<TMemoryLink> Link = MakeObj<TMemoryLink>();
    IntfPtr<TTarvelStack> Stack = MakeObj<TTarvelStack>();
    IntfPtr<TTapDevice> Dev31 = MakeObj<TTapDevice>(uint8_t(0x31));
    IntfPtr<TTapDevice> Second = MakeObj<TTapDevice>(uint8_t(0x40));
    IntfPtr<TTapDevice> All = MakeObj<TTapDevice>(TARVEL_ADR_SPECIAL);

    TRig()
    {
        Link->Open();
        for (const auto& device : {Dev31, Second, All}) Stack->AddDevice(device);
    }
    void Reset(uint8_t secondAddress)
    {
        Stack->SetCommunicationInterface(nullptr);
        Stack->SetCommunicationInterface(Link);
        FuzzCheck(Stack->RxBufferedBytes() == 0);
        Second->SetAddress(secondAddress);
        for (const auto& device : {Dev31, Second, All}) {
            device->Packets.clear();
            device->Adrs.clear();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static TRig rig;
    const uint8_t secondAddress = data[0];
    rig.Reset(secondAddress);
    TFeed feed = ParseInput(data + 1, size - 1);

    size_t from = 0;
    for (const size_t cut : feed.Cuts) {
        if (cut > from) Deliver(*rig.Stack, *rig.Link, feed.Stream.substr(from, cut - from));
        from = std::max(from, cut);
    }
    // A complete packet received last is never lost: it is handed on, or a packet that
    // overlaps it is (or raises).
    const std::string last = BuildTarvel97Packet(0x31, 0xA5, 0x00, "last");
    const size_t before = rig.All->Packets.size();
    const bool raised = Deliver(*rig.Stack, *rig.Link, last);
    feed.Stream += last;
    FuzzCheck(raised || rig.All->Packets.size() > before);
    if (!raised && rig.All->Packets.back() == last) FuzzCheck(rig.Stack->RxBufferedBytes() == 0);

    CheckInStream(rig.All->Packets, feed.Stream);
    CheckAddressed(*rig.Dev31, 0x31, *rig.All);
    CheckAddressed(*rig.Second, secondAddress, *rig.All);
    return 0;
}

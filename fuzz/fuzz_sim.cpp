// Feeds arbitrary byte streams to the simulator's two ports (the main link and the
// RS-485 bus) through the same link, framer, router and instruction classes its socket
// and terminal links use, and aborts when a port hands on a packet that is invalid or not
// in the received bytes (in order), the framer's buffer passes its bound, the other port
// does not get exactly the packets meant for other addresses, or the answers are not one
// valid packet per request to the module, in order, with the request's SIG and the
// address the module had when the request came.
//
// Input: FLAGS INST ACK, then records CTRL LEN payload(LEN).
// FLAGS bit 0: the module refuses instruction INST with ACK; bits 1-2: the main link
// hangs up after that many packets (0: never); bit 3: half of the answers are lost;
// bit 4: half are damaged; bit 5: noise goes in front of answers; bit 6: the module's
// world moves with time (else frozen).
// CTRL bit 0: the record goes to the bus (else to the main link); bit 1: the payload is
// ADR SIG INST data of a packet built with a correct checksum.
#include "fuzz/fuzz_support.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelBytes.h"
#include "protocol/uTarvelCommonInstructions.h"
#include "sim/SimFaults.h"
#include "sim/SimLink.h"
#include "sim/SimLoop.h"
#include "sim/SimModule.h"
#include "sim/SimRouter.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Answers to one request are at most as long as the input, so the link's output cap
// (far above this) never drops one.
constexpr size_t MaxInput = 4096;
constexpr uint8_t LastAcknowledgeCode = 0x0F;

// A port whose peer is a memory file: what the simulator sends is flushed there.
class TFuzzLink : public TSimLink {
public:
    TFuzzLink(TSimSide side, ISimPacketSink& sink, int out) : TSimLink(side, sink), FOut(out) {}

    bool HasPeer() const override { return true; }
    std::string Describe() const override { return "fuzz"; }
    // The socket link writes what is queued, then closes; the next bytes come from a new peer.
    void Hangup() override
    {
        Flush(FOut);
        StartSession();
    }
    void Watches(std::vector<TSimLoop::TWatch>&) override {}

    void Feed(std::string_view bytes) { Received(bytes); }
    // Everything sent since the last call.
    std::string Take()
    {
        FuzzCheck(Flush(FOut));
        std::string bytes(size_t(lseek(FOut, 0, SEEK_END)), '\0');
        FuzzCheck(pread(FOut, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size()));
        FuzzCheck(ftruncate(FOut, 0) == 0 && lseek(FOut, 0, SEEK_SET) == 0);
        return bytes;
    }

private:
    int FOut;
};

struct TDelivered {
    TTarvelFormat97 Packet;
    uint8_t ModuleAddress; // when the packet arrived
    // A change of address sent to every module whose serial numbers name another one: the
    // module keeps silent, so that only the named module answers.
    bool ForAnother;
};

bool NamesAnotherModule(const TTarvelFormat97& packet, const TSimModule& module)
{
    const std::string& d = packet.Data;
    return packet.Adr == TARVEL_ADR_SPECIAL && packet.Inst == TARVEL_INST_CHANGE_ADDRESS_BY_NUMBERS &&
           d.size() == 5 && uint8_t(d[0]) != TARVEL_ADR_SPECIAL && uint8_t(d[0]) != TARVEL_ADR_UNIVERSAL &&
           (GetBE16(d, 1) != module.SerialN1 || GetBE16(d, 3) != module.SerialN2);
}

// Records every packet a port hands to the router.
class TTapRouter : public TSimRouter {
public:
    TTapRouter(std::vector<TSimModule>& modules, TSimFaults& faults, TSimLoop& loop)
        : TSimRouter(modules, faults, loop, false), FModule(modules.front())
    {
    }

    void OnPacket(TSimLink& from, const TTarvelFormat97& packet) override
    {
        Delivered.push_back({packet, FModule.Address, NamesAnotherModule(packet, FModule)});
        TSimRouter::OnPacket(from, packet);
    }
    std::vector<TDelivered> Delivered;

private:
    TSimModule& FModule;
};

// The bytes one port received in its current session, how far its packets reach, and a
// framer of its own fed the same bytes (the port's framer is out of reach).
struct TStream {
    uint64_t Session = 0;
    std::string Bytes;
    size_t Cursor = 0;
    TTarvelFramer Framer;
};

// The packets the bytes complete that a module can parse.
size_t FramedRequests(TTarvelFramer& framer, const std::string& bytes)
{
    framer.Append(bytes);
    size_t count = 0;
    for (TTarvelFormat97 packet; framer.NextRecord(packet);) ++count;
    return count;
}

bool ForModule(const TDelivered& d)
{
    return d.Packet.Adr == d.ModuleAddress || d.Packet.Adr == TARVEL_ADR_SPECIAL;
}

// A request the module answers (unless the answer is lost).
bool Answerable(const TDelivered& d)
{
    return ForModule(d) && d.Packet.Inst > LastAcknowledgeCode && !d.ForAnother;
}

void CheckInStream(const std::vector<TDelivered>& delivered, TStream& stream)
{
    for (const TDelivered& d : delivered) {
        const std::string bytes = BuildTarvel97PacketFromRecord(d.Packet);
        FuzzCheck(ValidateTarvel97Packet(bytes) == 0);
        const size_t at = stream.Bytes.find(bytes, stream.Cursor);
        FuzzCheck(at != std::string::npos);
        stream.Cursor = at + bytes.size();
    }
}

// The answers to the requests among the delivered packets: whole valid packets, each
// answering the next request in order (none skipped unless answers may be lost).
void CheckAnswers(const std::vector<TDelivered>& delivered, std::string answers, const TSimFaultSettings& faults)
{
    auto request = delivered.begin();
    for (std::string packet; !(packet = ExtractTarvel97Packet(answers, true)).empty();) {
        TTarvelFormat97 answer;
        FuzzCheck(ValidateTarvel97Packet(packet) == 0);
        ParseTarvel97Packet(packet, answer);
        const auto answered = [&](const TDelivered& d) {
            return Answerable(d) && d.Packet.Sig == answer.Sig && d.ModuleAddress == answer.Adr;
        };
        request = faults.DropPercent > 0 ? std::find_if(request, delivered.end(), answered)
                                         : std::find_if(request, delivered.end(), Answerable);
        FuzzCheck(request != delivered.end() && answered(*request));
        const auto refusal = faults.Refusals.find(request->Packet.Inst);
        FuzzCheck(refusal != faults.Refusals.end() ? answer.Inst == refusal->second : answer.Inst <= 3);
        ++request;
    }
    FuzzCheck(answers.empty());
    if (faults.DropPercent == 0)
        FuzzCheck(std::none_of(request, delivered.end(), Answerable));
}

// The other port carries exactly the packets for other addresses (not the universal one).
void CheckForwarded(const std::vector<TDelivered>& delivered, const std::string& forwarded)
{
    std::string expected;
    for (const TDelivered& d : delivered)
        if (!ForModule(d) && d.Packet.Adr != TARVEL_ADR_UNIVERSAL) expected += BuildTarvel97PacketFromRecord(d.Packet);
    FuzzCheck(forwarded == expected);
}

int MemoryFile(const char* name)
{
    const int fd = memfd_create(name, MFD_CLOEXEC);
    FuzzCheck(fd >= 0);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int mainOut = MemoryFile("fuzz-sim-main"), busOut = MemoryFile("fuzz-sim-bus");
    if (size < 3) return 0;
    size = std::min(size, MaxInput);
    const uint8_t flags = data[0];
    TSimFaultSettings settings;
    if (flags & 0x01) settings.Refusals[data[1]] = data[2];
    settings.CloseAfter = (flags >> 1) & 3;
    settings.DropPercent = flags & 0x08 ? 50 : 0;
    settings.CorruptPercent = flags & 0x10 ? 50 : 0;
    settings.Garbage = flags & 0x20;
    const bool cleanAnswers = settings.CorruptPercent == 0 && !settings.Garbage;

    std::vector<TSimModule> modules{TSimModule(0x31, !(flags & 0x40))};
    TSimFaults faults(settings);
    TSimLoop loop;
    TTapRouter router(modules, faults, loop);
    TFuzzLink main(TSimSide::Main, router, mainOut), bus(TSimSide::Bus, router, busOut);
    router.AddLink(main);
    router.AddLink(bus);
    main.Take();
    bus.Take();
    TStream mainStream, busStream;

    size_t pos = 3;
    for (TFuzzRecord record; ReadFuzzRecord(data, size, pos, record);) {
        const uint8_t ctrl = record.Ctrl;
        const std::string& bytes = record.Bytes;
        TFuzzLink& to = ctrl & 0x01 ? bus : main;
        TFuzzLink& other = ctrl & 0x01 ? main : bus;
        TStream& stream = ctrl & 0x01 ? busStream : mainStream;

        router.Delivered.clear();
        to.Feed(bytes);
        const size_t framed = FramedRequests(stream.Framer, bytes);
        FuzzCheck(stream.Framer.Buffered() <= TTarvelFramer::MaxBuffered);
        stream.Bytes += bytes;
        CheckInStream(router.Delivered, stream);
        if (to.Session() == stream.Session)
            FuzzCheck(framed == router.Delivered.size());
        else
            stream = TStream{to.Session(), {}, 0, {}};
        CheckForwarded(router.Delivered, other.Take());
        const std::string answers = to.Take();
        if (cleanAnswers) CheckAnswers(router.Delivered, answers, settings);
    }
    return 0;
}

#include "cli/uCliSniff.h"

#include "capture/uPcapWriter.h"
#include "capture/uTarvelDecoder.h"
#include "capture/uTarvelPairing.h"
#include "capture/uTrafficRecorder.h"
#include "cli/uCliJson.h"
#include "cli/uCliPacing.h"
#include "cli/uCliPanelText.h"
#include "protocol/uModuleLink.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace {

// How long one wait for bytes lasts: the longest a stop signal or the end of --duration waits.
constexpr std::chrono::milliseconds SniffPoll{100};

// "hh:mm:ss.uuuuuu", local time.
std::string SniffTime(int64_t timeUs)
{
    const time_t seconds = time_t(timeUs / 1000000);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06lld", parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<long long>(timeUs % 1000000));
    return text;
}

const char* RoleName(const TPacketReading& r) { return r.Message ? "message" : r.Answer ? "answer" : "request"; }

class TSniffer {
public:
    TSniffer(bool json, std::FILE* out, TPcapWriter& capture, int64_t limit)
        : FJson(json), FOut(out), FCapture(capture), FLimit(limit),
          FRecorder([this](const TCaptureRecord& record) { Show(record); })
    {
    }
    void Add(std::string_view bytes) { FRecorder.Add(1, FLinkName, CaptureDirectionUnknown, bytes, CaptureNowUs()); }
    void Finish() { FRecorder.Finish(); }
    int64_t Packets() const { return FPackets; }
    void SetLinkName(const std::string& name) { FLinkName = name; }

private:
    void Show(const TCaptureRecord& record)
    {
        // A piece of bytes may hold packets beyond --count: they are not part of the run.
        if (FLimit != 0 && FPackets >= FLimit) return;
        FCapture.Write(record);
        const std::string time = SniffTime(record.TimeUs);
        if (record.Kind == TCaptureKind::Unframed) {
            Print(time + " bytes that formed no packet: " + Tarvel97Hex(record.Bytes),
                  TCliJson{{"time", time}, {"unframed", Tarvel97Hex(record.Bytes)}});
            return;
        }
        ++FPackets;
        const TPacketReading r = FPairing.Read(record.Bytes, CaptureDirectionUnknown, record.TimeUs);
        char head[64];
        std::snprintf(head, sizeof head, "%s ADR=0x%02X SIG=0x%02X %s ", time.c_str(), unsigned(r.Adr), unsigned(r.Sig),
                      RoleName(r));
        std::string line = head + r.Text();
        TCliJson json{{"time", time}, {"adr", r.Adr}, {"sig", r.Sig}, {"role", RoleName(r)}};
        if (!r.Name.empty()) json["name"] = r.Name;
        if (r.Answer || r.Message) json["ack"] = r.Code; else json["inst"] = r.Code;
        json["reading"] = r.Reading;
        if (r.ResponseUs >= 0) {
            char ms[32];
            std::snprintf(ms, sizeof ms, "%.3f", double(r.ResponseUs) / 1000);
            line += std::string(" (") + ms + " ms)";
            json["response_ms"] = double(r.ResponseUs) / 1000;
        }
        Print(line, json);
    }
    void Print(const std::string& line, const TCliJson& json)
    {
        std::fprintf(FOut, "%s\n", FJson ? CliJsonText(json).c_str() : PrintableText(line).c_str());
        std::fflush(FOut);
    }

    bool FJson;
    std::FILE* FOut;
    TPcapWriter& FCapture;
    int64_t FLimit;
    std::string FLinkName;
    TTarvelPairing FPairing;
    int64_t FPackets = 0;
    TTrafficRecorder FRecorder;
};

} // namespace

TCliCommandSyntax CliSniffSyntax() { return {"sniff", {}, {}, {"--count", "--duration"}}; }

TCliSniffOptions PrepareSniff(const TCliArgs& args)
{
    TCliSniffOptions sniff;
    sniff.Count = CliInt(args, "--count", 0, INT32_MAX, 0);
    sniff.Duration = std::chrono::milliseconds(CliInt(args, "--duration", 0, INT32_MAX, 0));
    return sniff;
}

int RunSniff(const TCliOptions& options, const TCliSniffOptions& sniff)
{
    using namespace std::chrono;
    std::FILE* out = options.Capture == "-" ? stderr : stdout;
    TPcapWriter capture;
    std::string error;
    if (!options.Capture.empty() && !capture.Open(options.Capture, error)) {
        PrintCliUsageError(options.Json, error);
        return CliExitUsage;
    }
    // No device: the link gets no stack, so nothing on this side ever writes to it.
    TModuleLink link;
    if (link.Open(options.Connection, error) != TLinkOpen::Opened) {
        std::fprintf(stderr, "valdrix-cli: cannot open the connection: %s\n",
                     error.empty() ? options.Connection.c_str() : error.c_str());
        return CliExitConnection;
    }
    const IntfPtr<ICommunicationInterface> intf = link.Interface();
    TSniffer sniffer(options.Json, out, capture, sniff.Count);
    sniffer.SetLinkName(options.Connection);
    const TCliPacer pacer(milliseconds(0));
    const auto end = steady_clock::now() + sniff.Duration;
    while (!pacer.Stopped() && (sniff.Count == 0 || sniffer.Packets() < sniff.Count)) {
        milliseconds wait = SniffPoll;
        if (sniff.Duration.count() > 0) {
            const auto left = ceil<milliseconds>(end - steady_clock::now());
            if (left.count() <= 0) break;
            wait = std::min(wait, left);
        }
        const TCiWaitResult waited = intf->WaitForData(uint32_t(wait.count()));
        if (waited == TCiWaitResult::Closed) break;
        if (waited != TCiWaitResult::Data) continue;
        std::string bytes;
        intf->Receive(bytes);
        sniffer.Add(bytes);
    }
    sniffer.Finish();
    link.Close();
    return CliExitOk;
}

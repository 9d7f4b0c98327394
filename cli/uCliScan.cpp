#include "cli/uCliScan.h"

#include "cli/uCliAddress.h"
#include "cli/uCliPacing.h"
#include "cli/uCliLink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>
#include <string>

namespace {

constexpr uint8_t FirstScanned = 1, LastScanned = 0xFD;
constexpr int64_t DefaultScanTimeout = 100;
// How often the wait for late answers after the last address looks for a stop signal.
constexpr std::chrono::milliseconds ListenSlice{50};

// "scanning 0x31 (49/253)" on a terminal, rewritten in place for every address and
// cleared before a module's line and when the scan ends, so that only the list stays.
class TScanProgress {
public:
    explicit TScanProgress(bool shown) : FShown(shown) {}
    TScanProgress(const TScanProgress&) = delete;
    TScanProgress& operator=(const TScanProgress&) = delete;
    ~TScanProgress() { Clear(); }

    void Show(uint8_t address, int position, int count)
    {
        if (!FShown) return;
        FWidth = std::printf("\rscanning 0x%02X (%d/%d)", unsigned(address), position, count) - 1;
        std::fflush(stdout);
    }

    void Clear()
    {
        if (FWidth <= 0) return;
        std::printf("\r%*s\r", FWidth, "");
        std::fflush(stdout);
        FWidth = 0;
    }

private:
    bool FShown;
    int FWidth = 0;
};

// One scan of a range: each address is asked once, and each module is shown as soon as
// it is found. A module whose answer comes after the scan's time-out is found when the
// answer arrives: while later addresses are asked, or while the scan listens, after the
// last address, for the session's time-out more.
class TScan {
public:
    TScan(TCliLink& s, TCliReport& r, int32_t timeout) : FLink(s), FReport(r), FTimeout(timeout) {}

    // False when the link closed under the scan.
    bool Run(uint8_t from, uint8_t to)
    {
        FTo = to;
        IValdrix& device = FLink.Device();
        device.SetTimeout(FTimeout);
        FLink.TakePacketAddresses();
        TScanProgress progress(FReport.Interactive());
        TCliPacer pacer(std::chrono::milliseconds(0));
        for (int address = from; address <= to; ++address) {
            if (!pacer.Next()) {
                FInterruptedAt = address;
                break;
            }
            progress.Show(uint8_t(address), address - from + 1, to - from + 1);
            device.SetAddress(uint8_t(address));
            const TCliProbe probe = ProbeAddress(device);
            if (probe.Answer == TCliProbe::Silent) {
                // Every later address would be silent as well.
                if (FLink.Link().LinkClosed()) return false;
                FSilent.insert(uint8_t(address));
                FLastSilent = std::chrono::steady_clock::now();
            }
            FindLate(address, progress);
            if (probe.Answer != TCliProbe::Silent) Found(uint8_t(address), probe, progress);
        }
        using namespace std::chrono;
        const auto listenEnd = FLastSilent + milliseconds(FLink.Timeout());
        for (auto now = steady_clock::now(); !FSilent.empty() && !FInterruptedAt && now < listenEnd;
             now = steady_clock::now()) {
            FLink.Link().Listen(std::min(ListenSlice, ceil<milliseconds>(listenEnd - now)));
            FindLate(-1, progress);
            if (pacer.Stopped()) FInterruptedAt = to + 1;
        }
        return true;
    }

    // True when modules were found and every one of them answered its identification.
    bool Report()
    {
        FReport.Json()["modules"] = FModules;
        FReport.Json()["interrupted"] = FInterruptedAt.has_value();
        if (FInterruptedAt)
            FReport.Line(*FInterruptedAt > FTo ? std::string("interrupted while waiting for late answers")
                                               : "interrupted before " + CliAddressText(uint8_t(*FInterruptedAt)));
        if (FModules.empty()) FReport.Line("no module answered");
        if (!FModules.empty() && FOdd == 0) return true;
        FReport.Json()["error"] = FModules.empty() ? std::string("no module answered")
                                                   : std::to_string(FOdd) + " of " + std::to_string(FModules.size()) +
                                                         " modules did not answer the identification request "
                                                         "normally (refused, invalid or late)";
        FReport.FinishFailed();
        return false;
    }

private:
    // Valid packets from addresses that stayed silent are their answers, come late; the
    // address being asked (-1: none) answers in time.
    void FindLate(int asked, TScanProgress& progress)
    {
        for (const uint8_t address : FLink.TakePacketAddresses()) {
            if (address == asked || FSilent.erase(address) == 0) continue;
            progress.Clear();
            ++FOdd;
            const std::string text = "answered the identification request after the time-out of " +
                                     std::to_string(FTimeout) + " ms; a longer --timeout may help";
            Show(address, {{"address", address}, {"answer", "late"}, {"serial", nullptr}}, "-", text);
        }
    }

    void Found(uint8_t address, const TCliProbe& probe, TScanProgress& progress)
    {
        uint16_t n1 = 0, n2 = 0;
        uint32_t n3 = 0;
        IValdrix& device = FLink.Device();
        const bool numbered = device.ReadFANumbers(n1, n2, n3);
        progress.Clear();
        TCliJson json{{"address", address}};
        std::string text;
        if (probe.Answer == TCliProbe::Identified) {
            text = Windows1250ToUtf8(probe.Text);
            json["answer"] = "identification";
            json["identification"] = text;
        } else {
            ++FOdd;
            text = ProbeFailureText(probe);
            json["answer"] = probe.Answer == TCliProbe::Refused ? "refused" : "invalid";
            if (probe.Answer == TCliProbe::Refused) json["ack"] = probe.Ack;
        }
        json["serial"] = numbered ? TCliJson{n1, n2, n3} : TCliJson();
        Show(address, json, numbered ? std::to_string(n1) + " " + std::to_string(n2) + " " + std::to_string(n3) : "-",
             text);
    }

    void Show(uint8_t address, const TCliJson& json, const std::string& serial, const std::string& text)
    {
        FModules.push_back(json);
        FReport.Emit(CliAddressText(address) + " serial " + serial + ": " + text, json);
    }

    TCliLink& FLink;
    TCliReport& FReport;
    const int32_t FTimeout;
    TCliJson FModules = TCliJson::array();
    int FOdd = 0; // modules found that refused, answered invalidly or late
    std::set<uint8_t> FSilent;
    std::chrono::steady_clock::time_point FLastSilent;
    // The first address not asked when a stop signal came; after the last one when it
    // came while the scan listened for late answers.
    std::optional<int> FInterruptedAt;
    int FTo = LastScanned;
};

} // namespace

TCliAction PrepareScan(const TCliArgs& args)
{
    const uint8_t from = args.Has("--from") ? ParseCliAddress(args["--from"], "--from") : FirstScanned;
    const uint8_t to = args.Has("--to") ? ParseCliAddress(args["--to"], "--to") : LastScanned;
    if (from > to) throw ECliUsage("--from " + std::to_string(from) + " is above --to " + std::to_string(to));
    const auto timeout = int32_t(CliInt(args, "--timeout", 1, 60000, DefaultScanTimeout));
    return [=](TCliLink& s, TCliReport& r) {
        TScan scan(s, r, timeout);
        return scan.Run(from, to) && scan.Report();
    };
}

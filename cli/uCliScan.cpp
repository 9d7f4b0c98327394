#include "cli/uCliScan.h"

#include "cli/uCliAddress.h"
#include "cli/uCliSession.h"

#include <cstdio>
#include <string>

namespace {

constexpr uint8_t FirstScanned = 1, LastScanned = 0xFD;
constexpr int64_t DefaultScanTimeout = 100;

// "scanning 0x31 (49/253)" on a terminal, rewritten in place for every address and
// cleared when the scan ends, so that only the list stays.
class TScanProgress {
public:
    explicit TScanProgress(bool shown) : FShown(shown) {}
    TScanProgress(const TScanProgress&) = delete;
    TScanProgress& operator=(const TScanProgress&) = delete;
    ~TScanProgress()
    {
        if (FWidth <= 0) return;
        std::printf("\r%*s\r", FWidth, "");
        std::fflush(stdout);
    }

    void Show(uint8_t address, int position, int count)
    {
        if (!FShown) return;
        FWidth = std::printf("\rscanning 0x%02X (%d/%d)", unsigned(address), position, count) - 1;
        std::fflush(stdout);
    }

private:
    bool FShown;
    int FWidth = 0;
};

} // namespace

TCliAction PrepareScan(const TCliArgs& args)
{
    const uint8_t from = args.Has("--from") ? ParseCliAddress(args["--from"], "--from") : FirstScanned;
    const uint8_t to = args.Has("--to") ? ParseCliAddress(args["--to"], "--to") : LastScanned;
    if (from > to) throw ECliUsage("--from " + std::to_string(from) + " is above --to " + std::to_string(to));
    const auto timeout = int32_t(CliInt(args, "--timeout", 1, 60000, DefaultScanTimeout));
    return [=](TCliSession& s, TCliReport& r) {
        IValdrix& device = s.Device();
        device.SetTimeout(timeout);
        TCliJson modules = TCliJson::array();
        {
            TScanProgress progress(r.Interactive());
            for (int address = from; address <= to; ++address) {
                progress.Show(uint8_t(address), address - from + 1, to - from + 1);
                device.SetAddress(uint8_t(address));
                std::string text;
                if (!device.ReadIdentificationText(text)) {
                    // Every later address would be silent as well.
                    if (s.LinkClosed()) return false;
                    continue;
                }
                uint16_t n1 = 0, n2 = 0;
                uint32_t n3 = 0;
                const bool numbered = device.ReadFANumbers(n1, n2, n3);
                const std::string utf8 = Windows1250ToUtf8(text);
                modules.push_back({{"address", address},
                                   {"identification", utf8},
                                   {"serial", numbered ? TCliJson{n1, n2, n3} : TCliJson()}});
                r.Line(CliAddressText(uint8_t(address)) + " serial " +
                       (numbered ? std::to_string(n1) + " " + std::to_string(n2) + " " + std::to_string(n3) : "-") +
                       ": " + utf8);
            }
        }
        r.Json()["modules"] = modules;
        if (modules.empty()) r.Line("no module answered");
        return true;
    };
}

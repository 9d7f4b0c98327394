#include "cli/uCliAddress.h"

#include "cli/uCliLink.h"
#include "protocol/uTarvel97.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr unsigned LastDeviceAddress = TARVEL_ADR_SPECIAL - 1;

// Why NEW is taken, or nothing when nobody answers there.
std::optional<std::string> Occupied(TCliLink& s, uint8_t address)
{
    s.TakePacketAddresses();
    IValdrix& device = s.Device();
    const uint8_t own = device.GetAddress();
    device.SetAddress(address);
    const TCliProbe probe = ProbeAddress(device);
    device.SetAddress(own);
    if (probe.Answer == TCliProbe::Identified) return "";
    if (probe.Answer != TCliProbe::Silent) return ": it " + ProbeFailureText(probe);
    const TTarvelOutcome outcome = device.GetLastOutcome();
    const bool heard = s.Link().Listen(std::chrono::milliseconds(s.Timeout()));
    const std::vector<uint8_t> late = s.TakePacketAddresses();
    if (std::find(late.begin(), late.end(), address) != late.end()) return ": it answered after the time-out";
    if (heard || BytesCameBack(outcome)) return ": bytes came back, but no valid answer";
    return std::nullopt;
}

} // namespace

uint8_t ParseCliAddress(const std::string& text, const std::string& what)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    unsigned value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (text.empty() || ec != std::errc() || stop != end || value > LastDeviceAddress)
        throw ECliUsage(what + " must be a device address from 0 to 253 (0xFD), decimal or 0x-hexadecimal, not \"" +
                        text + "\"");
    return uint8_t(value);
}

std::string CliAddressText(uint8_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X (%u)", unsigned(address), unsigned(address));
    return text;
}

TCliProbe ProbeAddress(IValdrix& device)
{
    TCliProbe probe;
    if (device.ReadIdentificationText(probe.Text))
        probe.Answer = TCliProbe::Identified;
    else if (device.GetLastResult() == TARVEL_RESULT_REFUSED)
        probe.Answer = TCliProbe::Refused;
    else if (device.GetLastResult() == TARVEL_RESULT_INVALID)
        probe.Answer = TCliProbe::Invalid;
    probe.Ack = device.GetLastAck();
    return probe;
}

std::string ProbeFailureText(const TCliProbe& probe)
{
    if (probe.Answer == TCliProbe::Refused)
        return "refused the identification request (acknowledge code " + std::to_string(probe.Ack) + ")";
    return "answered the identification request with an invalid packet";
}

TCliAction PrepareSetAddress(const TCliArgs& args)
{
    const uint8_t target = ParseCliAddress(args["NEW"], "NEW");
    return [=](TCliLink& s, TCliReport& r) {
        IValdrix& device = s.Device();
        // Two modules at one address would both answer there: the confirmation below would
        // prove nothing, and neither module could be reached on its own any more.
        if (target != device.GetAddress())
            if (const std::optional<std::string> occupant = Occupied(s, target)) {
                r.SetError("another module already answers at " + CliAddressText(target) + *occupant);
                return false;
            }
        if (!device.ChangeAddress(target)) {
            r.SetError("the address change failed: " + s.Link().DescribeFailure());
            return false;
        }
        uint8_t confirmed = 0;
        if (!device.ReadAddress(confirmed) || confirmed != target) {
            r.SetError("the module does not answer at its new address " + CliAddressText(target) + ": " +
                       s.Link().DescribeFailure());
            return false;
        }
        r.Json()["address"] = target;
        r.Line("address " + CliAddressText(target));
        return true;
    };
}

#include "cli/uCliAddress.h"

#include "cli/uCliSession.h"
#include "protocol/uTarvel97.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr unsigned LastDeviceAddress = TARVEL_ADR_SPECIAL - 1;

// Whether a module answers its identification at `address`; the device keeps its address.
bool Answers(IValdrix& device, uint8_t address)
{
    const uint8_t own = device.GetAddress();
    device.SetAddress(address);
    std::string text;
    const bool answered = device.ReadIdentificationText(text);
    device.SetAddress(own);
    return answered;
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

TCliAction PrepareSetAddress(const TCliArgs& args)
{
    const uint8_t target = ParseCliAddress(args["NEW"], "NEW");
    return [=](TCliSession& s, TCliReport& r) {
        IValdrix& device = s.Device();
        // Two modules at one address would both answer there: the confirmation below would
        // prove nothing, and neither module could be reached on its own any more.
        if (target != device.GetAddress() && Answers(device, target)) {
            r.SetError("another module already answers at " + CliAddressText(target));
            return false;
        }
        if (!device.ChangeAddress(target)) {
            r.SetError("the address change failed: " + s.DescribeFailure());
            return false;
        }
        uint8_t confirmed = 0;
        if (!device.ReadAddress(confirmed) || confirmed != target) {
            r.SetError("the module does not answer at its new address " + CliAddressText(target) + ": " +
                       s.DescribeFailure());
            return false;
        }
        r.Json()["address"] = target;
        r.Line("address " + CliAddressText(target));
        return true;
    };
}

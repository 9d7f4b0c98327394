#include "sim/SimOptions.h"

#include "framework/uCommandLine.h"
#include "framework/uExceptions.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string_view>

namespace {

long Number(std::string_view option, const std::string& text, long min, long max, int base = 0)
{
    errno = 0;
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || errno != 0 || value < min || value > max)
        throw Exception(std::string(option) + ": expected a number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", got \"" + text + "\"");
    return value;
}

// "INST:CODE", both hexadecimal.
void AddRefusal(TSimFaultSettings& faults, const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) throw Exception("--refuse: expected INST:CODE, got \"" + text + "\"");
    const auto inst = uint8_t(Number("--refuse", text.substr(0, colon), 0, 255, 16));
    faults.Refusals[inst] = uint8_t(Number("--refuse", text.substr(colon + 1), 0, 255, 16));
}

// "N:VALUE": analog input 1..4 and the signal applied to it.
void SetSignal(double (&signals)[SimAnalogInputs], std::string_view option, const std::string& text, double max)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) throw Exception(std::string(option) + ": expected N:VALUE, got \"" + text + "\"");
    const long channel = Number(option, text.substr(0, colon), 1, SimAnalogInputs);
    const std::string value = text.substr(colon + 1);
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(v >= 0 && v <= max))
        throw Exception(std::string(option) + ": expected a value from 0 to " + std::to_string(int(max)) + ", got \"" +
                        value + "\"");
    signals[channel - 1] = v;
}

// The identification text of --identification: \xNN stands for the byte NN (so that a
// text may hold a zero byte or control characters), \\ for a backslash.
std::string IdentificationText(const std::string& text)
{
    constexpr size_t Longest = 255;
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
        } else if (text.compare(i, 2, "\\\\") == 0) {
            bytes += '\\';
            ++i;
        } else if (text.compare(i, 2, "\\x") == 0 && i + 4 <= text.size()) {
            bytes += char(Number("--identification", text.substr(i + 2, 2), 0, 255, 16));
            i += 3;
        } else {
            throw Exception("--identification: expected \\xNN or \\\\ after a backslash, got \"" + text + "\"");
        }
    }
    if (bytes.size() > Longest)
        throw Exception("--identification: at most " + std::to_string(Longest) + " bytes, got " +
                        std::to_string(bytes.size()));
    return bytes;
}
}

std::optional<int> ParseSimOptions(int argc, const char* const* argv, TSimOptions& o)
{
    CLI::App app("", "valdrix-sim");
    // Every option may be given more than once; for those with one value the last one counts.
    const auto value = [&](const std::string& name, std::function<void(const std::string&)> take) {
        app.add_option(name)->each(std::move(take))->type_size(1)->expected(1)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeAll);
    };
    const auto number = [&](const std::string& name, long min, long max, auto store, int base = 0) {
        value(name, [=, &o](const std::string& text) { store(o, Number(name, text, min, max, base)); });
    };
    value("--host", [&](const std::string& text) { o.Host = text; });
    number("--port", 0, 65535, [](TSimOptions& s, long v) { s.Port = int(v); });
    number("--rs485-port", 0, 65535, [](TSimOptions& s, long v) { s.BusPort = int(v); });
    app.add_flag_callback("--no-tcp", [&] { o.Tcp = false; });
    app.add_flag_callback("--no-rs485-tcp", [&] { o.BusTcp = false; });
    value("--pty", [&](const std::string& text) { o.Pty = text; });
    value("--rs485-pty", [&](const std::string& text) { o.BusPty = text; });
    number("--address", 0, 0xFD, [](TSimOptions& s, long v) { s.Address = uint8_t(v); });
    number("--modules", 1, SimMaxModules, [](TSimOptions& s, long v) { s.Modules = int(v); });
    app.add_flag("--static", o.Static);
    value("--identification", [&](const std::string& text) { o.Identification = IdentificationText(text); });
    value("--volts", [&](const std::string& text) { SetSignal(o.Signals.Volts, "--volts", text, 10); });
    value("--milliamps", [&](const std::string& text) { SetSignal(o.Signals.Milliamps, "--milliamps", text, 20); });
    value("--jig", [&](const std::string& text) {
        if (text != "loopback") throw Exception("--jig: expected loopback, got \"" + text + "\"");
        o.Jig.Loopback = true;
    });
    value("--jig-fault", [&](const std::string& text) { AddSimJigFault(o.Jig, text); });
    app.add_flag("--verbose", o.Verbose);
    number("--drop", 0, 100, [](TSimOptions& s, long v) { s.Faults.DropPercent = int(v); });
    number("--corrupt", 0, 100, [](TSimOptions& s, long v) { s.Faults.CorruptPercent = int(v); });
    number("--delay", 0, 600000, [](TSimOptions& s, long v) { s.Faults.DelayMs = int(v); });
    value("--refuse", [&](const std::string& text) { AddRefusal(o.Faults, text); });
    app.add_flag("--garbage", o.Faults.Garbage);
    number("--close-after", 1, 1000000000, [](TSimOptions& s, long v) { s.Faults.CloseAfter = int(v); });
    number("--seed", 0, 0xFFFFFFFFL, [](TSimOptions& s, long v) { s.Faults.Seed = uint32_t(v); });
    try {
        if (const auto status = ParseCommandLine(app, argc, argv, SimUsage())) return status;
        const TSimJigSettings& jig = o.Jig;
        const bool faults = !jig.StuckInputs.empty() || !jig.AnalogFaults.empty() || !jig.DeadThermometers.empty() ||
                            jig.ClockDrift;
        if (faults && !jig.Loopback) throw Exception("--jig-fault needs --jig loopback");
        if (!o.Tcp && o.Pty.empty()) throw Exception("--no-tcp needs --pty: the main link needs an endpoint");
        // 0xFE and 0xFF are the special and the universal address, never a module's own.
        if (o.Address + o.Modules - 1 > 0xFD)
            throw Exception("--modules: " + std::to_string(o.Modules) + " modules from address " +
                            std::to_string(o.Address) + " would reach past 253 (0xFD)");
    } catch (const Exception& e) {
        PrintUsageError(app.get_name(), e.Message());
        return CommandLineUsageStatus;
    }
    return std::nullopt;
}

const char* SimUsage()
{
    return R"(Usage: valdrix-sim [options]

Simulates Valdrix I/O modules for the tester (one unless --modules says more): each
answers every instruction of the module and the common instructions of the family,
keeps its own state (address, outputs, counters, ranges, calibrations, clock) and lets
inputs, counters, analog signals and temperatures change over time.

Topology:
  tester main link  --TCP/pty-->  [ module, address 0x31 ]  <--TCP/pty--  tester RS-485 link
                                   main link         RS-485 bus
  Packets for a module's present address are answered by that module on the link they
  came in on; packets for 0xFE by every module (each answer carries the module's own
  address). Packets for 0xFF are ignored.
  Packets for any other address arriving on the main link are forwarded to the RS-485
  side, and packets arriving on the RS-485 side for other addresses are relayed back
  to the main link: the tester's RS-485 test (a type request to address N on the main
  link, answered by the tester's own RS-485 link) works end to end. The simulator
  LISTENS on both sides; the tester connects both of its links to it.

Endpoints:
  --host HOST          address to listen on (default 127.0.0.1)
  --port N             main link TCP port (default 10001; 0 picks a free port)
  --rs485-port N       RS-485 side TCP port (default 10002; a free port when --port is 0)
  --no-tcp             no TCP listener for the main link (needs --pty)
  --no-rs485-tcp       no TCP listener for the RS-485 side
  --pty PATH           also serve the main link on a pseudo-terminal; PATH becomes a
                       symlink to its slave (e.g. $VALDRIX_COM_DIR/COM7). Any baud rate
                       and line setting works; the port may be closed and reopened.
  --rs485-pty PATH     the same for the RS-485 side
  One client per TCP port: a new client replaces the connected one.

Module:
  --address A          module address, 0..253, decimal or 0x.. (default 0x31)
  --modules N          N modules (1..32, default 1) on the same links, at the addresses
                       A, A+1, ..., which must stay within 0..253; each keeps its own
                       state, and an address changed by E0 or EB moves its module
  --static             freeze everything that changes by itself, at these values:
                         inputs 1,2,7,8,10,12,13,15 on (wire bytes 5A C3)
                         counter k = 1001*k (1001 .. 16016), width 32 bits
                         analog inputs (ranges 0,0,1,1; coefficient 13107; divisions 10000):
                           raw 25000, 12500, 30000, 40000; calibrated 5000, 2500, 6000, 8000
                           (signals 5.0/2.5/7.5/1.0 V and 10/2/12/16 mA; 50000 raw = full
                           scale; 4-20 mA below 3.8 mA reads invalid, status 00)
                         temperatures 21.5, 23.0, -4.5, 36.6 (tenths 215, 230, -45, 366)
                         clock 01.03.2024 08:05:09 (1709280309 s), standing still;
                         instruction 74 sets it to another standing value
  --volts N:V          the voltage on analog input N (0..10 V) instead of the one above
  --milliamps N:MA     the current on analog input N (0..20 mA) instead of the one above
                       (e.g. --volts 1:6.5536 reads raw 32768 on a voltage range)
  --identification TEXT
                       what every module answers to F3 instead of the text below (at
                       most 255 bytes; \xNN is the byte NN, e.g. "Valdrix\x00junk",
                       and \\ a backslash)
  Without --static the same values are the starting point: inputs blink (input k with
  a period of 200*(k+1) ms), counters count their rising edges, analog signals and
  temperatures drift slowly, and the clock runs from the host's local time.
  Identification (F3): "Valdrix ; v 1.0 ; SIM". Serial numbers (FA): 0001 3039 00BC614E;
  module k of --modules (k = 0 for the first) adds k to the second and the third.
  Timed outputs (23): the duration byte counts 100 ms units.
  Counter read (60): bit 7 of the request byte clears the counters after reading.
  Analog outputs: 40 sets the converter value 0..4095, 42 the value 0..10000 between the
  calibration points (factory low 0, high 4000), 4E stores the present converter value
  as the low (0) or high (1) point.
  Packets for the module whose instruction byte is 00..0F (acknowledge and message
  codes) are not requests and get no answer.
  Acknowledge codes: 0 done, 1 unknown instruction, 2 bad data (length, channel or
  value), 3 configuration instruction (E0, 12, 1A, 1C) without a preceding E4: each E4
  allows one configuration instruction within 2 s.

Test jig:
  --jig loopback       put every module on a loopback jig: DO n drives DI n (n = 1..10,
                       so the pulses of DO n count on counter n; DI 11..16 stay off) and
                       AO n feeds AI n (the input sees the output's share of its full
                       scale, 10 V or 20 mA, with a gain error up to 0.2 %, an offset up
                       to 0.05 % of full scale and up to 4 counts of noise, drawn from
                       --seed). The inputs no longer blink; thermometers and clock stay.
  --jig-fault FAULT    make the unit fail (repeatable; needs --jig):
                         stuck-input:N       DI N (1..10) stays off
                         analog:N            AI N (1..4) reads 10 % too high
                         dead-thermometer:N  thermometer N (1..4) reads 0 with status 00
                         clock-drift         the clock runs five times as fast

Faults (applied to the module's own answers):
  --drop PERCENT       lose this share of answers
  --corrupt PERCENT    damage the checksum of this share of answers
  --delay MS           send each answer MS milliseconds late
  --refuse INST:CODE   answer instruction INST with acknowledge code CODE and do nothing
                       (both hexadecimal, e.g. 31:02; repeatable)
  --garbage            put 1..8 noise bytes (never "*") in front of every answer
  --close-after N      close the main link after its N-th packet (the packet is answered
                       first; a pseudo-terminal is hung up and replaced)
  --seed N             seed of the random choices (default 1)

Other:
  --verbose            log every packet to standard error
  -h, --help           this text
  --version            the program's version

Options take their value as "--port 10001" or "--port=10001"; "--" ends the options.

When ready, prints one line to standard output, for example:
  valdrix-sim ready tcp=127.0.0.1:10001 rs485=127.0.0.1:10002 address=0x31
(tcp=off / rs485=off when disabled; pty=PATH and rs485-pty=PATH when given; with
--modules the addresses separated by commas, e.g. address=0x31,0x32,0x33).
Stops on SIGINT or SIGTERM, printing what the faults did to its answers:
  valdrix-sim stopped answers=1200 dropped=12 corrupted=11
)";
}

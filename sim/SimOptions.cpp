#include "sim/SimOptions.h"

#include "framework/uExceptions.h"

#include <cerrno>
#include <cstdlib>
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
void SetSignal(double (&signals)[SIM_ANALOG_INPUTS], std::string_view option, const std::string& text, double max)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) throw Exception(std::string(option) + ": expected N:VALUE, got \"" + text + "\"");
    const long channel = Number(option, text.substr(0, colon), 1, SIM_ANALOG_INPUTS);
    const std::string value = text.substr(colon + 1);
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(v >= 0 && v <= max))
        throw Exception(std::string(option) + ": expected a value from 0 to " + std::to_string(int(max)) + ", got \"" +
                        value + "\"");
    signals[channel - 1] = v;
}

}

TSimOptions ParseSimOptions(int argc, char** argv)
{
    TSimOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw Exception(std::string(arg) + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") o.Help = true;
        else if (arg == "--host") o.Host = value();
        else if (arg == "--port") o.Port = int(Number(arg, value(), 0, 65535));
        else if (arg == "--rs485-port") o.BusPort = int(Number(arg, value(), 0, 65535));
        else if (arg == "--no-tcp") o.Tcp = false;
        else if (arg == "--no-rs485-tcp") o.BusTcp = false;
        else if (arg == "--pty") o.Pty = value();
        else if (arg == "--rs485-pty") o.BusPty = value();
        else if (arg == "--address") o.Address = uint8_t(Number(arg, value(), 0, 0xFD));
        else if (arg == "--static") o.Static = true;
        else if (arg == "--volts") SetSignal(o.Signals.Volts, arg, value(), 10);
        else if (arg == "--milliamps") SetSignal(o.Signals.Milliamps, arg, value(), 20);
        else if (arg == "--verbose") o.Verbose = true;
        else if (arg == "--drop") o.Faults.DropPercent = int(Number(arg, value(), 0, 100));
        else if (arg == "--corrupt") o.Faults.CorruptPercent = int(Number(arg, value(), 0, 100));
        else if (arg == "--delay") o.Faults.DelayMs = int(Number(arg, value(), 0, 600000));
        else if (arg == "--refuse") AddRefusal(o.Faults, value());
        else if (arg == "--garbage") o.Faults.Garbage = true;
        else if (arg == "--close-after") o.Faults.CloseAfter = int(Number(arg, value(), 1, 1000000000));
        else if (arg == "--seed") o.Faults.Seed = uint32_t(Number(arg, value(), 0, 0xFFFFFFFFL));
        else throw Exception("unknown option \"" + std::string(arg) + "\" (see --help)");
    }
    if (!o.Tcp && o.Pty.empty()) throw Exception("--no-tcp needs --pty: the main link needs an endpoint");
    return o;
}

const char* SimUsage()
{
    return R"(Usage: valdrix-sim [options]

Simulates one Valdrix I/O module for the tester: it answers every instruction of the
module and the common instructions of the family, keeps the module's state (outputs,
counters, ranges, calibrations, clock) and lets inputs, counters, analog signals and
temperatures change over time.

Topology:
  tester main link  --TCP/pty-->  [ module, address 0x31 ]  <--TCP/pty--  tester RS-485 link
                                   main link         RS-485 bus
  Packets for the module's address or for 0xFE are answered on the link they came in
  on (0xFE answers carry the module's own address). Packets for 0xFF are ignored.
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
  Without --static the same values are the starting point: inputs blink (input k with
  a period of 200*(k+1) ms), counters count their rising edges, analog signals and
  temperatures drift slowly, and the clock runs from the host's local time.
  Identification (F3): "Valdrix ; v 1.0 ; SIM". Serial numbers (FA): 0001 3039 00BC614E.
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
  --help               this text

When ready, prints one line to standard output, for example:
  valdrix-sim ready tcp=127.0.0.1:10001 rs485=127.0.0.1:10002 address=0x31
(tcp=off / rs485=off when disabled; pty=PATH and rs485-pty=PATH when given).
Stops on SIGINT or SIGTERM.
)";
}

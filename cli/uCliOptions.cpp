#include "cli/uCliOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

const char* const CliUsageText =
    "Usage: valdrix-cli [-c CONNECTION_STRING] [--timeout MS] [--json] COMMAND [ARGS]\n"
    "\n"
    "Connection (default provider=TCP_CLIENT;host=127.0.0.1;port=10001), module address 0x31.\n"
    "\n"
    "Commands:\n"
    "  identify                          identification text\n"
    "  inputs | outputs                  digital inputs (16) / outputs (10), channel 1 first\n"
    "  set-output N on|off [DURATION]    switch output N (1..10), optionally for 1..255 units\n"
    "  set-outputs BITS                  ten 0/1 characters, output 1 first\n"
    "  counters                          pulse counters 1..16\n"
    "  temps                             thermometers 1..4\n"
    "  analog-inputs [--raw]             analog inputs 1..4, calibrated or raw\n"
    "  ranges | set-range N CODE         input ranges (0 = 0-10 V, 1 = 0-20 mA, 6 = 4-20 mA)\n"
    "  analog-output N VALUE [--raw]     analog output N (1..4) to VALUE (-32768..32767),\n"
    "                                    scaled, or with --raw the converter's raw value\n"
    "  clock | set-clock [now|\"YYYY-MM-DD hh:mm:ss\"]\n"
    "  calibrate-input N --applied A --divisions D\n"
    "  store-output-point N low|high\n"
    "  monitor [--count K] [--interval MS]\n"
    "                                    one line per full refresh of the I/O panel, K lines\n"
    "                                    (default: until interrupted), one refresh every MS\n"
    "                                    (default 200, the panel's rate; 0 = back to back)\n"
    "  ping [--count N] [--interval MS]  round trip of N identification requests (default 4),\n"
    "                                    one every MS (default 1000; 0 = back to back), then\n"
    "                                    the summary; exit status 1 when any was lost\n"
    "\n"
    "--json prints one JSON object per result. Exit status: 0 success, 1 the module\n"
    "refused or did not answer, 2 usage error, 3 the connection could not be made.\n";

TCliOptions ParseCliOptions(const std::vector<std::string>& argv)
{
    TCliOptions options;
    size_t i = 0;
    const auto value = [&](const std::string& option) -> const std::string& {
        if (++i >= argv.size()) throw ECliUsage("option " + option + " needs a value");
        return argv[i];
    };
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "-c" || a == "--connection")
            options.Connection = value(a);
        else if (a == "--timeout")
            options.Timeout = int32_t(ParseCliInt(value(a), 0, 600000, "time-out"));
        else if (a == "--json")
            options.Json = true;
        else if (a == "-h" || a == "--help")
            options.Help = true;
        else if (a.size() > 1 && a[0] == '-')
            throw ECliUsage("unknown option " + a);
        else
            break;
    }
    if (options.Help) return options;
    if (i >= argv.size()) throw ECliUsage("no command given");
    options.Command = argv[i];
    options.Args.assign(argv.begin() + long(i) + 1, argv.end());
    return options;
}

int64_t ParseCliInt(const std::string& text, int64_t min, int64_t max, const std::string& what)
{
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw ECliUsage(what + " must be a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

double ParseCliDouble(const std::string& text, const std::string& what)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
        throw ECliUsage(what + " must be a number, not \"" + text + "\"");
    return value;
}

void CheckCliArgCount(const std::vector<std::string>& args, size_t min, size_t max)
{
    if (args.size() < min || args.size() > max) throw ECliUsage("wrong number of arguments");
}

bool TakeCliFlag(std::vector<std::string>& args, const std::string& flag)
{
    const auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

bool TakeCliValue(std::vector<std::string>& args, const std::string& name, std::string& value)
{
    const auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return false;
    if (it + 1 == args.end()) throw ECliUsage(name + " needs a value");
    value = *(it + 1);
    args.erase(it, it + 2);
    return true;
}

int64_t TakeCliInt(std::vector<std::string>& args, const std::string& name, int64_t min, int64_t max,
                   int64_t fallback)
{
    std::string text;
    return TakeCliValue(args, name, text) ? ParseCliInt(text, min, max, name) : fallback;
}

std::chrono::milliseconds TakeCliInterval(std::vector<std::string>& args, std::chrono::milliseconds fallback)
{
    // At most a day between two rounds.
    return std::chrono::milliseconds(TakeCliInt(args, "--interval", 0, 86400000, fallback.count()));
}

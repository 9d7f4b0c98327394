// Command line of valdrix-cli:
//   valdrix-cli [-c CONNECTION_STRING] [-a ADDRESS] [--timeout MS] [--json] [--capture FILE] COMMAND [ARGS]
// GNU-style: options stand before or after the command and its arguments, take their
// value as "--timeout 500" or "--timeout=500", and "--" ends them. The connection
// defaults to $VALDRIX_CONNECTION, else to CliDefaultConnection.
#pragma once

#include "device/uValdrix.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

constexpr const char* CliDefaultConnection = "provider=TCP_CLIENT;host=127.0.0.1;port=10001";
constexpr const char* CliConnectionVariable = "VALDRIX_CONNECTION";
constexpr int32_t CliDefaultTimeout = 1000;

// Exit statuses.
enum : int {
    CliExitOk = 0,
    CliExitDevice = 1,     // the module refused or did not answer
    CliExitUsage = 2,
    CliExitConnection = 3, // the connection could not be made
};

// What a command takes: positional arguments in order (the required ones first), options
// with a value ("--count") and flags ("--raw").
struct TCliCommandSyntax {
    std::string Name;
    std::vector<std::string> Required = {};
    std::vector<std::string> Optional = {};
    std::vector<std::string> Options = {};
    std::vector<std::string> Flags = {};
};

// The arguments a command was given, by the names of its syntax; a flag given has the
// value "1". An option given twice keeps the last value.
class TCliArgs {
public:
    bool Has(const std::string& name) const { return FValues.count(name) != 0; }
    // The empty text when not given.
    const std::string& operator[](const std::string& name) const;
    void Set(const std::string& name, const std::string& value) { FValues[name] = value; }

private:
    std::map<std::string, std::string> FValues;
};

struct TCliOptions {
    std::string Connection = CliDefaultConnection;
    uint8_t Address = ValdrixDefaultAddress; // of the module every command talks to
    int32_t Timeout = CliDefaultTimeout;
    bool Json = false;
    std::string Capture; // --capture FILE, "-" for standard output; empty: none
    std::string Command;
    TCliArgs Args;
};

// A command line that cannot be run; the message says why.
class ECliUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Tells why the command line cannot be run: as {"ok":false,"error":REASON} on standard
// output when JSON was asked for, else as a short message on standard error.
void PrintCliUsageError(bool json, const std::string& reason);

// Parses the command line for the given commands into options. Nothing when the command
// is to run; otherwise the status to exit with, after the usage text, the version or the
// reason the command line cannot be run has been printed (as JSON when --json is among
// the options, however the rest of the line went).
std::optional<int> ParseCliOptions(int argc, const char* const* argv, const std::vector<TCliCommandSyntax>& commands,
                                   TCliOptions& options);

// Why no transport of the program takes the connection string (it names no provider, or
// one that is not registered), or nothing when one does. The transports must be
// registered; the values for the transport are not looked at.
std::optional<std::string> UnknownProvider(const std::string& connection);

// A whole number within [min, max]; raises ECliUsage naming `what` otherwise.
int64_t ParseCliInt(const std::string& text, int64_t min, int64_t max, const std::string& what);
double ParseCliDouble(const std::string& text, const std::string& what);

// The option `name` ("--count"), a whole number within [min, max] (ECliUsage otherwise),
// or `fallback` when not given.
int64_t CliInt(const TCliArgs& args, const std::string& name, int64_t min, int64_t max, int64_t fallback);
// "--interval MS" of the repeating commands (0 = back to back), or `fallback`.
std::chrono::milliseconds CliInterval(const TCliArgs& args, std::chrono::milliseconds fallback);

extern const char* const CliUsageText;

// Command line of valdrix-cli:
//   valdrix-cli [-c CONNECTION_STRING] [--timeout MS] [--json] COMMAND [ARGS]
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

constexpr const char* CliDefaultConnection = "provider=TCP_CLIENT;host=127.0.0.1;port=10001";
constexpr int32_t CliDefaultTimeout = 1000;

// Exit statuses.
enum : int {
    CliExitOk = 0,
    CliExitDevice = 1,     // the module refused or did not answer
    CliExitUsage = 2,
    CliExitConnection = 3, // the connection could not be made
};

struct TCliOptions {
    std::string Connection = CliDefaultConnection;
    int32_t Timeout = CliDefaultTimeout;
    bool Json = false;
    bool Help = false;
    std::string Command;
    std::vector<std::string> Args;
};

// A command line that cannot be run; the message says why.
class ECliUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises ECliUsage for unknown options or a missing command.
TCliOptions ParseCliOptions(const std::vector<std::string>& argv);

// A whole number within [min, max]; raises ECliUsage naming `what` otherwise.
int64_t ParseCliInt(const std::string& text, int64_t min, int64_t max, const std::string& what);
double ParseCliDouble(const std::string& text, const std::string& what);

extern const char* const CliUsageText;

// Command line of valdrix-cli:
//   valdrix-cli [-c CONNECTION_STRING] [--timeout MS] [--json] COMMAND [ARGS]
#pragma once

#include <chrono>
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

// A command's own arguments. Raises ECliUsage when their number is outside [min, max].
void CheckCliArgCount(const std::vector<std::string>& args, size_t min, size_t max);
// "--flag" among the arguments, removed when present.
bool TakeCliFlag(std::vector<std::string>& args, const std::string& flag);
// "--name VALUE" among the arguments, removed when present; a missing value is a usage error.
bool TakeCliValue(std::vector<std::string>& args, const std::string& name, std::string& value);
// "--name N", a whole number within [min, max] (ECliUsage otherwise), or `fallback`.
int64_t TakeCliInt(std::vector<std::string>& args, const std::string& name, int64_t min, int64_t max,
                   int64_t fallback);
// "--interval MS" of the repeating commands (0 = back to back), or `fallback`.
std::chrono::milliseconds TakeCliInterval(std::vector<std::string>& args, std::chrono::milliseconds fallback);

extern const char* const CliUsageText;

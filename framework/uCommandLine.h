// The command-line conventions the programs share: GNU-style options (--opt=value, "--",
// options before and after the command), -h/--help printing the program's usage text,
// --version printing the program's name and version, and a command line that cannot be
// run answered with a one-line reason, a pointer to --help and exit status 2.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace CLI {
class App;
}

// Exit status of a command line that cannot be run.
constexpr int CommandLineUsageStatus = 2;

// "PROGRAM VERSION", the version the About box shows.
std::string VersionLine(const std::string& program);

// Prints "PROGRAM: reason" and "Try 'PROGRAM --help' for more information." to standard error.
void PrintUsageError(const std::string& program, const std::string& reason);

// Tells the user why a command line cannot be run.
using TUsageErrorReport = std::function<void(const std::string& reason)>;

// Parses with app (whose name is the program's) after giving it -h/--help and --version.
// Nothing when the program goes on; otherwise the status to exit with: 0 after the usage
// text or the version was printed to standard output, CommandLineUsageStatus after a
// parse error was reported (by `report` when given, else by PrintUsageError). Exceptions
// other than the parser's own (raised by the program's option callbacks) pass through.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv, const std::string& usage,
                                    const TUsageErrorReport& report = {});

#include "framework/uCommandLine.h"

#include <CLI/CLI.hpp>

#include <cstdio>

std::string VersionLine(const std::string& program) { return program + " " + VALDRIX_VERSION; }

void PrintUsageError(const std::string& program, const std::string& reason)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(), reason.c_str(),
                 program.c_str());
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv, const std::string& usage,
                                    const TUsageErrorReport& report)
{
    app.set_help_flag("-h,--help");
    app.set_version_flag("--version", VersionLine(app.get_name()));
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForHelp&) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        if (report)
            report(e.what());
        else
            PrintUsageError(app.get_name(), e.what());
        return CommandLineUsageStatus;
    }
}

#include "tests/support/tshark.h"

#include "tests/support/child_processes.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

std::string DissectorPath()
{
    const char* source = std::getenv("VALDRIX_SOURCE_DIR");
    if (!source) throw std::runtime_error("VALDRIX_SOURCE_DIR is not set");
    return std::string(source) + "/packaging/tarvel97.lua";
}

std::vector<std::vector<std::string>> TsharkFields(const std::string& capture, const std::vector<std::string>& fields,
                                                   const std::string& filter)
{
    std::vector<std::string> args = {"-r", capture, "-2", "-X", "lua_script:" + DissectorPath(), "-T", "fields",
                                     "-E", "occurrence=a", "-E", "aggregator=,"};
    for (const std::string& field : fields) {
        args.push_back("-e");
        args.push_back(field);
    }
    if (!filter.empty()) {
        args.push_back("-Y");
        args.push_back(filter);
    }
    const TProgramRun run = RunProgramAt("/usr/bin/tshark", args, std::chrono::seconds(120));
    // tshark run as root warns about it on standard error: only the status counts.
    if (run.Status != 0) throw std::runtime_error("tshark failed: " + run.Err);
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(run.Out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) row.push_back(cell);
        row.resize(fields.size());
        rows.push_back(row);
    }
    return rows;
}

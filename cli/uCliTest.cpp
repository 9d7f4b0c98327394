#include "cli/uCliTest.h"

#include "cli/uCliJson.h"
#include "cli/uCliLink.h"
#include "cli/uCliTestReport.h"
#include "station/uRunNames.h"
#include "station/uTestPlanLoader.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* DefaultRecordFolder = ".";

void PrintPlanFaults(bool json, const std::vector<std::string>& faults)
{
    if (!json) {
        for (const std::string& fault : faults) std::fprintf(stderr, "%s\n", fault.c_str());
        return;
    }
    std::string error = "the test plan has faults:";
    for (const std::string& fault : faults) error += "\n" + fault;
    std::printf("%s\n", CliJsonText(TCliJson{{"ok", false}, {"error", error}, {"faults", faults}}).c_str());
    std::fflush(stdout);
}

// The folder exists (made when missing) and takes files; otherwise why not.
std::optional<std::string> UnwritableFolder(const std::string& folder, bool make)
{
    std::error_code error;
    if (make) std::filesystem::create_directories(folder, error);
    if (error) return "cannot make the folder \"" + folder + "\": " + error.message();
    if (access(folder.c_str(), W_OK | X_OK) != 0) return "cannot write in the folder \"" + folder + "\"";
    return std::nullopt;
}

// Tells where the run is kept; false when the station's store does not have it.
bool ReportStored(bool json, const TStoredRun& stored, const TStationStores& stores)
{
    if (json)
        std::printf("%s\n", CliJsonText(TCliJson{{"event", "stored"}, {"ok", stored.Stored},
                                                   {"error", stored.Stored ? stored.SharedProblem : stored.Failure},
                                                   {"waiting", stored.Waiting}})
                                .c_str());
    if (!stored.Stored)
        std::fprintf(stderr, "valdrix-cli: the run is not in the station's records (%s): %s\n", stores.Local.c_str(),
                     stored.Failure.c_str());
    else if (!stored.SharedProblem.empty())
        std::fprintf(stderr, "valdrix-cli: %d runs wait to be sent to the shared records: %s\n", stored.Waiting,
                     stored.SharedProblem.c_str());
    std::fflush(stdout);
    return stored.Stored;
}

// Why a name of the run cannot be used, for the option that gave it; nothing when it can.
std::optional<std::string> NameProblem(const TCliArgs& args, const char* option)
{
    switch (CheckRunName(args[option])) {
    case TRunNameFault::None: return std::nullopt;
    case TRunNameFault::NotUtf8: return std::string(option) + ": not UTF-8 text";
    case TRunNameFault::TooLong:
        return std::string(option) + ": longer than " + std::to_string(LongestRunName) + " characters";
    }
    return std::nullopt;
}

int ExitStatus(TVerdict verdict)
{
    switch (verdict) {
    case TVerdict::Pass: return CliExitTestPass;
    case TVerdict::Fail: return CliExitTestFail;
    case TVerdict::Aborted: return CliExitTestAborted;
    default: return CliExitTestError;
    }
}

}

TCliCommandSyntax CliTestSyntax()
{
    return {"test", {"PLAN"}, {}, {"--unit", "--operator", "--station", "--record-dir", "--junit", "--rs485", "--records"}};
}

std::optional<int> PrepareCliTest(const TCliOptions& options, TCliTest& test)
{
    const TCliArgs& args = options.Args;
    test.PlanPath = args["PLAN"];
    TPlanLoad load = LoadTestPlan(test.PlanPath);
    if (!load.Plan) {
        std::vector<std::string> faults;
        for (const TPlanFault& fault : load.Faults) faults.push_back(FormatPlanFault(test.PlanPath, fault));
        PrintPlanFaults(options.Json, faults);
        return CliExitUsage;
    }
    test.Plan = std::move(*load.Plan);
    for (const char* option : {"--unit", "--station", "--operator"}) {
        if (const std::optional<std::string> problem = NameProblem(args, option)) {
            PrintCliUsageError(options.Json, *problem);
            return CliExitUsage;
        }
    }
    test.Station.Setup = {args["--unit"], args["--station"], args["--operator"]};
    test.Station.RecordFolder = args.Has("--record-dir") ? args["--record-dir"] : DefaultRecordFolder;
    test.Station.JUnitPath = args["--junit"];
    test.RS485 = args["--rs485"];
    std::string error;
    const std::optional<TStationStores> stores = StationStoresNamed(args["--records"], error);
    if (!stores) {
        PrintCliUsageError(options.Json, "--records: " + error);
        return CliExitUsage;
    }
    test.Station.Stores = *stores;
    test.Station.NoRS485 = "no RS-485 link: give valdrix-cli test --rs485 CONNECTION";
    std::optional<std::string> unwritable = UnwritableFolder(test.Station.RecordFolder, true);
    const std::filesystem::path junitFolder = std::filesystem::path(test.Station.JUnitPath).parent_path();
    if (!unwritable && !test.Station.JUnitPath.empty())
        unwritable = UnwritableFolder(junitFolder.empty() ? "." : junitFolder.string(), false);
    if (unwritable) {
        PrintCliUsageError(options.Json, *unwritable);
        return CliExitUsage;
    }
    return std::nullopt;
}

int RunCliTest(const TCliOptions& options, const TCliTest& test, TSessionScript& script, bool rs485Open)
{
    TCliTestReport report(options.Json, int(test.Plan.Steps.size()));
    TStationRun station = test.Station;
    station.Event = [&report](const TRunEvent& event, const std::string& path) { report.Event(event, path); };
    station.Prompt = [&report](const std::string& text, const TStationStopped& stopped) {
        return report.Ask(text, stopped);
    };
    if (rs485Open) station.NoRS485.clear();

    TSessionLink& link = script.Link();
    link.Device().SetAddress(options.Address);
    link.Device().SetTimeout(options.Timeout);
    std::string error;
    const TLinkOpen opened = link.Open(options.Connection, error);
    std::string failure;
    if (opened != TLinkOpen::Opened)
        failure = CliOpenFailure(opened, error, link, options.Connection);
    else if (!test.RS485.empty() && !rs485Open)
        failure = "cannot open the RS-485 connection \"" + test.RS485 + "\"";
    if (!failure.empty()) std::fprintf(stderr, "valdrix-cli: %s\n", failure.c_str());
    const TStationOutcome outcome =
        failure.empty() ? RunOnSession(script, test.Plan, station) : RecordFailedStart(test.Plan, station, failure);
    if (!outcome.RecordFailure.empty()) {
        std::fprintf(stderr, "valdrix-cli: the run's record is incomplete: %s\n", outcome.RecordFailure.c_str());
        return CliExitTestError;
    }
    return ReportStored(options.Json, outcome.Stored, test.Station.Stores) ? ExitStatus(outcome.Run.Verdict)
                                                                          : CliExitTestError;
}

// valdrix-cli test PLAN: a production test run of the module against a plan, with its
// record. The plan is loaded and checked, and the record folder made, before anything
// is connected; the run itself goes through the session (station/uStationRun.h).
#pragma once

#include "cli/uCliOptions.h"
#include "station/uStationRun.h"

#include <optional>
#include <string>

// Exit statuses of a run: its verdict (a plan with faults is a usage error).
enum : int {
    CliExitTestPass = 0,
    CliExitTestFail = 1,
    CliExitTestError = 3, // also when the link or the record could not be made
    CliExitTestAborted = 4,
};

struct TCliTest {
    std::string PlanPath;
    TTestPlan Plan;
    TStationRun Station; // who and where, the record folder and the JUnit file
    std::string RS485;   // --rs485: the connection of the RS-485 test link; empty: none
};

TCliCommandSyntax CliTestSyntax();

// Reads the command's arguments, loads the plan and makes the record folder. Nothing
// when the run may go on; otherwise the exit status, after every fault of the plan
// ("FILE:LINE:COLUMN: message") or the reason was printed.
std::optional<int> PrepareCliTest(const TCliOptions& options, TCliTest& test);

// In a script on the session's worker: opens the module link, runs the plan and reports
// as it goes; the exit status. `rs485Open` tells whether the session's RS-485 link is open.
int RunCliTest(const TCliOptions& options, const TCliTest& test, TSessionScript& script, bool rs485Open);

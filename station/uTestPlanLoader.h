// Loads a test plan from TOML and checks all of it: every fault found (a syntax error,
// an unknown step kind or key, a missing limit, a low limit above the high one, a
// channel the module does not have or the jig does not wire...) is reported with its
// line and column, and a plan with any fault is not given.
//
//   [plan]    name, version, continue_on_fail (false: the run stops at the first failed step)
//   [jig]     digital = [{output, input}...], analog = [{output, input}...],
//             counters = [{output, counter}...]
//   [[step]]  kind, name (optional), and the kind's own keys (see examples/loopback.toml)
#pragma once

#include "station/uPlanTable.h"
#include "station/uTestPlan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TPlanLoad {
    std::optional<TTestPlan> Plan; // only when there are no faults
    std::vector<TPlanFault> Faults;
};

TPlanLoad ParseTestPlan(std::string_view text, const std::string& sourceName);
// An unreadable file is one fault at line 0.
TPlanLoad LoadTestPlan(const std::string& path);
// "FILE:LINE:COLUMN: MESSAGE"
std::string FormatPlanFault(const std::string& file, const TPlanFault& fault);

// The steps' own keys, by kind; the loader calls it for each [[step]].
std::optional<TStepParameters> ReadStepParameters(const std::string& kind, TPlanTable& step, const TJig& jig);

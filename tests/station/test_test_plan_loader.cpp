// Plans are checked whole: every fault is reported with its line and column.
#include "station/uTestPlanLoader.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char* const Header = R"([plan]
name = "P"
version = "1"
[jig]
digital = [{ output = 1, input = 1 }]
analog = [{ output = 1, input = 1 }]
)";

// Header: lines 1..6; a case's own text starts on line 7.
struct TCase {
    const char* Text;
    std::vector<TPlanFault> Faults;
};

std::string Describe(const std::vector<TPlanFault>& faults)
{
    std::string text;
    for (const TPlanFault& f : faults) text += FormatPlanFault("plan", f) + "\n";
    return text;
}

TEST(TestPlanLoader, ReportsEveryFaultWithLineAndColumn)
{
    const TCase cases[] = {
        {"[[step]]\nkind = \"digital\"\nsettle_ms = 10\n", {}},
        {"[[step]]\nkind = \"digitl\"\n", {{8, 8, "step 1: unknown kind \"digitl\" (known: identification, digital, "
                                                   "counters, analog, thermometers, clock, rs485, calibration, "
                                                   "address, prompt)"}}},
        {"[[step]]\nkind = \"digital\"\nsetle_ms = 10\n", {{9, 1, "step 1: unknown key \"setle_ms\""}}},
        {"[[step]]\nkind = \"thermometers\"\n", {{7, 1, "step 1: missing \"limits\""}}},
        {"[[step]]\nkind = \"thermometers\"\nlimits = { low = 5, high = 1 }\n",
         {{9, 10, "step 1.limits: \"low\" is above \"high\""}}},
        {"[[step]]\nkind = \"thermometers\"\nchannels = [1, 5]\nlimits = { high = 50, hi = 60 }\n",
         {{9, 16, "step 1: each of \"channels\" must be a thermometer from 1 to 4"},
          {10, 23, "step 1.limits: unknown key \"hi\""}}},
        {"[[step]]\nkind = \"counters\"\npulses = 5\n", {{7, 1, "step 1: the jig wires no counters (see [jig])"}}},
        {"[[step]]\nkind = \"analog\"\npoints = [2, \"x\"]\ntolerance = -1\n",
         {{9, 14, "step 1: each of \"points\" must be a number from 0 to 20 (V or mA)"},
          {10, 13, "step 1: \"tolerance\" must be a finite number of at least 0"}}},
        {"[[step]]\nkind = \"calibration\"\ninput = 2\napplied = 5.0\ndivisions = 70000\n"
         "coefficient = { low = 1 }\ntolerance = 0.1\n",
         {{11, 13, "step 1: \"divisions\" must be an integer from 1 to 65535"},
          {7, 1, "step 1: the jig wires no analog output to input 2"}}},
        {"[[step]]\nkind = \"identification\"\nproduct = \"Valdrix\"\nfirmware = { low = \"2.0\", high = \"1.x\" }\n",
         {{10, 34, "step 1.firmware: \"high\" must be a version such as \"1.2\""}}},
        {"[[step]]\nkind = \"analog\"\npoints = [5, 10, 12]\ntolerance = 0.1\n",
         {{9, 10, "step 1: point 10 is not below the full scale of AO1 (0 to 10 V)"},
          {9, 10, "step 1: point 12 is not below the full scale of AO1 (0 to 10 V)"}}},
        // Numbers that are no limits, lists with nothing to measure, versions that do not
        // parse; limits may meet (a counter's exact count).
        {"[[step]]\nkind = \"thermometers\"\nlimits = { low = nan, high = 60 }\n",
         {{9, 18, "step 1.limits: \"low\" must be a finite number"}}},
        {"[[step]]\nkind = \"analog\"\npoints = [2, nan]\ntolerance = inf\n",
         {{9, 14, "step 1: each of \"points\" must be a number from 0 to 20 (V or mA)"},
          {10, 13, "step 1: \"tolerance\" must be a finite number of at least 0"}}},
        {"[[step]]\nkind = \"clock\"\ntolerance_s = -inf\n",
         {{9, 15, "step 1: \"tolerance_s\" must be a finite number of at least 0"}}},
        {"[[step]]\nkind = \"thermometers\"\nchannels = []\nlimits = { high = 50 }\n",
         {{9, 12, "step 1: \"channels\" must not be empty"}}},
        {"[[step]]\nkind = \"identification\"\nproduct = \"Valdrix\"\nfirmware = { low = \"1.99999999999999999999\" }\n",
         {{10, 20, "step 1.firmware: \"low\" must be a version such as \"1.2\""}}},
        {"[[step]]\nkind = \"thermometers\"\nlimits = { low = 25, high = 25 }\n", {}},
        {"[[step]]\nkind = \"address\"\naddress = 254\n",
         {{9, 11, "step 1: \"address\" must be an integer from 0 to 253"}}},
        {"[[step]]\nkind = \"prompt\"\ntext = \"Připojte\n", {{9, 17, "unescaped control characters"}}},
        {"", {{1, 1, "the plan has no [[step]]"}}},
    };
    for (const TCase& c : cases) {
        const TPlanLoad load = ParseTestPlan(std::string(Header) + c.Text, "plan");
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(load.Plan.has_value(), c.Faults.empty());
        ASSERT_EQ(load.Faults.size(), c.Faults.size()) << Describe(load.Faults);
        for (size_t i = 0; i < c.Faults.size(); ++i) {
            EXPECT_EQ(load.Faults[i].Line, c.Faults[i].Line) << load.Faults[i].Message;
            EXPECT_EQ(load.Faults[i].Column, c.Faults[i].Column) << load.Faults[i].Message;
            EXPECT_NE(load.Faults[i].Message.find(c.Faults[i].Message), std::string::npos) << load.Faults[i].Message;
        }
    }
}

TEST(TestPlanLoader, PlanHeaderAndJigWiringFaults)
{
    const TPlanLoad load = ParseTestPlan(R"([plan]
name = ""
continue_on_fial = true
[jig]
digital = [{ output = 1, input = 1 }, { output = 1, input = 2 }, 3, { output = 11, input = 3 }]
wires = 1
[[step]]
kind = "prompt"
text = "Připojte 5,000 V na AI1 a potvrďte"
)",
                                         "plan");
    const std::vector<std::string> expected = {
        "plan:1:1: plan: missing \"version\"",
        "plan:2:8: plan: \"name\" must be a text that is not empty",
        "plan:3:1: plan: unknown key \"continue_on_fial\"",
        "plan:5:39: jig.digital[2]: output 1 is wired twice",
        "plan:5:66: jig.digital[3]: expected { output = N, input = N }",
        "plan:5:80: jig.digital[4]: \"output\" must be an integer from 1 to 10",
        "plan:6:1: jig: unknown key \"wires\"",
    };
    std::vector<std::string> got;
    for (const TPlanFault& f : load.Faults) got.push_back(FormatPlanFault("plan", f));
    std::sort(got.begin(), got.end());
    std::vector<std::string> want = expected;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST(TestPlanLoader, AnUnreadableFileIsOneFault)
{
    const TPlanLoad load = LoadTestPlan("/nonexistent/plan.toml");
    EXPECT_FALSE(load.Plan);
    EXPECT_EQ(Describe(load.Faults), "plan:0:0: cannot read the plan\n");
}

}

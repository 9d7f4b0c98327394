// The tester's command line: help and version before the window toolkit starts, the DST
// switch in every spelling, and short errors for anything else.
#include "app/uTesterCommandLine.h"

#include <gtest/gtest.h>

TEST(TesterCommandLine, HelpVersionDstAndUsageErrors)
{
    const struct {
        QStringList Arguments;
        bool Complete;
        std::optional<int> Status;
    } cases[] = {
        {{"valdrix-tester"}, true, std::nullopt},
        {{"valdrix-tester", "DST"}, true, std::nullopt},
        {{"valdrix-tester", "-dst"}, true, std::nullopt},
        {{"valdrix-tester", "/Dst"}, true, std::nullopt},
        {{"valdrix-tester", "--version"}, true, 0},
        {{"valdrix-tester", "DST", "-h"}, true, 0},
        // Before the toolkit has taken its own options out, they are left alone.
        {{"valdrix-tester", "-platform", "offscreen", "--help"}, false, 0},
        {{"valdrix-tester", "-platform", "offscreen"}, false, std::nullopt},
        {{"valdrix-tester", "--bogus"}, true, 2},
        {{"valdrix-tester", "extra"}, true, 2},
        {{"valdrix-tester", "--", "--help"}, true, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTesterCommandLine(c.Arguments, c.Complete), c.Status)
            << c.Arguments.join(QLatin1Char(' ')).toStdString();
    }
}

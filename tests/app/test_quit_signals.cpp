// The signals that end a program from outside close the tester's window through its
// event loop.
#include "app/uQuitSignals.h"

#include "tests/support/pump_until.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(QuitSignals, EachSignalRunsTheActionOnTheEventLoopWhileCaught)
{
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        int calls = 0;
        {
            const TQuitSignals quitSignals([&calls] { ++calls; });
            ASSERT_EQ(::raise(number), 0);
            EXPECT_EQ(calls, 0) << "run by the event loop, not inside the handler";
            EXPECT_TRUE(PumpUntil([&calls] { return calls == 1; })) << number;
        }
        struct sigaction action {};
        ASSERT_EQ(::sigaction(number, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << number;
    }
}

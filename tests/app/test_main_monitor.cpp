// The "DST" switch on the tester's start-up path: the monitor gets the traffic of the
// polling whether the log window is shown or not, and the log window still shows it.
#include "test_main_fixture.h"

#include "framework/gui/ufCILog.h"
#include "tests/support/monitor_listener.h"

#include <QPlainTextEdit>

namespace {

// Waits for a datagram of each direction; a sent one starts with the packet marker.
void ExpectBothDirections(TMonitorListener& listener)
{
    listener.Drain();
    bool sent = false;
    bool received = false;
    int malformed = 0;
    PumpUntil([&] {
        for (std::string datagram = listener.Next(MSG_DONTWAIT); !datagram.empty();
             datagram = listener.Next(MSG_DONTWAIT)) {
            if (datagram.size() < 2) ++malformed;
            sent = sent || (datagram[0] == SpyDirectionSent && datagram[1] == '*');
            received = received || datagram[0] == SpyDirectionReceived;
        }
        return sent && received;
    });
    EXPECT_TRUE(sent);
    EXPECT_TRUE(received);
    EXPECT_EQ(malformed, 0);
}

// Leaves no sink behind, whatever the test ends with.
struct TSinkReset {
    ~TSinkReset() { SetSpySink(TSpySink()); }
};

} // namespace

TEST_F(MainWindowTest, DstMonitorGetsThePollWithAndWithoutTheLogWindowShown)
{
    TMonitorListener listener;
    TSinkReset reset;
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    const char* arguments[] = {"valdrix-tester", "DST"};
    ASSERT_TRUE(ApplySpyCommandLine(2, arguments));
    OpenWindows();
    ConnectTo(sim.Connection());
    ASSERT_FALSE(Windows->Log().isVisible());
    ExpectBothDirections(listener);

    Click(QStringLiteral("btnLog"));
    ASSERT_TRUE(Windows->Log().isVisible());
    ExpectBothDirections(listener);
    const auto* view = Windows->Log().findChild<QPlainTextEdit*>(QStringLiteral("reLog"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return !view->toPlainText().isEmpty(); }));

    // Without the log window the monitor is the sink again.
    CloseWindows();
    EXPECT_EQ(GetSpySink(), MonitorSpySink());
}

#include "tests/transports/test_af_pty.h"
#include "transports/uTransportErrors.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace {

void Report(const char* message) { ReportTransportError(std::make_exception_ptr(std::runtime_error(message))); }

} // namespace

// The display runs an event loop while it shows a message, as a modal box does; other
// threads keep reporting meanwhile.
TEST(TransportErrors, AMessageBeingShownIsNotHandedOverAgain)
{
    std::vector<std::string> shown;
    bool nested = false;
    SetTransportErrorReceiver([&](const std::string& message) {
        shown.push_back(message);
        if (nested) return;
        nested = true;
        std::thread other([] {
            Report("first");
            Report("second");
        });
        other.join();
        PumpUntil([&] { return shown.size() == 2; });
    });
    Report("first");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, (std::vector<std::string>{"first", "second"}));
    Report("first"); // no longer on screen
    EXPECT_EQ(shown.size(), 3u);
    SetTransportErrorReceiver(nullptr);
}

// How a session's link opens and identifies the module, for the window and valdrix-cli
// alike: each way it can end, and what it tells.
#include "session/uSessionLink.h"

#include "tests/support/child_processes.h"
#include "tests/support/loopback_socket.h"
#include "transports/uTransports.h"

#include <gtest/gtest.h>

TEST(SessionLink, AnOpenEndsByTheModulesIdentificationAndTheRule)
{
    RegisterTransports();
    struct TCase {
        std::vector<std::string> Simulator; // empty: no peer at all
        TIdentityRule Rule;
        TIdentifiedOpen::TKind Kind;
        std::string Detail; // the start of it
    };
    const TCase cases[] = {
        {{"--identification", "Valdrix 16DI"}, TIdentityRule::Valdrix, TIdentifiedOpen::Identified, ""},
        {{"--identification", "CITAC 8DI"}, TIdentityRule::Valdrix, TIdentifiedOpen::OtherDevice, "CITAC 8DI"},
        {{"--identification", "CITAC 8DI"}, TIdentityRule::AnyFamilyDevice, TIdentifiedOpen::Identified, ""},
        {{"--refuse", "F3:07"}, TIdentityRule::Valdrix, TIdentifiedOpen::NoIdentification,
         "the module refused the request (acknowledge code 7)"},
        {{}, TIdentityRule::Valdrix, TIdentifiedOpen::NotOpened, "127.0.0.1:"},
    };
    for (const TCase& c : cases) {
        std::optional<TSimulator> sim;
        if (!c.Simulator.empty()) sim.emplace(c.Simulator);
        const int port = sim ? sim->Port() : UnusedLoopbackPort();
        TSessionLink link;
        link.Device().SetTimeout(300);
        const TIdentifiedOpen opened =
            link.OpenAndIdentify(LoopbackConnection(port), TOpenAttempts::Reconnect, c.Rule);
        EXPECT_EQ(opened.Kind, c.Kind) << opened.Detail;
        EXPECT_EQ(opened.Detail.rfind(c.Detail, 0), 0u) << opened.Detail;
        // Only an accepted module keeps the link open; one that did not open can still be named.
        EXPECT_EQ(link.Interface() && link.Interface()->IsOpen(), opened.Ok());
        EXPECT_EQ(link.Interface() != nullptr, opened.Ok() || c.Kind == TIdentifiedOpen::NotOpened);
    }
    UnregisterTransports();
}

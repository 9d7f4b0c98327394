// How a session connects and reopens its link, against a module behind a gateway that the
// test plays: what the gateway held for the new client is never taken for an answer, a
// connect asks for the identification twice and an attempt to reopen once, and an
// attempt the user stops while it opens leaves the link closed.
#include "session/uValdrixSession.h"

#include "protocol/uTarvelCommonInstructions.h"
#include "tests/support/module_peer.h"
#include "tests/support/pump_until.h"
#include "tests/support/session_requests.h"
#include "transports/uTransports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

const std::string RealIdentification = "Valdrix ; v 1.0 ; REAL";

std::string Identification(const TTarvelFormat97& request)
{
    return BuildTarvel97Packet(request.Adr, request.Sig, 0, RealIdentification);
}

// An answer for every SIG to an earlier client's identification request, from a device
// this session does not accept: taken at the connect, it would refuse the module.
std::string StaleAnswers()
{
    std::string answers;
    for (int sig = 0; sig < 256; ++sig) answers += BuildTarvel97Packet(0x31, uint8_t(sig), 0, "CITAC 8DI ; STALE");
    return answers;
}

class SessionConnect : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTransports();
        QObject::connect(Session.get(), &TValdrixSession::LinkLost, &Context, [this] { ++Losses; });
        QObject::connect(Session.get(), &TValdrixSession::ReconnectFailed, &Context, [this] { ++Failed; });
        QObject::connect(Session.get(), &TValdrixSession::Reconnected, &Context, [this] { ++Reconnected; });
    }
    void TearDown() override
    {
        Session.reset();
        UnregisterTransports();
    }
    bool Connect(const TModulePeer& peer)
    {
        Session->Connect(peer.Connection());
        return PumpUntil([&] { return !Session->Connecting(); }, 30s) && Session->Connected();
    }
    // Polls until the module stops answering and the link is lost.
    bool Lose()
    {
        return PumpUntil([&] {
            Session->Tick();
            return Losses > 0;
        }, 30s);
    }

    QObject Context;
    std::unique_ptr<TValdrixSession> Session = std::make_unique<TValdrixSession>();
    int Losses = 0, Failed = 0, Reconnected = 0;
};

} // namespace

TEST_F(SessionConnect, WhatTheGatewayHeldIsNeverTakenForAnAnswer)
{
    for (const size_t backlog : {size_t(1000), size_t(66000), size_t(100000)}) {
        SCOPED_TRACE(backlog);
        const TModulePeer peer(std::string(backlog, 'g') + StaleAnswers(),
                               [](const TTarvelFormat97& request, int, int) { return Identification(request); });
        for (int run = 0; run < 5; ++run) {
            SCOPED_TRACE(run);
            ASSERT_TRUE(Connect(peer));
            // The window's first request after the connect.
            std::string text;
            EXPECT_TRUE(OnSessionWorker(*Session, [&](IValdrix& device) { return device.ReadIdentificationText(text); }));
            EXPECT_EQ(text, RealIdentification);
            Session->Disconnect();
            ASSERT_TRUE(PumpUntil([&] { return !Session->ActionRunning() && !Session->MainInterface(); }, 30s));
        }
    }
}

// The module loses the first identification request of every connection: a connect asks
// again and gets it; an attempt to reopen asks once, so that it waits one time-out at most.
TEST_F(SessionConnect, AConnectAsksTwiceAndAnAttemptToReopenOnce)
{
    const TModulePeer peer("", [](const TTarvelFormat97& request, int, int index) {
        return index == 1 && request.Inst == TARVEL_INST_IDENTIFICATION ? Identification(request) : std::string();
    });
    ASSERT_TRUE(Connect(peer));
    EXPECT_EQ(peer.Requests(), 2);
    ASSERT_TRUE(OnSessionWorker(*Session, [](IValdrix& device) {
        device.SetTimeout(200);
        return true;
    }));
    ASSERT_TRUE(Lose());
    const int before = peer.Requests();
    Session->StartReconnecting();
    ASSERT_TRUE(PumpUntil([&] { return Failed + Reconnected > 0; }, 30s));
    Session->StopReconnecting();
    EXPECT_EQ(Failed, 1);
    EXPECT_EQ(peer.Requests() - before, 1);
}

// "Znovu připojit" unticked while an attempt's link is opening: the attempt that then
// succeeds is discarded, the link stays closed.
TEST_F(SessionConnect, AnAttemptStoppedWhileItOpensLeavesTheLinkClosed)
{
    std::atomic<bool> stopped{false}, answered{false};
    const TModulePeer peer("", [&](const TTarvelFormat97& request, int connection, int index) {
        if (connection == 0) return index == 0 ? Identification(request) : std::string();
        // The attempt's identification is answered once the user has stopped the attempts.
        for (int i = 0; i < 1000 && !stopped; ++i) std::this_thread::sleep_for(10ms);
        answered = true;
        return Identification(request);
    });
    ASSERT_TRUE(Connect(peer));
    ASSERT_TRUE(OnSessionWorker(*Session, [](IValdrix& device) {
        device.SetTimeout(200);
        return true;
    }));
    ASSERT_TRUE(Lose());
    ASSERT_TRUE(OnSessionWorker(*Session, [](IValdrix& device) {
        device.SetTimeout(5000);
        return true;
    }));
    bool started = false;
    QObject::connect(Session.get(), &TValdrixSession::ReconnectStarted, &Context, [&] {
        Session->StopReconnecting();
        stopped = true;
        started = true;
    });
    Session->StartReconnecting();
    ASSERT_TRUE(PumpUntil([&] { return started && !Session->Connecting(); }, 30s));
    EXPECT_TRUE(answered);
    EXPECT_FALSE(Session->Connected());
    EXPECT_FALSE(Session->MainInterface());
    EXPECT_EQ(Reconnected, 0);
}

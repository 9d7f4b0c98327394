// The simulator's endpoints: RS-485 relay, pseudo-terminals, successive clients,
// and survival of bad input.
#include "SimHarness.h"
#include "tests/support/com_links.h"
#include "tests/support/soak.h"

#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace {

TEST(SimRs485, TypeRequestTravelsToTheBusAndItsAnswerBack)
{
    TSimulator sim;
    TSimPeer main = TSimPeer::Tcp(sim.Port());
    TSimPeer bus = TSimPeer::Tcp(sim.RS485Port());
    ASSERT_TRUE(main.Ask(ADR, 1, 0xF3)); // the bus link is surely accepted by now

    const std::string request = BuildTarvel97Packet(50, 0, 0xF3, "");
    main.Send(request);
    EXPECT_EQ(bus.ReadFrame(), request);
    const std::string answer = BuildTarvel97Packet(50, 0, 0, "Valdrix Tester Info");
    bus.Send(answer);
    EXPECT_EQ(main.ReadFrame(), answer);
}

TEST(SimRs485, OnlyPacketsForOtherDevicesLeaveTheModule)
{
    TSimulator sim;
    TSimPeer main = TSimPeer::Tcp(sim.Port());
    TSimPeer bus = TSimPeer::Tcp(sim.RS485Port());
    ASSERT_TRUE(main.Ask(ADR, 1, 0xF3));
    main.Send(BuildTarvel97Packet(0xFF, 2, 0xF3, ""));
    main.Send(BuildTarvel97Packet(0xFE, 3, 0xF3, ""));
    main.Send(BuildTarvel97Packet(7, 4, 0x31, ""));
    EXPECT_EQ(bus.ReadFrame(), BuildTarvel97Packet(7, 4, 0x31, ""));
    // The module itself is reachable from the bus side, and answers there.
    EXPECT_EQ(AnswerData(bus.Ask(ADR, 5, 0x31)), Bytes({0x5A, 0xC3}));
    EXPECT_EQ(AnswerData(main.ReadFrame()), "Valdrix ; v 1.0 ; SIM") << "the 0xFE request, answered on main";
}

TEST(SimPty, RoundTripAtAnyBaudRateAndAfterReopening)
{
    const TComLinks links;
    const std::string com = links.Port(7), bus = links.Port(8);
    {
        TSimulator sim({"--no-tcp", "--pty", com, "--rs485-pty", bus, "--close-after", "3"});
        EXPECT_NE(sim.ReadyLine().find("pty=" + com), std::string::npos);
        EXPECT_NE(sim.ReadyLine().find("tcp=off"), std::string::npos);
        for (const unsigned baud : {B9600, B115200}) {
            TSimPeer port = TSimPeer::Terminal(com, baud);
            EXPECT_EQ(AnswerData(port.Ask(ADR, 1, 0xF3)), "Valdrix ; v 1.0 ; SIM");
        }
        TSimPeer port = TSimPeer::Terminal(com, B19200);
        TSimPeer line = TSimPeer::Terminal(bus, B19200);
        port.Send(BuildTarvel97Packet(50, 9, 0xF3, ""));
        EXPECT_EQ(line.ReadFrame(), BuildTarvel97Packet(50, 9, 0xF3, ""));
        EXPECT_TRUE(port.WaitClosed()) << "third packet on the main link hangs it up";
        TSimPeer again = TSimPeer::Terminal(com, B9600);
        EXPECT_EQ(AnswerData(again.Ask(ADR, 2, 0x31)), Bytes({0x5A, 0xC3}));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(com))) << "symlink removed at exit";
}

TEST(SimClients, ANewClientReplacesTheConnectedOne)
{
    TSimulator sim({}, false);
    TSimPeer first = TSimPeer::Tcp(sim.Port());
    ASSERT_TRUE(first.Ask(ADR, 1, 0xF3));
    TSimPeer second = TSimPeer::Tcp(sim.Port());
    EXPECT_TRUE(second.Ask(ADR, 2, 0xF3));
    EXPECT_TRUE(first.WaitClosed());
    for (int i = 0; i < 20; ++i) {
        TSimPeer client = TSimPeer::Tcp(sim.Port());
        ASSERT_TRUE(client.Ask(ADR, uint8_t(i), 0xF3)) << "client " << i;
    }
}

TEST(SimClients, SurvivesNoiseDamagedPacketsAndFloodsWithBoundedMemory)
{
    TSimulator sim;
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    std::mt19937 random(3);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = char(random());
    link.Send(noise);
    link.Send(Bytes({'*', 'a', 0xFF, 0xFF, ADR, 1, 0xF3})); // announces 64 KiB that never come
    std::string damaged = BuildTarvel97Packet(ADR, 2, 0xF3, "");
    damaged[7] = char(damaged[7] + 1);
    link.Send(damaged);
    link.Send(Bytes({'*', 'a', 0x00, 0x04, ADR, 0x00, 0x3F, 0x0D})); // valid checksum, no INST
    EXPECT_EQ(AnswerData(link.Ask(ADR, 3, 0x31)), Bytes({0x5A, 0xC3}));

    // A flood of requests whose answers are never read, then a huge one.
    std::string flood;
    for (int i = 0; i < 20000; ++i) flood += BuildTarvel97Packet(ADR, uint8_t(i), 0xF3, "");
    link.Send(flood);
    link.Send(BuildTarvel97Packet(ADR, 4, 0xE2, std::string(65530, 'x')));
    TSimPeer fresh = TSimPeer::Tcp(sim.Port());
    EXPECT_TRUE(fresh.Ask(ADR, 5, 0xF3));
    EXPECT_TRUE(sim.Running());
    EXPECT_LT(ResidentKb(sim.Pid()), 256 * 1024);
}

}

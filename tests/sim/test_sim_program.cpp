// The program's command line: help, refusals and the ready line other tests rely on.
#include "SimHarness.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

struct TRun {
    int Status;
    std::string Output;
};

TRun RunSim(const std::string& args)
{
    const std::string command = std::string(getenv("VALDRIX_SIM")) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    TRun run{-1, {}};
    char chunk[4096];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) run.Output.append(chunk, n);
    run.Status = WEXITSTATUS(pclose(pipe));
    return run;
}

TEST(SimProgram, HelpListsEverySwitch)
{
    const TRun run = RunSim("--help");
    EXPECT_EQ(run.Status, 0);
    for (const char* option : {"--host", "--port", "--rs485-port", "--no-tcp", "--no-rs485-tcp", "--pty", "--rs485-pty",
                               "--address", "--modules", "--static", "--drop", "--corrupt", "--delay", "--refuse",
                               "--garbage", "--close-after", "--seed", "--verbose", "--volts", "--milliamps"})
        EXPECT_NE(run.Output.find(option), std::string::npos) << option;
}

TEST(SimProgram, VersionAndOptionsWithTheirValueAfterAnEqualsSign)
{
    const TRun version = RunSim("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Output, std::string("valdrix-sim ") + VALDRIX_VERSION + "\n");
    TSimProcess sim({"--port=0", "--address=0x40", "--refuse=F0:02"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x40, 1, 0xF3)), "Valdrix ; v 1.0 ; SIM") << "the address given with =";
    AnswerData(link.Ask(0x40, 2, 0xF0), 0x02); // the refusal given with =: acknowledge code 2
}

TEST(SimProgram, RefusesABadCommandLineWithAReason)
{
    for (const char* args : {"--bogus", "--drop 101", "--port", "--refuse 31", "--address 0xFE", "--no-tcp",
                             "--volts 5:1", "--volts 1:11", "--volts 1", "--milliamps 2:x", "--modules 0",
                             "--modules 33", "--address 0xFD --modules 2"}) {
        const TRun run = RunSim(args);
        EXPECT_EQ(run.Status, 2) << args;
        EXPECT_EQ(run.Output.rfind("valdrix-sim: ", 0), 0u) << args;
        EXPECT_NE(run.Output.find("\nTry 'valdrix-sim --help' for more information.\n"), std::string::npos) << args;
    }
}

TEST(SimProgram, ReadyLineNamesTheEndpointsAndAddress)
{
    TSimProcess sim({"--port", "0", "--address", "0x40"});
    EXPECT_TRUE(std::regex_match(sim.ReadyLine(),
                                 std::regex(R"(valdrix-sim ready tcp=127\.0\.0\.1:\d+ rs485=127\.0\.0\.1:\d+ address=0x40)")));
    EXPECT_NE(sim.Port(), sim.BusPort());
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x40, 1, 0xF0)), Bytes({0x40, 0x06}));
}

TEST(SimProgram, ModulesAtConsecutiveAddressesTellThemselvesApartByTheirNumbers)
{
    TSimProcess sim({"--port", "0", "--address", "0xFB", "--modules", "3"});
    EXPECT_EQ(sim.ReadyLine().substr(sim.ReadyLine().find(" address=")), " address=0xFB,0xFC,0xFD");
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0xFD, 1, 0xFA)), Bytes({0x00, 0x01, 0x30, 0x3B, 0x00, 0xBC, 0x61, 0x50}));
    // EB to the special address with the numbers of the second module moves only that one.
    EXPECT_EQ(AnswerData(link.Ask(0xFE, 2, 0xEB, Bytes({0x10, 0x00, 0x01, 0x30, 0x3A}))), "");
    EXPECT_EQ(link.ReadFrame(300), std::nullopt) << "one answer only";
    EXPECT_EQ(AnswerData(link.Ask(0x10, 3, 0xF0)), Bytes({0x10, 0x06}));
    EXPECT_EQ(AnswerData(link.Ask(0xFB, 4, 0xF0)), Bytes({0xFB, 0x06}));
    link.Send(BuildTarvel97Packet(0xFC, 5, 0xF0, {}));
    EXPECT_EQ(link.ReadFrame(300), std::nullopt) << "nobody is left at the old address";
}

TEST(SimProgram, AppliedSignalsCanBeChosenPerInput)
{
    // 6.5536 V of 10 V and 13.1072 mA of 20 mA are both raw 32768 (0x8000) of 50000 full scale;
    // input 3 sits on a current range in the static state, the others on voltage ranges.
    TSimProcess sim({"--port", "0", "--static", "--volts", "1:6.5536", "--milliamps", "3:13.1072"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x31, 1, 0x5F)),
              Bytes({1, 0x80, 0x80, 0x00, 2, 0x80, 0x30, 0xD4, 3, 0x80, 0x80, 0x00, 4, 0x80, 0x9C, 0x40}));
}

}

// The program's command line: help, refusals and the ready line other tests rely on.
#include "SimHarness.h"

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <sstream>

namespace {

struct TRun {
    int Status;
    std::string Output;
};

// The program run with the words of `args`: its exit status and all it printed.
TRun RunSim(const std::string& args)
{
    std::istringstream words(args);
    const TProgramRun run = RunProgram("VALDRIX_SIM", {std::istream_iterator<std::string>(words), {}});
    return {run.Status, run.Out + run.Err};
}

TEST(SimProgram, HelpListsEverySwitch)
{
    const TRun run = RunSim("--help");
    EXPECT_EQ(run.Status, 0);
    for (const char* option :
         {"--host",      "--port",      "--rs485-port",    "--no-tcp",      "--no-rs485-tcp", "--pty",
          "--rs485-pty", "--address",   "--modules",       "--static",      "--drop",         "--corrupt",
          "--delay",     "--refuse",    "--garbage",       "--close-after", "--seed",         "--verbose",
          "--volts",     "--milliamps", "--identification", "--jig", "--jig-fault"})
        EXPECT_NE(run.Output.find(option), std::string::npos) << option;
}

TEST(SimProgram, VersionAndOptionsWithTheirValueAfterAnEqualsSign)
{
    const TRun version = RunSim("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Output, std::string("valdrix-sim ") + VALDRIX_VERSION + "\n");
    TSimulator sim({"--port=0", "--address=0x40", "--refuse=F0:02"}, false);
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x40, 1, 0xF3)), "Valdrix ; v 1.0 ; SIM") << "the address given with =";
    AnswerData(link.Ask(0x40, 2, 0xF0), 0x02); // the refusal given with =: acknowledge code 2

    // Any bytes as the identification, a zero byte and a backslash among them.
    TSimulator odd({"--port=0", "--identification", "A\\x00B\\\\C\\xe8"}, false);
    TSimPeer oddLink = TSimPeer::Tcp(odd.Port());
    EXPECT_EQ(AnswerData(oddLink.Ask(0x31, 1, 0xF3)), std::string("A\0B\\C\xE8", 6));
}

TEST(SimProgram, RefusesABadCommandLineWithAReason)
{
    for (const char* args :
         {"--bogus", "--drop 101", "--port", "--refuse 31", "--address 0xFE", "--no-tcp", "--volts 5:1", "--volts 1:11",
          "--volts 1", "--milliamps 2:x", "--modules 0", "--modules 33", "--address 0xFD --modules 2",
          "--identification a\\x4", "--identification a\\qb", "--identification \\xZZ", "--jig-fault clock-drift",
          "--jig mirror", "--jig loopback --jig-fault stuck-input:11", "--jig loopback --jig-fault analog",
          "--jig loopback --jig-fault cold"}) {
        const TRun run = RunSim(args);
        EXPECT_EQ(run.Status, 2) << args;
        EXPECT_EQ(run.Output.rfind("valdrix-sim: ", 0), 0u) << args;
        EXPECT_NE(run.Output.find("\nTry 'valdrix-sim --help' for more information.\n"), std::string::npos) << args;
    }
}

TEST(SimProgram, ReadyLineNamesTheEndpointsAndAddress)
{
    TSimulator sim({"--address", "0x40"}, false);
    EXPECT_TRUE(std::regex_match(sim.ReadyLine(),
                                 std::regex(R"(valdrix-sim ready tcp=127\.0\.0\.1:\d+ rs485=127\.0\.0\.1:\d+ address=0x40)")));
    EXPECT_NE(sim.Port(), sim.RS485Port());
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x40, 1, 0xF0)), Bytes({0x40, 0x06}));
}

TEST(SimProgram, ModulesAtConsecutiveAddressesTellThemselvesApartByTheirNumbers)
{
    TSimulator sim({"--address", "0xFB", "--modules", "3"}, false);
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
    TSimulator sim({"--volts", "1:6.5536", "--milliamps", "3:13.1072"});
    TSimPeer link = TSimPeer::Tcp(sim.Port());
    EXPECT_EQ(AnswerData(link.Ask(0x31, 1, 0x5F)),
              Bytes({1, 0x80, 0x80, 0x00, 2, 0x80, 0x30, 0xD4, 3, 0x80, 0x80, 0x00, 4, 0x80, 0x9C, 0x40}));
}

}

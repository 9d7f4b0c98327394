// What valdrix-cli tells a user whose connection cannot be made or whose request fails:
// the device, the system's reason and what to do; a link that closed under a request.
#include "session/uSessionLink.h"
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/loopback_socket.h"
#include "transports/uTransports.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QCoreApplication>

#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The "error" of the one JSON object a failed run printed.
std::string JsonError(const TProgramRun& run)
{
    return nlohmann::json::parse(run.Out, nullptr, false).value("error", std::string("(no JSON: ") + run.Out + ")");
}

// The sanitizers' options for a program that runs as another user: a suppressions file
// named there may lie where that user cannot read it (a checkout under /root), so it is
// copied into the open folder DIR and the option names the copy. "NAME=value" each.
std::vector<std::string> SanitizerOptionsReadableIn(const std::string& dir)
{
    std::vector<std::string> options;
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* value = ::getenv(name);
        if (!value) continue;
        std::string text = value;
        const std::string key = "suppressions=";
        if (const size_t at = text.find(key); at != std::string::npos) {
            const size_t from = at + key.size(), to = text.find_first_of(" :", from);
            const std::string copy = dir + "/" + name + ".supp";
            fs::copy_file(text.substr(from, to - from), copy, fs::copy_options::overwrite_existing);
            ::chmod(copy.c_str(), 0644);
            text.replace(from, to == std::string::npos ? std::string::npos : to - from, copy);
        }
        options.push_back(std::string(name) + "=" + text);
    }
    return options;
}

} // namespace

TEST(CliErrors, RefusedOrUnreachableTcpEndpointsSayWhy)
{
    const std::string port = std::to_string(UnusedLoopbackPort());
    const struct {
        std::string Connection, Reason;
    } cases[] = {
        {"provider=TCP_CLIENT;host=127.0.0.1;port=" + port,
         "127.0.0.1:" + port + ": connection refused: nothing accepts connections on that port"},
        {"provider=TCP_CLIENT;host=no-such-host.invalid;port=1", "no-such-host.invalid:1: name not found"},
        {"provider=TCP_CLIENT;host=127.0.0.1;port=99999", "port 99999 is outside 1..65535"},
    };
    for (const auto& c : cases) {
        const TProgramRun run = RunProgram("VALDRIX_CLI", {"-c", c.Connection, "--json", "identify"});
        EXPECT_EQ(run.Status, 3) << c.Connection;
        EXPECT_NE(JsonError(run).find(c.Reason), std::string::npos) << JsonError(run);
    }
}

TEST(CliErrors, APortTheUserMayNotOpenPointsToTheDialoutGroup)
{
    TComLinks dir;
    std::vector<std::string> command = {ProgramPath("VALDRIX_CLI"), "-c", "provider=SERIAL_PORT;comport=5", "identify"};
    std::string program = command[0];
    std::string device = dir.Port(5) + ".node";
    if (::geteuid() == 0) {
        // Root opens anything: the client runs as nobody, and the port is a
        // pseudo-terminal's slave, which only its owner and the tty group may open.
        const char* setpriv = "/usr/bin/setpriv";
        if (::access(setpriv, X_OK) != 0) GTEST_SKIP() << "no " << setpriv << " to run the client as nobody";
        struct stat root {};
        if (::stat("/", &root) != 0 || !(root.st_mode & S_IXOTH))
            GTEST_SKIP() << "nobody cannot enter / (a root file system kept private), so no program starts as nobody";
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        device = ::ptsname(master);
        // The build tree may lie where nobody cannot reach (a checkout under /root):
        // nobody runs a copy from the open temporary folder.
        command[0] = dir.Path() + "/valdrix-cli";
        fs::copy_file(ProgramPath("VALDRIX_CLI"), command[0]);
        ::chmod(command[0].c_str(), 0755);
        program = setpriv;
        const std::vector<std::string> sanitizers = SanitizerOptionsReadableIn(dir.Path());
        command.insert(command.begin(), sanitizers.begin(), sanitizers.end());
        command.insert(command.begin(), {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", "/usr/bin/env"});
    } else {
        std::ofstream(device) << "";
        ::chmod(device.c_str(), 0);
        command.erase(command.begin());
    }
    dir.Link(5, device);
    const TProgramRun run = RunProgramAt(program, command);
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_NE(run.Err.find(dir.Port(5) + " (COM5): Permission denied; to use serial ports, join the dialout group "
                                         "(sudo usermod -aG dialout $USER), then log in again"),
              std::string::npos)
        << run.Err;
}

TEST(CliErrors, RequestFailuresTellAClosedLinkFromDamagedOrMissingAnswers)
{
    TComLinks dir;
    const struct {
        std::vector<std::string> Simulator;
        bool Serial;
        std::string Reason;
    } cases[] = {
        {{"--close-after", "1"}, false, "the link closed (TCPC 127.0.0.1:"},
        {{"--no-tcp", "--pty", dir.Port(7), "--close-after", "1"}, true, "the link closed (COM7)"},
        {{"--corrupt", "100"}, false, "the module's answer arrived damaged"},
        {{"--drop", "100"}, false, "no answer from the module"},
    };
    for (const auto& c : cases) {
        TSimulator sim(c.Simulator);
        const std::string connection = c.Serial ? "provider=SERIAL_PORT;comport=7;baudrate=115200" : sim.Connection();
        const TProgramRun run =
            RunProgram("VALDRIX_CLI", {"-c", connection, "--timeout", "300", "--json", "monitor", "--count", "2"});
        SCOPED_TRACE(c.Reason);
        EXPECT_EQ(run.Status, 1) << run.Err;
        const std::string last = run.Out.substr(run.Out.rfind('\n', run.Out.size() - 2) + 1);
        const nlohmann::json failure = nlohmann::json::parse(last.empty() ? run.Out : last, nullptr, false);
        EXPECT_EQ(failure.value("ok", true), false) << run.Out;
        EXPECT_EQ(failure.value("error", "").find(c.Reason), 0u) << run.Out;
    }
}

TEST(CliErrors, AnUnpluggedConverterIsALinkThatClosedAndServesAgainWhenReplugged)
{
    const char* library = std::getenv("VALDRIX_FAKE_D2XX");
    ASSERT_NE(library, nullptr) << "VALDRIX_FAKE_D2XX names no library; run through ctest";
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    ::setenv("VALDRIX_D2XX_LIBRARY", library, 1);
    ::setenv("VALDRIX_FAKE_D2XX_SIM", ("FTSIM077@127.0.0.1:" + std::to_string(sim.Port())).c_str(), 1);
    int argc = 1;
    char name[] = "test_cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    RegisterTransports();
    {
        TSessionLink session;
        std::string error, text;
        session.Device().SetTimeout(300);
        ASSERT_EQ(session.Open("provider=FTD_USB;serial_number=FTSIM077", error), TLinkOpen::Opened) << error;
        EXPECT_TRUE(session.Device().ReadIdentificationText(text));
        const auto unplug = reinterpret_cast<bool (*)(const char*)>(
            ::dlsym(::dlopen(library, RTLD_NOW | RTLD_NOLOAD), "FakeD2xxUnplug"));
        ASSERT_NE(unplug, nullptr);
        ASSERT_TRUE(unplug("FTSIM077"));
        EXPECT_FALSE(session.Device().ReadIdentificationText(text));
        EXPECT_EQ(session.DescribeFailure().find("the link closed (FTSIM077)"), 0u) << session.DescribeFailure();
    }
    {
        // Plugged in again, the converter serves the next session.
        const auto replug = reinterpret_cast<bool (*)(const char*)>(
            ::dlsym(::dlopen(library, RTLD_NOW | RTLD_NOLOAD), "FakeD2xxReplug"));
        ASSERT_NE(replug, nullptr);
        ASSERT_TRUE(replug("FTSIM077"));
        TSessionLink session;
        std::string error, text;
        ASSERT_EQ(session.Open("provider=FTD_USB;serial_number=FTSIM077", error), TLinkOpen::Opened) << error;
        EXPECT_TRUE(session.Device().ReadIdentificationText(text));
        EXPECT_EQ(text, "Valdrix ; v 1.0 ; SIM");
    }
    UnregisterTransports();
    ::unsetenv("VALDRIX_D2XX_LIBRARY");
    ::unsetenv("VALDRIX_FAKE_D2XX_SIM");
}

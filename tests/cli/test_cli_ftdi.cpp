// valdrix-cli over a USB converter ("FTD_USB"): the fake converter library
// (VALDRIX_FAKE_D2XX), or without it the libftdi1 stand-in (VALDRIX_FAKE_LIBFTDI1),
// reaches a converter that has the module simulator behind it.
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr const char* Serial = "FTSIM042";

// Points the programs started from here at the fake library and, through it, at the
// simulator; restores the environment afterwards.
class TFakeConverterEnvironment {
public:
    TFakeConverterEnvironment(const std::string& library, const TSimulator& sim,
                              const std::string& ftdi1 = "/nonexistent/libftdi1.so.2")
    {
        ::setenv("VALDRIX_D2XX_LIBRARY", library.c_str(), 1);
        ::setenv("VALDRIX_LIBFTDI1_LIBRARY", ftdi1.c_str(), 1);
        const std::string module = std::string(Serial) + "@127.0.0.1:" + std::to_string(sim.Port());
        ::setenv("VALDRIX_FAKE_D2XX_SIM", module.c_str(), 1);
    }
    ~TFakeConverterEnvironment()
    {
        ::unsetenv("VALDRIX_D2XX_LIBRARY");
        ::setenv("VALDRIX_LIBFTDI1_LIBRARY", "/nonexistent/libftdi1.so.2", 1);
        ::unsetenv("VALDRIX_FAKE_D2XX_SIM");
    }
};

std::string FakeLibrary(const char* variable = "VALDRIX_FAKE_D2XX")
{
    const char* path = std::getenv(variable);
    return path ? path : "";
}

// What `monitor` prints for one poll of the simulator in its initial state.
const std::string MonitorLine =
    "DI 1100001101011010 DO 0000000000 CNT 1001 2002 3003 4004 5005 6006 7007 8008 9009 "
    "10010 11011 12012 13013 14014 15015 16016 T 21.5 23.0 -4.5 36.6 AI 5000 2500 6000 8000 "
    "RAW 25000 12500 30000 40000\n";

} // namespace

TEST(CliOverConverter, MonitorsTheModuleThroughTheConverter)
{
    ASSERT_FALSE(FakeLibrary().empty()) << "VALDRIX_FAKE_D2XX names no library; run through ctest";
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    TFakeConverterEnvironment environment(FakeLibrary(), sim);

    const TProgramRun run = Cli(std::string("provider=FTD_USB;serial_number=") + Serial, {"monitor", "--count", "2"});
    ASSERT_EQ(run.Status, 0) << run.Err << run.Out;
    EXPECT_EQ(run.Out, MonitorLine + MonitorLine);

    // Writes go the same way and are read back.
    const std::string connection = std::string("provider=FTD_USB;serial_number=") + Serial + ";baudrate=9600";
    EXPECT_EQ(Cli(connection, {"set-output", "4", "on"}).Status, 0);
    EXPECT_EQ(Cli(connection, {"outputs"}).Out, "outputs 0001000000\n");
}

TEST(CliOverConverter, MissingConverterOrLibraryIsAConnectionError)
{
    ASSERT_FALSE(FakeLibrary().empty());
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    {
        TFakeConverterEnvironment environment(FakeLibrary(), sim);
        const TProgramRun missing = Cli("provider=FTD_USB;serial_number=NOSUCH", {"identify"});
        EXPECT_EQ(missing.Status, 3);
        EXPECT_NE(missing.Err.find("converter NOSUCH: not found (FT_DEVICE_NOT_FOUND)"), std::string::npos)
            << missing.Err;
    }
    // Without the library: why it did not load, and the kernel driver's serial port instead.
    TFakeConverterEnvironment environment("/nonexistent/libnothing.so", sim);
    const TProgramRun noLibrary = Cli(std::string("provider=FTD_USB;serial_number=") + Serial, {"identify"});
    EXPECT_EQ(noLibrary.Status, 3);
    EXPECT_NE(noLibrary.Err.find("no converter library could be loaded (/nonexistent/"
                                 "libnothing.so: cannot open shared object file: No such file or directory"),
              std::string::npos)
        << noLibrary.Err;
    EXPECT_NE(noLibrary.Err.find("kernel's ftdi_sio driver works as a serial port instead: /dev/ttyUSB0"),
              std::string::npos)
        << noLibrary.Err;
}

TEST(CliOverConverter, MonitorsTheModuleThroughLibftdi1WithoutTheVendorLibrary)
{
    ASSERT_FALSE(FakeLibrary("VALDRIX_FAKE_LIBFTDI1").empty()) << "run through ctest";
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    TFakeConverterEnvironment environment("none", sim, FakeLibrary("VALDRIX_FAKE_LIBFTDI1"));

    const std::string connection = std::string("provider=FTD_USB;serial_number=") + Serial + ";baudrate=9600";
    const TProgramRun run = Cli(connection, {"monitor", "--count", "2"});
    ASSERT_EQ(run.Status, 0) << run.Err << run.Out;
    EXPECT_EQ(run.Out, MonitorLine + MonitorLine);
}

// The main window over a USB converter ("FTD_USB"): the fake converter library
// (VALDRIX_FAKE_D2XX) stands in for the converter library and has the module simulator
// behind its converter.
#include "test_main_fixture.h"

#include "tests/transports/ftdi/fake_d2xx/fake_d2xx_control.h"

#include <QPushButton>

#include <cstdlib>
#include <dlfcn.h>

namespace {

constexpr const char* Serial = "FTGUI001";

class MainWindowOverConverterTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        const char* path = std::getenv("VALDRIX_FAKE_D2XX");
        ASSERT_TRUE(path && *path) << "VALDRIX_FAKE_D2XX names no library; run through ctest";
        // The start-up binds the library this names.
        ::setenv("VALDRIX_D2XX_LIBRARY", path, 1);
        MainWindowTest::SetUp();
        FControl = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(FControl, nullptr);
    }
    void TearDown() override
    {
        CloseWindows();
        if (FControl) {
            Control<TFakeD2xxClearConverters>("FakeD2xxClearConverters")();
            ::dlclose(FControl);
        }
        MainWindowTest::TearDown();
        ::unsetenv("VALDRIX_D2XX_LIBRARY");
    }
    template <class F>
    F Control(const char* name)
    {
        auto function = reinterpret_cast<F>(::dlsym(FControl, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }
    void AttachModule(const TSimulator& sim)
    {
        const std::string connection = sim.Connection();
        const int port = std::atoi(connection.c_str() + connection.rfind('=') + 1);
        Control<TFakeD2xxAddModuleConverter>("FakeD2xxAddModuleConverter")(Serial, FakeSimDescription, "127.0.0.1",
                                                                            uint16_t(port));
    }

    void* FControl = nullptr;
};

} // namespace

TEST_F(MainWindowOverConverterTest, ConnectsPollsReportsAnUnpluggedConverterAndConnectsAgainWhenReplugged)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    AttachModule(sim);
    OpenWindows();
    const std::string connection = std::string("provider=FTD_USB;serial_number=") + Serial + ";baudrate=115200";
    ConnectTo(connection);
    ASSERT_TRUE(Main().Connected());
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo úspěšně navázáno."));
    EXPECT_EQ(Main().ConnectionString(), connection);
    // The panel shows what the simulated module counts.
    EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnAD1Set"))->isEnabled());

    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(Serial));
    ASSERT_TRUE(PumpUntil([&] { return StatusText() == QStringLiteral("Chyba komunikace"); }, std::chrono::seconds(30)));
    EXPECT_EQ(StatusColour(), QColor(0xFF, 0x00, 0x00));

    // Plugged in again, the converter connects anew.
    ASSERT_TRUE(Control<TFakeD2xxReplug>("FakeD2xxReplug")(Serial));
    ConnectTo(connection);
    EXPECT_EQ(StatusText(), QStringLiteral("Spojení bylo úspěšně navázáno."));
    EXPECT_EQ(Text(QStringLiteral("edtDI2Counter")), QStringLiteral("2002"));
}

TEST_F(MainWindowOverConverterTest, ReconnectsWhenTheConverterIsPluggedAgain)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    AttachModule(sim);
    OpenWindows();
    ExpectReconnectAcross(
        std::string("provider=FTD_USB;serial_number=") + Serial + ";baudrate=115200",
        [&] { ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(Serial)); },
        [&] { ASSERT_TRUE(Control<TFakeD2xxReplug>("FakeD2xxReplug")(Serial)); });
}

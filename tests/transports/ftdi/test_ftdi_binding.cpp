// The converter library binding and the device enumeration, through the fake libraries
// the build makes (VALDRIX_FAKE_D2XX, VALDRIX_FAKE_D2XX_PARTIAL).
#include "transports/ftdi/uFTDIEnum.h"
#include "transports/ftdi/uci_FTDIcore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace {

std::string FakePath(const char* variable)
{
    const char* path = std::getenv(variable);
    return path ? path : "";
}

// Binds the process's binding to one library and configures its converters through the
// library's own control functions, reached on the same loaded copy.
class FTDIBindingTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (FControl) {
            Control<void (*)()>("FakeD2xxClearConverters")();
            ::dlclose(FControl);
        }
        ReleaseFTDILibrary();
        ::unsetenv("VALDRIX_D2XX_LIBRARY");
    }

    void Bind(const char* variable)
    {
        const std::string path = FakePath(variable);
        ASSERT_FALSE(path.empty()) << variable << " names no library; run through ctest";
        ::setenv("VALDRIX_D2XX_LIBRARY", path.c_str(), 1);
        BindFTDILibrary();
        ASSERT_TRUE(FTDILibrary().Loaded());
        FControl = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(FControl, nullptr);
    }

    template <class F>
    F Control(const char* name)
    {
        auto function = reinterpret_cast<F>(::dlsym(FControl, name));
        EXPECT_NE(function, nullptr) << name;
        return function;
    }

    void Attach(const char* serialNumber, const char* description)
    {
        Control<void (*)(const char*, const char*)>("FakeD2xxAddConverter")(serialNumber, description);
    }

    void* FControl = nullptr;
};

TEST_F(FTDIBindingTest, AbsentLibraryFailsEveryCall)
{
    ::setenv("VALDRIX_D2XX_LIBRARY", "/nonexistent/libnothing.so", 1);
    BindFTDILibrary();
    EXPECT_FALSE(FTDILibrary().Loaded());
    EXPECT_TRUE(FTDILibrary().FullyBound());
    EXPECT_EQ(FTDILibrary().MissingFunctions(), "");

    EXPECT_EQ(FTDIDeviceCount(), -1);
    TFTDIDeviceList list {{"stale", 5}};
    FTDIFillDeviceList(list);
    EXPECT_TRUE(list.empty());
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(FTDILibrary().Call(&TD2xxFunctions::FT_OpenEx, "A1", FT_OPEN_BY_SERIAL_NUMBER, &handle),
              FT_NOT_BOUND);
    char text[8] = "keep";
    uint32_t capacity = sizeof text;
    EXPECT_EQ(FTDIDeviceDescription(0, text, capacity), FT_NOT_BOUND);
    EXPECT_EQ(capacity, sizeof text);
    EXPECT_STREQ(text, "keep");
}

TEST_F(FTDIBindingTest, TwoConvertersAreListedWithTheirIndices)
{
    ASSERT_NO_FATAL_FAILURE(Bind("VALDRIX_FAKE_D2XX"));
    EXPECT_EQ(FTDILibrary().MissingFunctions(), "");
    EXPECT_EQ(FTDIDeviceCount(), 0);
    Attach("FT0001", "Valdrix USB A");
    Attach("FT0002", "Valdrix USB B");
    EXPECT_EQ(FTDIDeviceCount(), 2);

    TFTDIDeviceList list;
    FTDIFillDeviceList(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Description, "Valdrix USB A");
    EXPECT_EQ(list[0].DeviceIndex, 0);
    EXPECT_EQ(list[1].Description, "Valdrix USB B");
    EXPECT_EQ(list[1].DeviceIndex, 1);
    EXPECT_EQ(FTDIEntrySerialNumber(list, 1), "FT0002");
    EXPECT_EQ(FTDIEntrySerialNumber(list, -1), "");
    EXPECT_EQ(FTDIEntrySerialNumber(list, 2), "");
}

TEST_F(FTDIBindingTest, ConverterWithoutDescriptionIsLeftOut)
{
    ASSERT_NO_FATAL_FAILURE(Bind("VALDRIX_FAKE_D2XX"));
    Attach("FT0001", "");
    Attach("FT0002", "Second");
    TFTDIDeviceList list;
    FTDIFillDeviceList(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].DeviceIndex, 1) << "the entry keeps the device's own index";
    EXPECT_EQ(FTDIEntrySerialNumber(list, 0), "FT0002");
}

TEST_F(FTDIBindingTest, TextBufferCapacityRules)
{
    ASSERT_NO_FATAL_FAILURE(Bind("VALDRIX_FAKE_D2XX"));
    Attach("FT0001", "Converter"); // 9 characters

    uint32_t capacity = 0;
    EXPECT_EQ(FTDIDeviceDescription(0, nullptr, capacity), FT_OK);
    EXPECT_EQ(capacity, 10u) << "asking for the size gives length + 1";

    char exact[10];
    capacity = sizeof exact;
    EXPECT_EQ(FTDIDeviceDescription(0, exact, capacity), FT_OK);
    EXPECT_STREQ(exact, "Converter");
    EXPECT_EQ(capacity, 9u) << "on success the length";

    char small[9] = "untouchd";
    capacity = sizeof small;
    EXPECT_NE(FTDIDeviceDescription(0, small, capacity), FT_OK);
    EXPECT_EQ(capacity, 10u);
    EXPECT_STREQ(small, "untouchd") << "a short buffer is not overrun";

    char serial[16];
    capacity = sizeof serial;
    EXPECT_EQ(FTDIDeviceSerialNumber(0, serial, capacity), FT_OK);
    EXPECT_STREQ(serial, "FT0001");

    capacity = sizeof serial;
    EXPECT_NE(FTDIDeviceSerialNumber(5, serial, capacity), FT_OK) << "no such device";
    EXPECT_EQ(capacity, sizeof serial);
}

TEST_F(FTDIBindingTest, CallsReachTheLibraryWithTheirArguments)
{
    ASSERT_NO_FATAL_FAILURE(Bind("VALDRIX_FAKE_D2XX"));
    Attach("FT0001", "Loopback");
    const TFTDIBinding& d2xx = FTDILibrary();
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(d2xx.Call(&TD2xxFunctions::FT_OpenEx, "FT0001", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    ASSERT_NE(handle, nullptr);

    const std::string bytes("\x01\x00\xFF" "abc", 6);
    uint32_t done = 0;
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_Write, handle, bytes.data(), uint32_t(bytes.size()), &done), FT_OK);
    EXPECT_EQ(done, bytes.size());
    uint32_t waiting = 0;
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_GetQueueStatus, handle, &waiting), FT_OK);
    EXPECT_EQ(waiting, bytes.size());
    std::string back(waiting, '\0');
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_Read, handle, back.data(), waiting, &done), FT_OK);
    EXPECT_EQ(back, bytes);

    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_Close, handle), FT_OK);
    EXPECT_NE(d2xx.Call(&TD2xxFunctions::FT_Close, handle), FT_OK) << "the handle is closed";
}

TEST_F(FTDIBindingTest, PartialLibraryNamesWhatIsMissing)
{
    ASSERT_NO_FATAL_FAILURE(Bind("VALDRIX_FAKE_D2XX_PARTIAL"));
    Attach("FT0001", "Old library");
    const TFTDIBinding& d2xx = FTDILibrary();
    EXPECT_EQ(d2xx.MissingFunctions(), "FT_EraseEE\rFT_EE_Read\rFT_EE_Program\r");
    EXPECT_FALSE(d2xx.FullyBound());
    EXPECT_EQ(FTDIDeviceCount(), -1) << "not counted through a half-bound library";

    FT_HANDLE handle = nullptr;
    ASSERT_EQ(d2xx.Call(&TD2xxFunctions::FT_OpenEx, "FT0001", FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_OK);
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_EraseEE, handle), FT_NOT_BOUND);
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_EE_Read, handle, nullptr), FT_NOT_BOUND);
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_Close, handle), FT_OK);

    ReleaseFTDILibrary();
    EXPECT_EQ(d2xx.MissingFunctions(), "") << "released: nothing bound, nothing missing";
    EXPECT_EQ(d2xx.Call(&TD2xxFunctions::FT_Close, handle), FT_NOT_BOUND);
}

// A named library is the one used: one that does not load is an error that names the file
// and why, and libftdi1 does not stand in for it; "none" chooses libftdi1.
TEST_F(FTDIBindingTest, ANamedLibraryIsTheOneUsed)
{
    const std::string ftdi1 = FakePath("VALDRIX_FAKE_LIBFTDI1");
    ASSERT_FALSE(ftdi1.empty()) << "VALDRIX_FAKE_LIBFTDI1 names no library; run through ctest";
    ::setenv("VALDRIX_LIBFTDI1_LIBRARY", ftdi1.c_str(), 1);
    const std::string notALibrary = ::testing::TempDir() + "not_a_library.so";
    FILE* file = std::fopen(notALibrary.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("not a library\n", file);
    std::fclose(file);
    struct TCase {
        std::string Named;
        bool Ftdi1; // else nothing bound
    };
    for (const TCase& c : {TCase{"/nonexistent/libftd2xx.so", false}, TCase{notALibrary, false}, TCase{"none", true},
                           TCase{"NONE", true}}) {
        ::setenv("VALDRIX_D2XX_LIBRARY", c.Named.c_str(), 1);
        BindFTDILibrary();
        EXPECT_EQ(FTDILibrary().Loaded(), c.Ftdi1) << c.Named;
        EXPECT_EQ(FTDILibrary().UsesFtdi1(), c.Ftdi1) << c.Named;
        if (c.Ftdi1) continue;
        const std::string reason = FTDIOpenFailureText("A1", FT_NOT_BOUND);
        EXPECT_NE(reason.find("could be loaded (" + c.Named + ": "), std::string::npos) << reason;
        EXPECT_NE(reason.find("the file VALDRIX_D2XX_LIBRARY names"), std::string::npos) << reason;
    }
    std::remove(notALibrary.c_str());
    ::setenv("VALDRIX_LIBFTDI1_LIBRARY", "/nonexistent/libftdi1.so.2", 1);
}

} // namespace

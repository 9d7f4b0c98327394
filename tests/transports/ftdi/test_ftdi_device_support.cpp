#include "tests/transports/ftdi/test_ftdi_device_support.h"

#include "transports/ftdi/uci_FTDIcore.h"

#include <cstdlib>

void TFTDIRecorder::Watch(ICommunicationInterface& intf)
{
    intf.SetOnDataRcv(TCiNotifyEvent::Bind<&TFTDIRecorder::OnDataRcv>(this));
    intf.SetOnClose(TCiNotifyEvent::Bind<&TFTDIRecorder::OnClose>(this));
    intf.SetOnError(TCiErrorEvent::Bind<&TFTDIRecorder::OnError>(this));
    intf.GetConfigChangedEventer()->AddHandler(TEventerCiNotify::THandler::Bind<&TFTDIRecorder::OnConfigChanged>(this));
}

TFTDIRecord TFTDIRecorder::Snapshot()
{
    std::lock_guard lock(FLock);
    return FRecord;
}

template <class Change>
void TFTDIRecorder::Update(Change change)
{
    std::lock_guard lock(FLock);
    change(FRecord);
    FChanged.notify_all();
}

void TFTDIRecorder::OnDataRcv(ICommunicationInterface* sender)
{
    std::string bytes;
    sender->Receive(bytes);
    Update([&](TFTDIRecord& r) {
        r.Received += bytes;
        r.DataThread = std::this_thread::get_id();
    });
}

void TFTDIRecorder::OnClose(ICommunicationInterface*)
{
    Update([](TFTDIRecord& r) { ++r.Closes; });
}

void TFTDIRecorder::OnError(ICommunicationInterface*, const std::string& operation, const TCiErrorDetails& details,
                            uint32_t)
{
    Update([&](TFTDIRecord& r) { r.Errors.push_back(details.empty() ? operation : operation + ":" + details[0]); });
}

void TFTDIRecorder::OnConfigChanged(ICommunicationInterface*)
{
    Update([](TFTDIRecord& r) { ++r.ConfigChanges; });
}

void FTDIDeviceTest::SetUp()
{
    const char* variable = FOverFtdi1 ? "VALDRIX_FAKE_LIBFTDI1" : "VALDRIX_FAKE_D2XX";
    const char* path = std::getenv(variable);
    ASSERT_TRUE(path && *path) << variable << " names no library; run through ctest";
    if (FOverFtdi1)
        BindFtdi1(path);
    else
        BindLibrary(path);
    ASSERT_TRUE(FTDILibrary().Loaded());
    FControl = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(FControl, nullptr);
    Control<TFakeD2xxAddConverter>("FakeD2xxAddConverter")(LoopSerial, "Loop converter");
    Control<TFakeD2xxAddConverter>("FakeD2xxAddConverter")(OtherSerial, "Second loop converter");
}

void FTDIDeviceTest::TearDown()
{
    // Reader threads of released transports may still be closing their converters.
    EXPECT_TRUE(TFTDIDeviceThread::WaitForAllEnded(5000));
    if (FControl) {
        Control<TFakeD2xxClearConverters>("FakeD2xxClearConverters")();
        ::dlclose(FControl);
    }
    ReleaseFTDILibrary();
    ::unsetenv("VALDRIX_D2XX_LIBRARY");
    ::setenv("VALDRIX_LIBFTDI1_LIBRARY", "/nonexistent/libftdi1.so.2", 1);
}

void FTDIDeviceTest::BindLibrary(const std::string& path)
{
    ::setenv("VALDRIX_D2XX_LIBRARY", path.c_str(), 1);
    BindFTDILibrary();
}

void FTDIDeviceTest::BindFtdi1(const std::string& path)
{
    ::setenv("VALDRIX_LIBFTDI1_LIBRARY", path.c_str(), 1);
    BindLibrary("none");
}

IntfPtr<TFTDIDevice> FTDIDeviceTest::NewDevice(const std::string& connection)
{
    IntfPtr<TFTDIDevice> device = MakeObj<TFTDIDevice>();
    FRecorder.Watch(*device);
    if (!connection.empty()) device->SetConfiguration(connection);
    return device;
}

TFakeLineSettings FTDIDeviceTest::LineSettings(const char* serialNumber)
{
    TFakeLineSettings settings{};
    EXPECT_TRUE(Control<TFakeD2xxLineSettings>("FakeD2xxLineSettings")(serialNumber, &settings));
    return settings;
}

int FTDIDeviceTest::OpenCount(const char* serialNumber)
{
    return Control<TFakeD2xxOpenCount>("FakeD2xxOpenCount")(serialNumber);
}

bool FTDIDeviceTest::ConverterHeld(uint32_t index)
{
    uint32_t flags = 0;
    EXPECT_EQ(FTDILibrary().Call(&TD2xxFunctions::FT_GetDeviceInfoDetail, index, &flags, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
              FT_OK);
    return (flags & 1) != 0;
}

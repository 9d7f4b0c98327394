// The USB converter transport without the vendor library: the binding falls back to
// libftdi1 (here its stand-in, which drives the same fake converters), and the reader
// polls the converter since libftdi1 cannot signal arrivals.
#include "tests/transports/ftdi/test_ftdi_device_support.h"

#include "framework/uSync.h"
#include "tests/transports/tcp_test_peer.h"
#include "tests/transports/test_wait_support.h"
#include "transports/ftdi/uFTDIEnum.h"

class FTDIOverFtdi1 : public FTDIDeviceTest {
protected:
    FTDIOverFtdi1() { FOverFtdi1 = true; }
};

TEST_F(FTDIOverFtdi1, ListsAndOpensConvertersBySerialNumberWithTheirSettings)
{
    ASSERT_TRUE(FTDILibrary().UsesFtdi1());
    ASSERT_TRUE(FTDILibrary().FullyBound()) << FTDILibrary().MissingFunctions();
    TFTDIDeviceList list;
    FTDIFillDeviceList(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Description, "Second loop converter");
    EXPECT_EQ(FTDIEntrySerialNumber(list, 1), OtherSerial);

    IntfPtr<TFTDIDevice> device =
        NewDevice(std::string("serial_number=") + OtherSerial + ";baudrate=9600;databits=7;stopbits=Two;parity=Even;"
                                                                 "dtr=0;active=1");
    ASSERT_TRUE(device->IsOpen());
    EXPECT_EQ(OpenCount(OtherSerial), 1);
    const TFakeLineSettings settings = LineSettings(OtherSerial);
    EXPECT_EQ(settings.BaudRate, 9600u);
    EXPECT_EQ(settings.DataBits, 7);
    EXPECT_EQ(settings.StopBits, 2);
    EXPECT_EQ(settings.Parity, 2);
    EXPECT_FALSE(settings.Dtr);
    EXPECT_TRUE(settings.Rts);

    IntfPtr<TFTDIDevice> missing = NewDevice("serial_number=NOSUCH");
    EXPECT_FALSE(missing->Open());
}

// Bytes read from the converter stay buffered until taken: the count waiting, the read
// and the purge all work from that buffer.
TEST_F(FTDIOverFtdi1, ReceivedBytesAreBufferedAndAnnouncedByThePollingReader)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    const std::string bytes("\x00\x01payload\xFF\x00", 11);
    EXPECT_EQ(device->Send(bytes), int32_t(bytes.size()));
    EXPECT_TRUE(FRecorder.WaitFor([&](const TFTDIRecord& r) { return r.Received == bytes; }));
    EXPECT_NE(FRecorder.Snapshot().DataThread, std::this_thread::get_id());

    device->SetOnDataRcv(TCiNotifyEvent());
    TWriteScope held(*device); // keeps the reader thread out
    device->Send("abcdef");
    EXPECT_EQ(device->InBuffUsed(), 6);
    EXPECT_EQ(device->InBuffUsed(), 6) << "a second look must not lose or repeat bytes";
    std::string taken;
    device->Receive(taken);
    EXPECT_EQ(taken, "abcdef");
    device->Send("xyz");
    EXPECT_EQ(device->InBuffUsed(), 3);
    device->PurgeInput();
    EXPECT_EQ(device->InBuffUsed(), 0);
}

// Nothing signals arrivals: a request that holds the link finds the answer by looking
// again every latency interval, and finds an unplugged converter gone the same way.
TEST_F(FTDIOverFtdi1, WaitForDataPollsTheConverter)
{
    TTestPeer module;
    Control<TFakeD2xxAddModuleConverter>("FakeD2xxAddModuleConverter")("FTMOD001", "Module", "127.0.0.1",
                                                                        module.Port());
    IntfPtr<TFTDIDevice> device = NewDevice("serial_number=FTMOD001;active=1");
    ASSERT_TRUE(device->IsOpen());
    ASSERT_TRUE(module.Accept());
    device->SetOnDataRcv(TCiNotifyEvent());
    TWriteScope request(*device);
    device->Send("Q?");
    EXPECT_EQ(module.Read(2), "Q?");
    ExpectWaitEndedBy(*device, TCiWaitResult::Data, [&] { module.Write("A!"); });
    std::string answer;
    device->Receive(answer);
    EXPECT_EQ(answer, "A!");

    ExpectWaitEndedBy(*device, TCiWaitResult::Closed,
                      [&] { Control<TFakeD2xxUnplug>("FakeD2xxUnplug")("FTMOD001"); });
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(FTDIOverFtdi1, TheReaderThreadNoticesAnIdleConverterGone)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(LoopSerial));
    EXPECT_TRUE(FRecorder.WaitFor([](const TFTDIRecord& r) { return r.Closes == 1; }));
    EXPECT_FALSE(device->IsOpen());
}

// A file that loads but lacks libftdi1's functions binds nothing: no devices, no open.
TEST_F(FTDIOverFtdi1, ALibraryWithoutTheFunctionsBindsNothing)
{
    const char* notFtdi1 = std::getenv("VALDRIX_FAKE_D2XX");
    ASSERT_TRUE(notFtdi1 && *notFtdi1);
    BindFtdi1(notFtdi1);
    EXPECT_TRUE(FTDILibrary().Loaded());
    EXPECT_FALSE(FTDILibrary().FullyBound());
    EXPECT_NE(FTDILibrary().MissingFunctions().find("ftdi_read_data\r"), std::string::npos);
    EXPECT_EQ(FTDIDeviceCount(), -1);
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    EXPECT_FALSE(device->Open());
}

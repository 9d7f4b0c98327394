// The USB converter transport through the fake converter library: configuration, open
// and close, and the line settings.
#include "tests/transports/ftdi/test_ftdi_device_support.h"

#include "framework/uci_ConnectionString.h"
#include "transports/uTransports.h"

using FTDIConfiguration = FTDIDeviceTest;
using FTDIOpening = FTDIDeviceTest;
using FTDILineSettings = FTDIDeviceTest;

TEST_F(FTDIConfiguration, PrintsTheSerialNumberAndTheLineSettings)
{
    IntfPtr<TFTDIDevice> device = NewDevice("provider=FTD_USB;serial_number=FT123456;baudrate=9600");
    EXPECT_EQ(device->GetConfiguration(),
              "provider=FTD_USB;serial_number=FT123456;baudrate=9600;databits=8;stopbits=One;parity=None;dtr=-1;rts=-1");
    EXPECT_NEAR(device->GetByteTime(), 10000.0 / 9600, 1e-9);

    // Keys in any case; the printed form parses back to the same settings.
    IntfPtr<TFTDIDevice> other = NewDevice("SERIAL_NUMBER=AB;Parity=even;STOPBITS=1,5;databits=7;dtr=0;rts=TRUE");
    const std::string printed = other->GetConfiguration();
    EXPECT_EQ(printed,
              "provider=FTD_USB;serial_number=AB;baudrate=115200;databits=7;stopbits=OneAndHalf;parity=Even;dtr=0;rts=-1");
    EXPECT_EQ(NewDevice(printed)->GetConfiguration(), printed);
}

TEST_F(FTDIConfiguration, NamesAndFixedProperties)
{
    IntfPtr<TFTDIDevice> device = NewDevice("serial_number=FT123456");
    std::string text = "x";
    device->GetDeviceName(text);
    EXPECT_EQ(text, "FT123456");
    device->GetDisplayName(text);
    EXPECT_EQ(text, "");
    EXPECT_EQ(device->GetDescription(), "");
    EXPECT_EQ(device->GetDeviceInfo(), "");
    EXPECT_EQ(device->GetDeviceIndex(), -1);
    EXPECT_EQ(device->GetHandle(), nullptr);
    IntfPtr<IFTDISerialPortInterface> intf;
    EXPECT_TRUE(Supports(device, intf));
}

TEST_F(FTDIConfiguration, FactoryBuildsTheTransportForItsProvider)
{
    RegisterTransports();
    IntfPtr<ICommunicationInterface> intf;
    ASSERT_TRUE(CreateCommunicationInterface("provider=ftd_usb;serial_number=FT123456;baudrate=19200", intf));
    IntfPtr<IFTDISerialPortInterface> ftdi;
    ASSERT_TRUE(Supports(intf, ftdi));
    EXPECT_EQ(ftdi->GetSerialNumber(), "FT123456");
    EXPECT_EQ(ftdi->GetBaudRate(), 19200);
    intf = nullptr;
    ftdi = nullptr;
    UnregisterTransports();
    IntfPtr<ICommunicationInterface> none;
    EXPECT_FALSE(CreateCommunicationInterface("provider=FTD_USB;serial_number=FT123456", none));
}

TEST_F(FTDIOpening, OpensByTheSerialNumberAndSendsTheStoredSettings)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    // Settings made while closed are only stored...
    device->SetParity(spEven);
    device->SetDatabits(7);
    device->SetStopBits(ssTwo);
    device->SetBaudRate(9600);
    device->SetDTR(false);
    EXPECT_EQ(device->GetParity(), spEven);
    EXPECT_EQ(OpenCount(LoopSerial), 0);
    EXPECT_EQ(FRecorder.Snapshot().Errors, std::vector<std::string>{});

    // ...and reach the converter at the next open.
    ASSERT_TRUE(device->Open());
    EXPECT_NE(device->GetHandle(), nullptr);
    EXPECT_TRUE(device->IsOpen());
    const TFakeLineSettings line = LineSettings(LoopSerial);
    EXPECT_EQ(line.BaudRate, 9600u);
    EXPECT_EQ(line.DataBits, 7);
    EXPECT_EQ(line.StopBits, ssTwo);
    EXPECT_EQ(line.Parity, spEven);
    EXPECT_FALSE(line.Dtr);
    EXPECT_TRUE(line.Rts);
    EXPECT_TRUE(ConverterHeld(0));

    ASSERT_TRUE(device->Close(false));
    EXPECT_EQ(device->GetHandle(), nullptr);
    EXPECT_FALSE(ConverterHeld(0));
    EXPECT_EQ(FRecorder.Snapshot().Closes, 1);
}

TEST_F(FTDIOpening, FailuresAreReportedAsOpen)
{
    IntfPtr<TFTDIDevice> unnamed = NewDevice("");
    EXPECT_FALSE(unnamed->Open());
    IntfPtr<TFTDIDevice> unknown = NewDevice("serial_number=NOSUCH");
    EXPECT_FALSE(unknown->Open());
    // A converter held by another transport cannot be opened twice.
    IntfPtr<TFTDIDevice> first = NewDevice(std::string("serial_number=") + LoopSerial);
    IntfPtr<TFTDIDevice> second = NewDevice(std::string("serial_number=") + LoopSerial);
    ASSERT_TRUE(first->Open());
    EXPECT_FALSE(second->Open());
    // A converter that opens but answers every call after that with the I/O error: the
    // open fails without a close report.
    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(OtherSerial));
    IntfPtr<TFTDIDevice> unplugged = NewDevice(std::string("serial_number=") + OtherSerial);
    EXPECT_FALSE(unplugged->Open());
    EXPECT_EQ(unplugged->GetHandle(), nullptr);
    EXPECT_EQ(FRecorder.Snapshot().Errors, (std::vector<std::string>{"Open", "Open", "Open", "Open"}));
    EXPECT_EQ(FRecorder.Snapshot().Closes, 0);
}

TEST_F(FTDIOpening, AbsentLibraryFailsTheOpen)
{
    BindLibrary("/nonexistent/libnothing.so");
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    EXPECT_FALSE(device->Open());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(device->ResetDevice());
    EXPECT_EQ(FRecorder.Snapshot().Errors, std::vector<std::string>{"Open"});
}

TEST_F(FTDIOpening, SameSerialNumberKeepsTheLinkAnotherReopens)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    ASSERT_TRUE(device->Open());
    const FT_HANDLE handle = device->GetHandle();
    device->SetSerialNumber(LoopSerial);
    device->SetConfiguration(std::string("serial_number=") + LoopSerial);
    EXPECT_EQ(OpenCount(LoopSerial), 1);
    EXPECT_EQ(device->GetHandle(), handle);

    device->SetSerialNumber(OtherSerial);
    EXPECT_TRUE(device->IsOpen());
    EXPECT_EQ(OpenCount(OtherSerial), 1);
    EXPECT_FALSE(ConverterHeld(0));
    EXPECT_TRUE(ConverterHeld(1));
    EXPECT_EQ(device->GetSerialNumber(), OtherSerial);
    // The switch is no close and no error for the upper layers.
    EXPECT_EQ(FRecorder.Snapshot().Closes, 0);
    EXPECT_TRUE(FRecorder.Snapshot().Errors.empty());
}

TEST_F(FTDIOpening, DisablingTheLinkClosesIt)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    device->SetLinkEnabled(false);
    EXPECT_FALSE(device->IsOpen());
    EXPECT_FALSE(device->GetLinkEnabled());
    EXPECT_FALSE(ConverterHeld(0));
    EXPECT_EQ(FRecorder.Snapshot().Closes, 1);
}

TEST_F(FTDIOpening, ResetAndEraseReachTheConverter)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    EXPECT_FALSE(device->ResetDevice());
    ASSERT_TRUE(device->Open());
    EXPECT_TRUE(device->ResetDevice());
    EXPECT_TRUE(device->EraseEE());
    char serial[FtdiDetailTextSize] = "unchanged";
    ASSERT_EQ(FTDILibrary().Call(&TD2xxFunctions::FT_GetDeviceInfoDetail, 0u, nullptr, nullptr, nullptr, nullptr,
                                 serial, nullptr, nullptr),
              FT_OK);
    EXPECT_STREQ(serial, "");
}

TEST_F(FTDILineSettings, SettersWhileOpenChangeTheConverterOrKeepTheOldValue)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=true");
    ASSERT_TRUE(device->IsOpen());
    const int changes = FRecorder.Snapshot().ConfigChanges;

    device->SetParity(spOdd);
    device->SetBaudRate(57600);
    EXPECT_EQ(LineSettings(LoopSerial).Parity, spOdd);
    EXPECT_EQ(LineSettings(LoopSerial).BaudRate, 57600u);
    EXPECT_NEAR(device->GetByteTime(), 10000.0 / 57600, 1e-9);
    EXPECT_EQ(FRecorder.Snapshot().ConfigChanges, changes + 2);

    // The converter refuses 5 data bits: the old count stays, on both sides.
    device->SetDatabits(5);
    EXPECT_EQ(device->GetDatabits(), 8);
    EXPECT_EQ(LineSettings(LoopSerial).DataBits, 8);
    // A zero rate has no byte time and never reaches the converter.
    device->SetBaudRate(0);
    EXPECT_EQ(device->GetBaudRate(), 57600);
    EXPECT_EQ(FRecorder.Snapshot().Errors, (std::vector<std::string>{"SetDatabits:5", "SetBaudRate:0"}));
    EXPECT_TRUE(device->IsOpen());
}

TEST_F(FTDILineSettings, ModemInputsAreReadFromTheConverter)
{
    // The fake wires RTS to CTS and DTR to DSR.
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";dtr=0");
    EXPECT_FALSE(device->GetCTS());
    ASSERT_TRUE(device->Open());
    EXPECT_TRUE(device->GetCTS());
    EXPECT_FALSE(device->GetDSR());
    device->SetDTR(true);
    device->SetRTS(false);
    EXPECT_TRUE(device->GetDSR());
    EXPECT_FALSE(device->GetCTS());
    EXPECT_TRUE(device->GetDTR());
    EXPECT_FALSE(device->GetRTS());
}

// The serial transport's settings without a line: connection-string keys, the printed
// form, notifying setters, the byte time and the provider registration.
#include "tests/transports/serial/test_serial_support.h"

#include "framework/uExceptions.h"
#include "framework/uci_ConnectionString.h"
#include "transports/uTransports.h"

#include <gtest/gtest.h>

namespace {

IntfPtr<TSerialPortInterface> Configured(const std::string& text)
{
    IntfPtr<TSerialPortInterface> port = MakeObj<TSerialPortInterface>();
    port->SetConfiguration(text);
    return port;
}

std::string DeviceName(TSerialPortInterface& port)
{
    std::string name;
    port.GetDeviceName(name);
    return name;
}

std::string ConvertError(TSerialPortInterface& port, const std::string& text)
{
    try {
        port.SetConfiguration(text);
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return "no error";
}

} // namespace

TEST(SerialSettings, TheExampleConfigurationParsesAndPrintsBack)
{
    auto port = Configured("comport=3;baudrate=19200;parity=even;stopbits=1,5;databits=7;dtr=0;rts=TRUE");
    EXPECT_EQ(port->GetComNumber(), 3);
    EXPECT_EQ(DeviceName(*port), "COM3");
    EXPECT_EQ(port->GetBaudRate(), 19200);
    EXPECT_EQ(port->GetDatabits(), 7);
    EXPECT_EQ(port->GetParity(), spEven);
    EXPECT_EQ(port->GetStopBits(), ssOneAndHalf);
    EXPECT_FALSE(port->GetDTR());
    EXPECT_TRUE(port->GetRTS());
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->GetConfiguration(), "baudrate=19200;databits=7;stopbits=OneAndHalf;parity=Even;dtr=0;rts=-1;comport=3");

    // The printed form carries everything: a fresh transport given it prints the same.
    EXPECT_EQ(Configured(port->GetConfiguration())->GetConfiguration(), port->GetConfiguration());
}

TEST(SerialSettings, DefaultsAndDisplayNames)
{
    IntfPtr<TSerialPortInterface> fresh = MakeObj<TSerialPortInterface>();
    EXPECT_EQ(DeviceName(*fresh), "");
    EXPECT_EQ(fresh->GetOutBufSize(), 10000000);
    EXPECT_EQ(fresh->GetInBufSize(), 10000000);
    EXPECT_DOUBLE_EQ(fresh->GetByteTime(), 1.0);

    EXPECT_EQ(Configured("comport=3")->GetConfiguration(),
              "baudrate=9600;databits=8;stopbits=One;parity=None;dtr=-1;rts=-1;comport=3");
    EXPECT_EQ(DeviceName(*Configured("baudrate=9600")), "COM unknown");
    std::string display;
    Configured("comport=12")->GetDisplayName(display);
    EXPECT_EQ(display, "COM12");
}

TEST(SerialSettings, PortNumberFromTheComForm)
{
    EXPECT_EQ(Configured("com7")->GetComNumber(), 7);
    auto port = Configured("comport=2");
    port->SetConfiguration("COM7\nbaudrate=4800"); // the rest after "COM" is no number
    EXPECT_EQ(port->GetComNumber(), 2);
    EXPECT_EQ(port->GetBaudRate(), 4800);
    // No port has these numbers: refused, and the port stays as it was.
    for (const char* text : {"comport=70000", "comport=99999", "comport=-1"}) {
        EXPECT_EQ(ConvertError(*port, text), "comport " + std::string(text + 8) + " is outside 0..65535");
        EXPECT_EQ(port->GetComNumber(), 2) << text;
    }
}

TEST(SerialSettings, UnknownTextsKeepTheValueAndBadNumbersRaise)
{
    auto port = Configured("comport=1;parity=mark;stopbits=two");
    TSerialEvents events(port.get());
    port->SetConfiguration("parity=odd2;stopbits=3");
    EXPECT_EQ(port->GetParity(), spMark);
    EXPECT_EQ(port->GetStopBits(), ssTwo);
    port->SetConfiguration("stopbits=1.5;parity=SPACE");
    EXPECT_EQ(port->GetStopBits(), ssOneAndHalf);
    EXPECT_EQ(port->GetParity(), spSpace);
    EXPECT_TRUE(events.Errors().empty());

    // Keys applied before the bad one stay applied.
    EXPECT_EQ(ConvertError(*port, "comport=4;baudrate=fast;databits=5"), "'fast' is not a valid integer value");
    EXPECT_EQ(port->GetComNumber(), 4);
    EXPECT_EQ(port->GetDatabits(), 8);
    EXPECT_EQ(ConvertError(*port, "databits=6;dtr=0;rts=maybe"), "'maybe' is not a valid boolean value");
    EXPECT_EQ(port->GetDatabits(), 6);
    EXPECT_FALSE(port->GetDTR());
    EXPECT_EQ(ConvertError(*port, "comport=x"), "'x' is not a valid integer value");
    port->SetConfiguration("dtr=5;rts=false");
    EXPECT_TRUE(port->GetDTR());
    EXPECT_FALSE(port->GetRTS());
}

TEST(SerialSettings, NotifyingSettersReportSuccessAndFailure)
{
    auto port = Configured("comport=1");
    TSerialEvents events(port.get());

    port->SetBaudRate(115200);
    EXPECT_EQ(port->GetBaudRate(), 115200);
    EXPECT_NEAR(port->GetByteTime(), 10000.0 / 115200, 1e-9);
    port->SetParity(spOdd);
    port->SetStopBits(ssTwo);
    port->SetDatabits(5);
    port->SetDTR(false);
    port->SetRTS(false);
    EXPECT_EQ(events.ConfigChanges, 6);
    EXPECT_TRUE(events.Errors().empty());
    EXPECT_EQ(port->GetConfiguration(), "baudrate=115200;databits=5;stopbits=Two;parity=Odd;dtr=0;rts=0;comport=1");

    // Refused values leave the settings alone and name the operation and the value.
    port->SetBaudRate(0);
    port->SetDatabits(9);
    port->SetParity(7);
    const std::vector<TSerialError> errors = events.Errors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].Operation, "SetBaudRate");
    EXPECT_EQ(errors[0].Details, TCiErrorDetails{"0"});
    EXPECT_EQ(errors[1].Operation, "SetDatabits");
    EXPECT_EQ(errors[1].Details, TCiErrorDetails{"9"});
    EXPECT_EQ(errors[2].Operation, "SetParity");
    EXPECT_EQ(port->GetBaudRate(), 115200);
    EXPECT_NEAR(port->GetByteTime(), 10000.0 / 115200, 1e-9);
    EXPECT_EQ(port->GetDatabits(), 5);
    EXPECT_EQ(port->GetParity(), spOdd);
    EXPECT_EQ(events.ConfigChanges, 6);
}

TEST(SerialSettings, NamesOfTheValueTables)
{
    EXPECT_EQ(SerialSignalName(sigRTS), "RTS");
    EXPECT_EQ(SerialSignalName(sigRING), "RING");
    EXPECT_EQ(SerialSignalName(5), "");
    uint8_t value = 9;
    EXPECT_FALSE(ParseSerialStopBits("1;5", value));
    EXPECT_EQ(value, 9);
    EXPECT_TRUE(ParseSerialStopBits("OneAndHalf", value));
    EXPECT_EQ(SerialStopBitsName(value), "OneAndHalf");
    EXPECT_TRUE(ParseSerialParity("nOnE", value));
    EXPECT_EQ(SerialParityName(value), "None");
}

TEST(SerialSettings, TheFactoryBuildsTheSerialTransport)
{
    RegisterTransports();
    IntfPtr<ICommunicationInterface> intf;
    ASSERT_TRUE(CreateCommunicationInterface("provider=serial_port; comport = 6 ;baudrate=57600", intf));
    IntfPtr<ISerialPortInterface> serial;
    ASSERT_TRUE(Supports(intf.get(), serial));
    EXPECT_TRUE(Supports(intf.get(), ISerialCommunicationInterface::IID));
    EXPECT_EQ(serial->GetBaudRate(), 57600);
    std::string name;
    intf->GetDeviceName(name);
    EXPECT_EQ(name, "COM6");
    EXPECT_EQ(intf->GetConfiguration(), "baudrate=57600;databits=8;stopbits=One;parity=None;dtr=-1;rts=-1;comport=6");
    UnregisterTransports();
}

#include "framework/uExceptions.h"
#include "framework/uci_ConnectionString.h"
#include "framework/ci_test_transport.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionStringValue, SubstringLookupUpToNextSeparator)
{
    const std::string text = "provider=SERIAL_PORT;comport=3;baudrate=9600";
    EXPECT_EQ(GetConnectionStringValue(text, "baudrate", "x"), "9600");
    EXPECT_EQ(GetConnectionStringValue(text, "BaudRate", "x"), "9600");
    EXPECT_EQ(GetConnectionStringValue(text, "parity", "x"), "x");
    EXPECT_EQ(GetConnectionStringValue("a=1;b=2", "b", ""), "2");
    // Present but empty is not missing.
    EXPECT_EQ(GetConnectionStringValue("a=1;b=", "b", "z"), "");
    // A longer key ending in the wanted one matches first; values keep their case.
    EXPECT_EQ(GetConnectionStringValue("comport=3;port=7", "port", ""), "3");
    EXPECT_EQ(GetConnectionStringValue("host=Module1 ;x=1", "HOST", ""), "Module1 ");
    EXPECT_EQ(GetConnectionStringValue("", "host", "d"), "d");
}

TEST(ConnectionStringValue, IntegerConversionFallsBackToDefault)
{
    EXPECT_EQ(GetConnectionStringInt("comport=COM3", "comport", 1), 1);
    EXPECT_EQ(GetConnectionStringInt("comport=3", "comport", 1), 3);
    EXPECT_EQ(GetConnectionStringInt("offset=-12", "offset", 0), -12);
    EXPECT_EQ(GetConnectionStringInt("port=", "port", 5), 5);
    EXPECT_EQ(GetConnectionStringInt("port=99999999999", "port", 5), 5);
    EXPECT_EQ(GetConnectionStringInt("port=12x", "port", 5), 5);
    EXPECT_EQ(GetConnectionStringInt("a=1", "port", 7), 7);
}

TEST(ConnectionStringLines, FirstLineWinsAndValueKeepsEquals)
{
    const TConnectionStringLines lines("host=a;HOST=b;\r\nkey=x=y; spaced=1");
    std::string value;
    ASSERT_TRUE(lines.Find("Host", value));
    EXPECT_EQ(value, "a");
    ASSERT_TRUE(lines.Find("key", value));
    EXPECT_EQ(value, "x=y");
    // No trimming: " spaced" is a different key.
    EXPECT_FALSE(lines.Find("spaced", value));
    EXPECT_TRUE(lines.Find(" spaced", value));
    EXPECT_FALSE(lines.Find("", value));
}

TEST(ConnectionStringInt, StrictDecimalConversion)
{
    int32_t v = 0;
    EXPECT_TRUE(TryStrToInt("+42", v));
    EXPECT_EQ(v, 42);
    EXPECT_FALSE(TryStrToInt("", v));
    EXPECT_FALSE(TryStrToInt("+", v));
    EXPECT_FALSE(TryStrToInt(" 1", v));
    EXPECT_FALSE(TryStrToInt("2147483648", v));
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_THROW(StrToInt("abc"), EConvertError);
}

// Constructs the test transport; "port" must be a number, as in real transports.
IntfPtr<ICommunicationInterface> ConstructStrict(const std::string& text)
{
    std::string port;
    if (TConnectionStringLines(text).Find("port", port)) StrToInt(port);
    return ConstructCommunicationInterface<TTestTransport>(text);
}

IntfPtr<ICommunicationInterface> ConstructOther(const std::string& text)
{
    return ConstructCommunicationInterface<TTestTransport>(text);
}

class ProviderRegistry : public ::testing::Test {
protected:
    void SetUp() override { RegisterProvider(&ConstructStrict, "TEST_CLIENT"); }
    void TearDown() override
    {
        while (UnregisterProvider(&ConstructStrict)) {
        }
        while (UnregisterProvider(&ConstructOther)) {
        }
    }
};

TEST_F(ProviderRegistry, FindMatchesWithoutCaseFirstEntryWins)
{
    RegisterProvider(&ConstructOther, "test_client");
    TCommunicationInterfaceClass cls = nullptr;
    ASSERT_TRUE(FindProvider("Test_Client", cls));
    EXPECT_EQ(cls, &ConstructStrict);
    EXPECT_TRUE(UnregisterProvider(&ConstructStrict));
    ASSERT_TRUE(FindProvider("TEST_CLIENT", cls));
    EXPECT_EQ(cls, &ConstructOther);
    EXPECT_TRUE(UnregisterProvider(&ConstructOther));
    EXPECT_FALSE(UnregisterProvider(&ConstructOther));

    cls = &ConstructOther;
    EXPECT_FALSE(FindProvider("TEST_CLIENT", cls));
    EXPECT_EQ(cls, &ConstructOther); // untouched
}

TEST_F(ProviderRegistry, FactoryRemovesSpacesAndSplitsPairsIntoLines)
{
    IntfPtr<ICommunicationInterface> intf;
    ASSERT_TRUE(CreateCommunicationInterface(" PROVIDER = test_client ; host = mod ule1 \r\n;port=10001", intf));
    ASSERT_TRUE(intf);
    EXPECT_EQ(intf->GetConfiguration(), "PROVIDER=test_client\rhost=module1\rport=10001");
}

TEST_F(ProviderRegistry, FactoryRefusesUnknownOrMissingProvider)
{
    IntfPtr<ICommunicationInterface> before = ConstructOther("");
    IntfPtr<ICommunicationInterface> intf = before;
    for (const char* text : {"provider=NOSUCH;host=module1", "host=module1;port=1", "", ";;;", "provider",
                             "provider=", "=TEST_CLIENT"}) {
        EXPECT_FALSE(CreateCommunicationInterface(text, intf)) << text;
        EXPECT_EQ(intf, before) << text;
    }
}

TEST_F(ProviderRegistry, FactoryPassesTheTransportsConversionError)
{
    IntfPtr<ICommunicationInterface> intf;
    EXPECT_THROW(CreateCommunicationInterface("provider=TEST_CLIENT;port=abc", intf), EConvertError);
    EXPECT_FALSE(intf);
}

} // namespace

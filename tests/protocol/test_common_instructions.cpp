// Data of the common instructions: identification text, baud-rate table, address texts.
#include "framework/uDateTime.h"
#include "protocol/uTarvelCommonInstructions.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

TEST(CommonInstructionData, IdentificationFields)
{
    TTarvelIdentification id = SplitTarvelIdentification("Valdrix ; v 2.14 ; IO-16/10 ;extra");
    EXPECT_EQ(id.Name, "Valdrix");
    EXPECT_EQ(id.Version, "2.14");
    EXPECT_EQ(id.Third, "IO-16/10");

    id = SplitTarvelIdentification("Valdrix;1.0");
    EXPECT_EQ(id.Version, "1.0") << "no v: nothing deleted";
    EXPECT_EQ(id.Third, "");

    id = SplitTarvelIdentification("just text");
    EXPECT_EQ(id.Name, "");
    EXPECT_EQ(id.Version, "");
    EXPECT_EQ(id.Third, "just text");

    id = SplitTarvelIdentification("A;xyz v3;\0B"s);
    EXPECT_EQ(id.Version, "3");
    EXPECT_EQ(id.Third, "B") << "control characters are trimmed like blanks";
}

TEST(CommonInstructionData, BaudRateTable)
{
    EXPECT_EQ(TarvelBaudRateOfCode(6), 9600u);
    EXPECT_EQ(TarvelBaudRateOfCode(11), 230400u);
    EXPECT_EQ(TarvelBaudRateOfCode(12), 0u);
    EXPECT_EQ(TarvelBaudRateOfCode(-1), 0u);
    EXPECT_EQ(TarvelBaudRateCode(110), 0);
    EXPECT_EQ(TarvelBaudRateCode(115200), 10);
    EXPECT_EQ(TarvelBaudRateCode(14400), -1);
}

TEST(CommonInstructionData, RequestLayouts)
{
    EXPECT_EQ(EncodeE2Text("abcdefghijklmnopqrst"), "\0abcdefghijklmnop"s);
    EXPECT_EQ(EncodeE2Text("ab"), "\0ab\0"s);
    EXPECT_EQ(EncodeE2Text("abcdefghijklmnop"), "\0abcdefghijklmnop"s);
    EXPECT_EQ(EncodeAddressByNumbers(0x32, 0x1234, 0xABCD), "\x32\x12\x34\xAB\xCD"s);

    uint16_t n1 = 0, n2 = 0;
    uint32_t n3 = 0;
    ASSERT_TRUE(DecodeFANumbers("\x00\x01\x02\x03\xDE\xAD\xBE\xEF\x99"s, n1, n2, n3));
    EXPECT_EQ(n1, 1);
    EXPECT_EQ(n2, 0x0203);
    EXPECT_EQ(n3, 0xDEADBEEFu);
    EXPECT_FALSE(DecodeFANumbers("\x00\x01\x02\x03\xDE\xAD\xBE"s, n1, n2, n3));
}

TEST(CommonInstructionData, AddressTexts)
{
    EXPECT_EQ(FormatAddressText(0x31), "#$31");
    EXPECT_EQ(FormatAddressText(0xFE), "#$FE");
    EXPECT_EQ(ParseAddressText("#$FE"), 254);
    EXPECT_EQ(ParseAddressText("#$fe"), 254);
    EXPECT_EQ(ParseAddressText("1"), 49);
    EXPECT_EQ(ParseAddressText(""), 0);
    EXPECT_EQ(ParseAddressText("#300"), 300 & 0xFF);
    EXPECT_EQ(ParseAddressText("#12x"), 0);
    EXPECT_EQ(ParseAddressText("#"), '#');
    EXPECT_EQ(ParseAddressText("#$"), 0);
    EXPECT_EQ(ParseAddressText("49"), 0);
}

TEST(DateTimeValue, CalendarRoundTrip)
{
    EXPECT_DOUBLE_EQ(EncodeDateTime({1970, 1, 1, 0, 0, 0}), UnixEpochDateTime);
    double v = 0;
    ASSERT_TRUE(ParseDateTimeIso("2024-02-29 23:59:59", v));
    EXPECT_EQ(FormatDateTimeIso(v), "2024-02-29 23:59:59");
    EXPECT_FALSE(ParseDateTimeIso("2023-02-29 00:00:00", v));
    EXPECT_FALSE(ParseDateTimeIso("2024-01-01 24:00:00", v));
    EXPECT_FALSE(ParseDateTimeIso("2024-01-01T00:00:00", v));
    EXPECT_FALSE(ParseDateTimeIso("2024-01-01 00:00:00x", v));
    EXPECT_EQ(FormatDateTimeIso(EncodeDateTime({2024, 3, 1, 23, 59, 59}) + 0.7 / 86400), "2024-03-02 00:00:00");
}

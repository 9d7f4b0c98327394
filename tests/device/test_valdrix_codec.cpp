// Byte layouts of the Valdrix instruction data, checked against known byte sequences.
#include "device/uValdrixCodec.h"
#include "framework/uDateTime.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace std::string_literals;

TEST(ValdrixRequestEncoding, OutputsAndChannelFlags)
{
    TValdrixOutputBits states;
    states[1] = true;
    EXPECT_EQ(EncodeSetOutputs(states), "\x81\x02\x03\x04\x05\x06\x07\x08\x09\x0A"s);

    uint8_t inst = 0;
    std::string data;
    ASSERT_TRUE(EncodeSetOutput(3, true, 0, inst, data));
    EXPECT_EQ(inst, 0x20);
    EXPECT_EQ(data, "\x83"s);
    ASSERT_TRUE(EncodeSetOutput(3, true, 5, inst, data));
    EXPECT_EQ(inst, 0x23);
    EXPECT_EQ(data, "\x05\x83"s);
    ASSERT_TRUE(EncodeSetOutput(10, false, 255, inst, data));
    EXPECT_EQ(data, "\xFF\x0A"s);
    EXPECT_FALSE(EncodeSetOutput(11, true, 0, inst, data));
    EXPECT_FALSE(EncodeSetOutput(0, true, 0, inst, data));
    EXPECT_FALSE(EncodeSetOutput(1, true, 256, inst, data));

    ASSERT_TRUE(EncodeChannelFlags(16, true, true, data));
    EXPECT_EQ(data, "\xD0"s);
    ASSERT_TRUE(EncodeChannelFlags(1, false, true, data));
    EXPECT_EQ(data, "\x41"s);
    EXPECT_FALSE(EncodeChannelFlags(17, false, false, data));
}

TEST(ValdrixRequestEncoding, CountersStopAtFirstNegativeValue)
{
    std::string data;
    ASSERT_TRUE(EncodeCounterRequest(0, true, data));
    EXPECT_EQ(data, "\x80"s);
    ASSERT_TRUE(EncodeCounterRequest(16, false, data));
    EXPECT_EQ(data, "\x10"s);
    EXPECT_FALSE(EncodeCounterRequest(17, false, data));

    ASSERT_TRUE(EncodeSetCounter(2, 0xFFFF'FFFF, data));
    EXPECT_EQ(data, "\x02\xFF\xFF\xFF\xFF"s);
    EXPECT_FALSE(EncodeSetCounter(2, 0x1'0000'0000, data)) << "refused, not cut to 32 bits";
    EXPECT_FALSE(EncodeSetCounter(2, -1, data));

    TValdrixCounters values;
    values[1] = 1;
    values[2] = 0x01020304;
    values[3] = -5;
    values[4] = 7;
    ASSERT_TRUE(EncodeSetCounters(values, data));
    EXPECT_EQ(data, "\x00\x00\x00\x00\x01\x01\x02\x03\x04"s);
    values[3] = 0;
    ASSERT_TRUE(EncodeSetCounters(values, data));
    EXPECT_EQ(data.size(), 1u + 16 * 4);
    values[16] = 0x1'0000'0000;
    EXPECT_FALSE(EncodeSetCounters(values, data));
}

TEST(ValdrixRequestEncoding, AnalogOutputsAndValues)
{
    TValdrixAnalogOutputValues values;
    values[1] = 1;
    values[2] = -1;
    values[3] = 0x1234;
    values[4] = -32768;
    std::string data = "untouched";
    ASSERT_TRUE(EncodeAnalogOutputs(values, data));
    EXPECT_EQ(data, "\x01\x00\x01\x02\xFF\xFF\x03\x12\x34\x04\x80\x00"s);

    values[2] = 40000;
    data = "untouched";
    EXPECT_FALSE(EncodeAnalogOutputs(values, data));
    EXPECT_EQ(data, "untouched");

    ASSERT_TRUE(EncodeChannelValue16(2, 4, -2, -32768, 32767, data));
    EXPECT_EQ(data, "\x02\xFF\xFE"s);
    ASSERT_TRUE(EncodeChannelValue16(4, 4, 65535, 0, 65535, data));
    EXPECT_EQ(data, "\x04\xFF\xFF"s);
    EXPECT_FALSE(EncodeChannelValue16(4, 4, 65536, 0, 65535, data));
    EXPECT_FALSE(EncodeChannelValue16(5, 4, 1, 0, 65535, data));
    EXPECT_FALSE(EncodeChannelValue16(1, 4, -32769, -32768, 32767, data));
}

TEST(ValdrixRequestEncoding, CalibrationPointRangesPairsAndClock)
{
    std::string data;
    ASSERT_TRUE(EncodeStoreOutputCalibrationPoint(2, true, data));
    EXPECT_EQ(data, "\x02\x00"s);
    ASSERT_TRUE(EncodeStoreOutputCalibrationPoint(2, false, data));
    EXPECT_EQ(data, "\x02\x01"s);
    EXPECT_FALSE(EncodeStoreOutputCalibrationPoint(5, false, data));

    TValdrixInputRanges ranges;
    ranges[1] = 0;
    ranges[2] = 1;
    ranges[3] = 6;
    ranges[4] = 1;
    ASSERT_TRUE(EncodeSetInputRanges(ranges, data));
    EXPECT_EQ(data, "\x01\x00\x02\x01\x03\x06\x04\x01"s);
    ranges[4] = 7;
    EXPECT_FALSE(EncodeSetInputRanges(ranges, data));
    ASSERT_TRUE(EncodeSetInputRange(3, 6, data));
    EXPECT_EQ(data, "\x03\x06"s);

    ASSERT_TRUE(EncodeSetThermometerPair(4, {1, 255}, data));
    EXPECT_EQ(data, "\x04\x01\xFF"s);
    EXPECT_FALSE(EncodeSetThermometerPair(4, {256, 0}, data));

    const struct {
        double dateTime;
        bool encoded;
        std::string bytes;
    } clocks[] = {
        {EncodeDateTime({1970, 1, 1, 0, 0, 1}), true, "\x00\x00\x00\x01"s},
        {EncodeDateTime({2024, 3, 1, 8, 5, 9}), true, "\x65\xE1\x8C\x35"s},
        {EncodeDateTime({2106, 2, 7, 6, 28, 15}), true, "\xFF\xFF\xFF\xFF"s},
        {EncodeDateTime({2106, 2, 7, 6, 28, 16}), false, ""},
        {EncodeDateTime({1969, 12, 31, 23, 59, 59}), false, ""},
        {std::nan(""), false, ""},
    };
    for (const auto& c : clocks) {
        data.clear();
        EXPECT_EQ(EncodeClock(c.dateTime, data), c.encoded) << c.dateTime;
        EXPECT_EQ(data, c.bytes) << c.dateTime;
    }
}

TEST(ValdrixAnswerDecoding, BitFields)
{
    TValdrixInputBits inputs;
    ASSERT_TRUE(DecodeInputBits("\x01\x80"s, inputs));
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(inputs[i], i == 8 || i == 9) << "input " << i;
    EXPECT_FALSE(DecodeInputBits("\x01\x80\x00"s, inputs));
    EXPECT_FALSE(DecodeInputBits("\x01"s, inputs));

    TValdrixOutputBits outputs;
    ASSERT_TRUE(DecodeOutputBits("\x02\x01"s, outputs));
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(outputs[i], i == 1 || i == 10) << "output " << i;
}

TEST(ValdrixAnswerDecoding, CounterWidths)
{
    int64_t values[16] = {};
    std::string answer(1, char(24));
    for (int i = 1; i <= 16; ++i) answer += std::string{char(i), 0, char(0xFF)};
    ASSERT_EQ(answer.size(), 49u);
    ASSERT_TRUE(DecodeCounters(answer, values, 16));
    EXPECT_EQ(values[0], 0x0100FF);
    EXPECT_EQ(values[15], 0x1000FF);

    answer[0] = char(12);
    EXPECT_FALSE(DecodeCounters(answer, values, 16));
    answer[0] = char(40);
    EXPECT_FALSE(DecodeCounters(answer, values, 16));

    int64_t one = 0;
    ASSERT_TRUE(DecodeCounters("\x20\xFF\xFF\xFF\xFF"s, &one, 1));
    EXPECT_EQ(one, 0xFFFFFFFFll) << "values are unsigned";
    EXPECT_FALSE(DecodeCounters("\x20\xFF\xFF\xFF"s, &one, 1));
    EXPECT_FALSE(DecodeCounters(""s, &one, 1));
}

TEST(ValdrixAnswerDecoding, RecordsInAnyOrder)
{
    TValdrixTemperatures t;
    t[2].Status = 0x80;
    ASSERT_TRUE(DecodeTemperatures(""s, t));
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(t[i].Status, 0);

    ASSERT_TRUE(DecodeTemperatures("\x03\x80\xFF\x38\x01\x81\x00\xFA"s, t));
    EXPECT_DOUBLE_EQ(t[3].Value, -20.0);
    EXPECT_EQ(t[3].Status, 0x80);
    EXPECT_DOUBLE_EQ(t[1].Value, 25.0);
    EXPECT_EQ(t[2].Status, 0);

    EXPECT_FALSE(DecodeTemperatures("\x05\x80\x00\x01"s, t));
    EXPECT_FALSE(DecodeTemperatures("\x01\x80\x00"s, t));

    // Two records for one channel: the one nearer the front wins.
    TValdrixAnalogReadings a;
    ASSERT_TRUE(DecodeAnalogReadings("\x02\x80\x80\x00\x02\x00\x00\x01"s, a));
    EXPECT_EQ(a[2].Value, 0x8000) << "analog readings are unsigned";
    EXPECT_EQ(a[2].Status, 0x80);

    TValdrixThermometerIds ids;
    ASSERT_TRUE(DecodeThermometerIds("\x04\x07" "ABCDEFGH"s, ids));
    EXPECT_EQ(ids[4].Id, "ABCDEFGH");
    EXPECT_EQ(ids[4].Status, 7);
    EXPECT_FALSE(DecodeThermometerIds("\x04\x07" "ABCDEFG"s, ids));
}

TEST(ValdrixAnswerDecoding, RecordsInFixedOrderAndSingleChannels)
{
    TValdrixAnalogOutputValues v;
    ASSERT_TRUE(DecodeAnalogOutputValues("\x01\x00\x01\x02\xFF\xFF\x03\x12\x34\x04\x80\x00"s, v));
    EXPECT_EQ(v[2], -1);
    EXPECT_EQ(v[4], -32768);
    EXPECT_FALSE(DecodeAnalogOutputValues("\x01\x00\x01\x03\xFF\xFF\x02\x12\x34\x04\x80\x00"s, v));
    EXPECT_FALSE(DecodeAnalogOutputValues("\x01\x00\x01"s, v));

    TValdrixOutputCalibrations c;
    ASSERT_TRUE(DecodeOutputCalibrations(
        "\x01\x00\x01\xFF\xFF\x02\x00\x02\x00\x03\x03\x00\x03\x00\x04\x04\x00\x04\x00\x05"s, c));
    EXPECT_EQ(c[1].High, 65535);
    EXPECT_EQ(c[4].Low, 4);

    TValdrixThermometerPairs p;
    ASSERT_TRUE(DecodeThermometerPairs("\x01\x01\x02\x02\x03\x04\x03\x05\x06\x04\xFE\xFF"s, p));
    EXPECT_EQ(p[4].Second, 255);

    int32_t out = 0;
    EXPECT_FALSE(DecodeAnalogOutputValue("\x03\x00\x05"s, 2, out));
    ASSERT_TRUE(DecodeAnalogOutputValue("\x02\x00\x05"s, 2, out));
    EXPECT_EQ(out, 5);
    TValdrixTemperature temp;
    EXPECT_FALSE(DecodeTemperature("\x01\x80\x00\x05\x02\x80\x00\x05"s, 1, temp));
    TValdrixOutputCalibration cal;
    EXPECT_FALSE(DecodeOutputCalibration("\x01\x00\x01\xFF"s, 1, cal));

    EXPECT_TRUE(DecodeUnsigned16("\xFF\xFE"s, out));
    EXPECT_EQ(out, 65534);
    EXPECT_FALSE(DecodeUnsigned16("\x01\xFF\xFE"s, out));
}

TEST(ValdrixAnswerDecoding, InputRangesAndClock)
{
    TValdrixInputRanges r;
    ASSERT_TRUE(DecodeInputRanges("\x01\x00\x02\x01\x03\x06\x04\x03"s, r));
    EXPECT_EQ(r[3], 6);
    EXPECT_EQ(r[4], 3);
    EXPECT_FALSE(DecodeInputRanges("\x01\x00\x02\x07\x03\x06\x04\x03"s, r));
    EXPECT_FALSE(DecodeInputRanges("\x01\x00\x03\x01\x02\x06\x04\x03"s, r));
    EXPECT_FALSE(DecodeInputRanges("\x01\x00\x02\x01\x03\x06"s, r));

    double dt = 0;
    ASSERT_TRUE(DecodeClock("\x65\xE1\x8C\x35"s, dt));
    EXPECT_EQ(FormatDateTimeIso(dt), "2024-03-01 08:05:09");
    ASSERT_TRUE(DecodeClock("\xFF\xFF\xFF\xFF"s, dt)) << "the seconds are unsigned";
    EXPECT_EQ(FormatDateTimeIso(dt), "2106-02-07 06:28:15");
    EXPECT_FALSE(DecodeClock("\x00\x00\x01"s, dt));
}

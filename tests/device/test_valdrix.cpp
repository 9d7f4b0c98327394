// TValdrix over an in-memory link: what each operation puts on the wire, how answers
// are checked, and the enable-configuration order.
#include "protocol/test_stack_link.h"

#include "device/uValdrix.h"
#include "device/uValdrixCalibration.h"
#include "device/uValdrixPolling.h"
#include "framework/uDateTime.h"
#include "protocol/uTarvelStack.h"

#include <gtest/gtest.h>

#include <map>

using namespace std::string_literals;

namespace {

struct ValdrixFixture : ::testing::Test {
    IntfPtr<TMemoryLink> link = MakeObj<TMemoryLink>();
    IntfPtr<TTarvelStack> stack = MakeObj<TTarvelStack>();
    IntfPtr<TValdrix> dev = MakeObj<TValdrix>(ValdrixDefaultAddress);
    std::map<int, std::pair<uint8_t, std::string>> answers; // by instruction: ack, data

    void SetUp() override
    {
        link->Open();
        stack->SetCommunicationInterface(link);
        dev->SetStack(stack);
        dev->SetTimeout(200);
        link->SetPeer([this](const TTarvelFormat97& r) -> std::optional<std::string> {
            const auto it = answers.find(r.Inst);
            if (it == answers.end()) return AnswerTo(r, 0, "");
            return AnswerTo(r, it->second.first, it->second.second);
        });
    }
    void TearDown() override
    {
        dev->SetStack(nullptr);
        stack->SetCommunicationInterface(nullptr);
    }
    void Answer(uint8_t inst, const std::string& data, uint8_t ack = 0) { answers[inst] = {ack, data}; }
    // Instruction and data of every request since the last call.
    std::vector<std::string> Wire()
    {
        std::vector<std::string> out;
        const auto requests = link->Requests();
        for (size_t i = FSeen; i < requests.size(); ++i) out.push_back(char(requests[i].Inst) + requests[i].Data);
        FSeen = requests.size();
        return out;
    }
    size_t FSeen = 0;
};

std::vector<std::string> W(std::initializer_list<std::string> items) { return items; }

} // namespace

TEST_F(ValdrixFixture, WritesPutTheirDataOnTheWire)
{
    TValdrixOutputBits outputs;
    outputs[1] = true;
    EXPECT_TRUE(dev->SetOutputs(outputs));
    EXPECT_TRUE(dev->SetOutput(3, true, 0));
    EXPECT_TRUE(dev->SetOutput(3, true, 5));
    EXPECT_TRUE(dev->StoreOutputCalibrationPoint(2, true));
    EXPECT_TRUE(dev->StoreOutputCalibrationPoint(2, false));
    EXPECT_TRUE(dev->SetChannelFlags(16, true, true));
    EXPECT_TRUE(dev->SetClock(EncodeDateTime({1970, 1, 1, 0, 0, 1})));
    EXPECT_TRUE(dev->SetAnalogOutput(2, -2, true));
    EXPECT_TRUE(dev->SetAnalogOutput(2, 100, false));
    EXPECT_TRUE(dev->SetAnalogOutputWord(1, 7));
    EXPECT_TRUE(dev->SetCounter(4, 0x10203));
    EXPECT_TRUE(dev->SetThermometerPair(1, {2, 3}));
    EXPECT_EQ(Wire(), W({"\x20\x81\x02\x03\x04\x05\x06\x07\x08\x09\x0A"s, "\x20\x83"s, "\x23\x05\x83"s,
                         "\x4E\x02\x00"s, "\x4E\x02\x01"s, "\x6A\xD0"s, "\x74\x00\x00\x00\x01"s, "\x40\x02\xFF\xFE"s,
                         "\x42\x02\x00\x64"s, "\x44\x01\x00\x07"s, "\x64\x04\x00\x01\x02\x03"s, "\x5B\x01\x02\x03"s}));

    TValdrixCounters counters;
    counters[1] = 1;
    counters[2] = 2;
    counters[3] = -1;
    EXPECT_TRUE(dev->SetCounters(counters));
    EXPECT_EQ(Wire(), W({"\x64\x00\x00\x00\x00\x01\x00\x00\x00\x02"s}));
}

TEST_F(ValdrixFixture, ArgumentsOutOfRangeSendNothing)
{
    TValdrixAnalogOutputValues values;
    values[2] = 40000;
    EXPECT_FALSE(dev->SetOutput(11, true, 0));
    EXPECT_FALSE(dev->SetOutput(1, true, 256));
    EXPECT_FALSE(dev->SetAnalogOutputs(values, true));
    EXPECT_FALSE(dev->SetAnalogOutput(5, 0, true));
    EXPECT_FALSE(dev->SetCounter(1, -1));
    EXPECT_FALSE(dev->SetInputCoefficient(1, 65536));
    EXPECT_FALSE(dev->SetInputRange(0, 1));
    EXPECT_FALSE(dev->GetCounter(17, *std::make_unique<int64_t>(), false));
    TValdrixTemperature t;
    EXPECT_FALSE(dev->GetTemperature(5, t));
    bool state = false;
    EXPECT_FALSE(dev->GetInput(17, state));
    EXPECT_TRUE(Wire().empty());
}

TEST_F(ValdrixFixture, ConfigurationWritesEnableConfigurationFirst)
{
    EXPECT_TRUE(dev->SetInputRange(2, 6));
    EXPECT_TRUE(dev->SetInputCoefficient(1, 10000));
    EXPECT_TRUE(dev->SetInputDivisions(4, 65535));
    EXPECT_EQ(Wire(), W({"\xE4"s, "\x1A\x02\x06"s, "\xE4"s, "\x12\x01\x27\x10"s, "\xE4"s, "\x1C\x04\xFF\xFF"s}));

    Answer(0xE4, "", 1);
    EXPECT_FALSE(dev->SetInputRange(1, 0));
    EXPECT_EQ(Wire(), W({"\xE4"s}));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_REFUSED);
}

TEST_F(ValdrixFixture, AnswersAreDecodedAndChecked)
{
    Answer(0x31, "\x01\x80"s);
    TValdrixInputBits inputs;
    ASSERT_TRUE(dev->GetInputs(inputs));
    EXPECT_TRUE(inputs[8] && inputs[9] && !inputs[1]);
    bool state = false;
    ASSERT_TRUE(dev->GetInput(9, state));
    EXPECT_TRUE(state);
    Answer(0x31, "\x01\x80\x00"s);
    EXPECT_FALSE(dev->GetInputs(inputs));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_OK) << "the module answered; the answer was malformed";

    Answer(0x60, "\x0C"s + std::string(24, '\0'));
    TValdrixCounters counters;
    EXPECT_FALSE(dev->GetCounters(counters, false));
    Answer(0x60, "\x10\x12\x34"s);
    int64_t counter = 0;
    ASSERT_TRUE(dev->GetCounter(3, counter, true));
    EXPECT_EQ(counter, 0x1234);
    EXPECT_EQ(Wire().back(), "\x60\x83"s);

    Answer(0x59, "");
    TValdrixTemperatures temps;
    EXPECT_TRUE(dev->GetTemperatures(temps));
    Answer(0x59, "\x05\x80\x00\x01"s);
    EXPECT_FALSE(dev->GetTemperatures(temps));

    Answer(0x43, "\x03\x00\x05"s);
    int32_t value = 0;
    EXPECT_FALSE(dev->GetAnalogOutput(2, value, false));
    Answer(0x41, "\x02\x00\x05"s);
    ASSERT_TRUE(dev->GetAnalogOutput(2, value, true));
    EXPECT_EQ(value, 5);

    Answer(0x75, "\x65\xE1\x8C\x35"s);
    double clock = 0;
    ASSERT_TRUE(dev->GetClock(clock));
    EXPECT_EQ(FormatDateTimeIso(clock), "2024-03-01 08:05:09");

    Answer(0x13, "\x01\x02\x03"s);
    EXPECT_FALSE(dev->GetInputCoefficient(1, value));
    Answer(0x1B, "\x01\x00\x02\x01\x03\x06\x04\x09"s);
    TValdrixInputRanges ranges;
    EXPECT_FALSE(dev->GetInputRanges(ranges));

    Answer(0x5F, "\x02\x80\x12\x34"s);
    TValdrixAnalogReadings readings;
    ASSERT_TRUE(dev->GetAnalogInputs(readings, true));
    EXPECT_EQ(readings[2].Value, 0x1234);
    EXPECT_FALSE(readings[1].Valid());
}

TEST(ValdrixCounts, AnswerWithoutAnyRequest)
{
    auto dev = MakeObj<TValdrix>(ValdrixDefaultAddress);
    EXPECT_EQ(dev->DigitalInputCount(), 16);
    EXPECT_EQ(dev->DigitalOutputCount(), 10);
    EXPECT_EQ(dev->AnalogInputCount(), 4);
    EXPECT_EQ(dev->CounterCount(), 16);
    EXPECT_EQ(dev->AnalogOutputCount(), 4);
    EXPECT_EQ(dev->ThermometerCount(), 4);
    TValdrixInputBits bits;
    EXPECT_FALSE(dev->GetInputs(bits)) << "no stack: fails at once";
    IntfPtr<IValdrix> intf;
    EXPECT_TRUE(Supports<IValdrix>(static_cast<IInterface*>(static_cast<IValdrix*>(dev.get())), intf));
}

TEST(ValdrixCalibrationFormula, RoundsHalvesToEvenWithoutOverflow)
{
    int64_t k = 0;
    ASSERT_TRUE(ValdrixCalibrationCoefficient(10000, 5.0, 10, 5 * 32768, 5, k));
    EXPECT_EQ(k, 10000);
    ASSERT_TRUE(ValdrixCalibrationCoefficient(10000, 10.0, 20, 5 * 32768, 5, k));
    EXPECT_EQ(k, 10000);
    // Exact halves round to even: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2.
    ASSERT_TRUE(ValdrixCalibrationCoefficient(1, 1.0, 10, 5 * 13107, 5, k)); // 65536 / 131070 = 0.500004
    EXPECT_EQ(k, 1);
    ASSERT_TRUE(ValdrixCalibrationCoefficient(1, 10.0, 10, 5 * 131072, 5, k)); // exactly 0.5
    EXPECT_EQ(k, 0);
    ASSERT_TRUE(ValdrixCalibrationCoefficient(5, 10.0, 10, 5 * 131072, 5, k)); // exactly 2.5
    EXPECT_EQ(k, 2);
    ASSERT_TRUE(ValdrixCalibrationCoefficient(3, 10.0, 10, 5 * 131072, 5, k)); // exactly 1.5
    EXPECT_EQ(k, 2);
    ASSERT_TRUE(ValdrixCalibrationCoefficient(100000, 10.0, 10, 5 * 65535, 5, k)); // D * 65536 > 2^32
    EXPECT_EQ(k, 100002); // 6553600000 / 65535 = 100001.53
    EXPECT_FALSE(ValdrixCalibrationCoefficient(10000, 0.0, 10, 5, 5, k));
    EXPECT_FALSE(ValdrixCalibrationCoefficient(10000, 5.0, 10, 0, 5, k));
}

TEST_F(ValdrixFixture, CalibrationStopsOnAnInvalidReadingAndWritesNothing)
{
    int reads = 0;
    link->SetPeer([&](const TTarvelFormat97& r) -> std::optional<std::string> {
        if (r.Inst == 0x5F) return AnswerTo(r, 0, ++reads == 3 ? "\x01\x00\x80\x00"s : "\x01\x80\x80\x00"s);
        if (r.Inst == 0x1B) return AnswerTo(r, 0, "\x01\x00\x02\x00\x03\x01\x04\x06"s);
        return AnswerTo(r, 0, "");
    });
    TValdrixCalibrationResult result = CalibrateValdrixInput(*dev, 1, 5.0, 10000);
    EXPECT_EQ(result.Status, TValdrixCalibrationStatus::CommunicationError);
    EXPECT_EQ(result.Message, "Chyba komunikace");
    EXPECT_EQ(Wire(), W({"\x5F", "\x5F", "\x5F"}));

    result = CalibrateValdrixInput(*dev, 1, 5.0, 10000);
    EXPECT_EQ(result.Status, TValdrixCalibrationStatus::Done);
    EXPECT_EQ(result.Coefficient, 10000);
    EXPECT_EQ(Wire(), W({"\x5F", "\x5F", "\x5F", "\x5F", "\x5F", "\x1B", "\xE4", "\x12\x01\x27\x10"s, "\xE4",
                         "\x1C\x01\x27\x10"s}));

    result = CalibrateValdrixInput(*dev, 1, 5.0, 70000);
    EXPECT_EQ(result.Status, TValdrixCalibrationStatus::CommunicationError);
    EXPECT_EQ(Wire().back(), "\x1B") << "a refused count writes no coefficient either";
}

TEST_F(ValdrixFixture, PollingStepsFillThePanel)
{
    Answer(0x51, "");
    Answer(0x5F, "\x04\x80\x00\x09"s);
    Answer(0x30, "\x02\x01"s);
    TValdrixPanel panel;
    EXPECT_TRUE(PollValdrixStep(*dev, 0, panel));
    EXPECT_TRUE(panel.AnalogValid);
    EXPECT_EQ(panel.AnalogRaw[4].Value, 9);
    EXPECT_TRUE(PollValdrixStep(*dev, 2, panel));
    EXPECT_TRUE(panel.Outputs[10] && panel.Outputs[1]);
    EXPECT_TRUE(PollValdrixStep(*dev, 7, panel));
    Answer(0x31, "\x01"s);
    Wire();
    EXPECT_FALSE(PollValdrixStep(*dev, 1, panel));
    EXPECT_EQ(Wire().size(), 2u) << "a failed read is repeated once";
}

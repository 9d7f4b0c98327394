// Analog calibration against the simulated module: ranges, input calibration, output
// calibration points and the ramp test.
#include "test_main_fixture.h"

#include "controls/uDoubleEdit.h"
#include "controls/uIntEdit.h"
#include "device/uValdrixCodec.h"
#include "framework/uci_SpySink.h"
#include "protocol/uTarvel97.h"

#include <QComboBox>
#include <QPushButton>

#include <mutex>

namespace {

// Collects the data of every request with one instruction sent through any link.
class TSentRequests {
public:
    explicit TSentRequests(uint8_t inst) : FInst(inst)
    {
        FPrevious = GetSpySink();
        SetSpySink(TSpySink::Bind<&TSentRequests::Collect>(this));
    }
    ~TSentRequests() { SetSpySink(FPrevious); }

    std::vector<std::string> Data()
    {
        std::lock_guard lock(FLock);
        return FData;
    }

private:
    void Collect(ICommunicationInterface*, const std::string& bytes, uint8_t direction)
    {
        if (direction != SpyDirectionSent) return;
        std::string buffer = bytes;
        TTarvelFormat97 packet;
        std::lock_guard lock(FLock);
        while (FindTarvel97Packet(buffer, packet, true))
            if (packet.Inst == FInst) FData.push_back(packet.Data);
    }

    uint8_t FInst;
    TSpySink FPrevious;
    std::mutex FLock;
    std::vector<std::string> FData;
};

} // namespace

class CalibrationTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(Sim.Ready());
        OpenWindows();
        ConnectTo(Sim.Connection());
    }

    void Calibrate(int input, double applied, int divisions)
    {
        Find<TDoubleEdit>(QStringLiteral("deADRealValue"))->SetValue(applied);
        Find<TIntEdit>(QStringLiteral("ieADMaxRange"))->SetValue(divisions);
        Click(QStringLiteral("btnAD%1Calibration").arg(input));
    }

    int32_t Coefficient(int input)
    {
        int32_t value = -1;
        EXPECT_TRUE(Module([&](IValdrix& d) { return d.GetInputCoefficient(input, value); }));
        return value;
    }

    // Input 1 (10 V range) and input 3 (20 mA range) read raw 32768; input 2 stays at 12500.
    TSimulator Sim{{"--volts", "1:6.5536", "--milliamps", "3:13.1072"}};
};

TEST_F(CalibrationTest, CalibratingAnInputWritesCoefficientAndDivisions)
{
    // 5.0 V applied, 10000 divisions, raw 32768: K = 10000 * 65536 * 5 / (10 * 32768) = 10000.
    TSentRequests coefficients(0x12);
    Calibrate(1, 5.0, 10000);
    EXPECT_EQ(StatusText(), QString());
    EXPECT_EQ(StatusColour(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(Coefficient(1), 10000);
    int32_t divisions = -1;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetInputDivisions(1, divisions); }));
    EXPECT_EQ(divisions, 10000);
    EXPECT_EQ(coefficients.Data().size(), 1u);

    // Input 3 is on a current range (F = 20 mA): 10 mA applied on raw 32768 gives K = 10000 too.
    Calibrate(3, 10.0, 10000);
    EXPECT_EQ(Coefficient(3), 10000);

    // Input 2 reads 12500: 12000 divisions at 5 V give K = 12000 * 65536 * 5 / (10 * 12500) = 31457.28.
    Calibrate(2, 5.0, 12000);
    EXPECT_EQ(Coefficient(2), 31457);
}

TEST_F(CalibrationTest, RefusedCalibrationsWriteNothing)
{
    const int32_t before = Coefficient(2);
    // More divisions than the module holds are refused with the range, not as a
    // communication fault.
    Calibrate(2, 5.0, 70000);
    EXPECT_EQ(StatusText(), QStringLiteral("Počet dílků musí být v rozmezí od 0 do 65535."));
    EXPECT_EQ(StatusColour(), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(Coefficient(2), before);

    // An applied value of 0 leaves the coefficient undefined: an error for the user.
    Calibrate(2, 0.0, 10000);
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_EQ(StatusText(), Messages[0]);
    EXPECT_EQ(Coefficient(2), before);
    EXPECT_TRUE(Main().Connected());
}

TEST_F(CalibrationTest, InputRangesAreReadIntoTheListsAndWritten)
{
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetInputRange(1, 0); }));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetInputRange(2, 1); }));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetInputRange(3, 6); }));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetInputRange(4, 3); }));
    Click(QStringLiteral("btnADGetInputRange"));
    const QStringList expected = {"0 - 10 V", "0 - 20 mA", "4 - 20 mA", "0 - 10 V"};
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(Find<QComboBox>(QStringLiteral("cbbAD%1InputRange").arg(n))->currentText(), expected[n - 1]) << n;
    EXPECT_EQ(StatusColour(), QColor(0x00, 0x80, 0x00));

    Find<QComboBox>(QStringLiteral("cbbAD1InputRange"))->setCurrentIndex(2);
    Click(QStringLiteral("btnAD1Set"));
    Find<QComboBox>(QStringLiteral("cbbAD4InputRange"))->setCurrentIndex(1);
    Click(QStringLiteral("btnAD4Set"));
    TValdrixInputRanges ranges;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetInputRanges(ranges); }));
    EXPECT_EQ(ranges[1], 6);
    EXPECT_EQ(ranges[2], 1);
    EXPECT_EQ(ranges[4], 1);
    EXPECT_EQ(StatusText(), QString());
}

TEST_F(CalibrationTest, OutputCalibrationPointsStoreThePresentValue)
{
    TSentRequests stores(0x4E);
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetAnalogOutput(2, 321, true); }));
    Click(QStringLiteral("Button2"));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetAnalogOutput(2, 3900, true); }));
    Click(QStringLiteral("btnDA2High"));
    TValdrixOutputCalibration calibration;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputCalibration(2, calibration); }));
    EXPECT_EQ(calibration.Low, 321);
    EXPECT_EQ(calibration.High, 3900);
    EXPECT_EQ(stores.Data(), (std::vector<std::string>{std::string("\x02\x00", 2), std::string("\x02\x01", 2)}));
}

TEST_F(CalibrationTest, RampTestStepsThroughTheRange)
{
    TSentRequests writes(0x42);
    Click(QStringLiteral("btnDA4Test"));
    std::vector<std::string> expected;
    for (int32_t value : {0, 2500, 5000, 7500, 10000}) {
        std::string data;
        ASSERT_TRUE(EncodeChannelValue16(4, 4, value, -32768, 32767, data));
        expected.push_back(data);
    }
    EXPECT_EQ(writes.Data(), expected);
    EXPECT_EQ(StatusText(), QString());
    int32_t value = -1;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetAnalogOutput(4, value, false); }));
    EXPECT_EQ(value, 10000);
}

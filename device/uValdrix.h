// The Valdrix module: a stack device with the module's own instruction set. It holds
// no state beyond the stack device's; each operation encodes one request, sends it to
// the device's address with the default time-out and decodes the answer.
#pragma once

#include "device/ussValdrix.h"
#include "protocol/uTarvelStackDevice.h"

// The address the tester uses for the module.
constexpr uint8_t ValdrixDefaultAddress = 0x31;

class TValdrix : public TTarvelStackDevice, public IValdrix {
public:
    using TTarvelStackDevice::TTarvelStackDevice;

    std::string ClassName() const override { return "TValdrix"; }

    bool GetInputs(TValdrixInputBits& Bits) override;
    bool GetInput(int Index, bool& State) override;
    bool GetOutputs(TValdrixOutputBits& Bits) override;
    bool GetOutput(int Index, bool& State) override;
    bool SetOutputs(const TValdrixOutputBits& States) override;
    bool SetOutput(int Index, bool State, int Duration) override;
    bool GetCounter(int Index, int64_t& Value, bool Option) override;
    bool GetCounters(TValdrixCounters& Values, bool Option) override;
    bool SetCounter(int Index, int64_t Value) override;
    bool SetCounters(const TValdrixCounters& Values) override;
    bool GetTemperatures(TValdrixTemperatures& T) override;
    bool GetTemperature(int Index, TValdrixTemperature& T) override;
    bool GetThermometerIds(TValdrixThermometerIds& Ids) override;
    bool GetThermometerId(int Index, TValdrixThermometerId& Id) override;
    bool GetThermometerPairs(TValdrixThermometerPairs& Pairs) override;
    bool GetThermometerPair(int Index, TValdrixThermometerPair& Pair) override;
    bool SetThermometerPair(int Index, const TValdrixThermometerPair& Pair) override;
    bool GetAnalogInputs(TValdrixAnalogReadings& R, bool Raw) override;
    bool GetInputRanges(TValdrixInputRanges& Ranges) override;
    bool SetInputRanges(const TValdrixInputRanges& Ranges) override;
    bool SetInputRange(int Index, int Range) override;
    bool GetInputCoefficient(int Index, int32_t& Value) override;
    bool SetInputCoefficient(int Index, int64_t Value) override;
    bool GetInputDivisions(int Index, int32_t& Value) override;
    bool SetInputDivisions(int Index, int64_t Value) override;
    bool GetAnalogOutputs(TValdrixAnalogOutputValues& Values, bool Raw) override;
    bool GetAnalogOutput(int Index, int32_t& Value, bool Raw) override;
    bool SetAnalogOutputs(const TValdrixAnalogOutputValues& Values, bool Raw) override;
    bool SetAnalogOutput(int Index, int32_t Value, bool Raw) override;
    bool GetAnalogOutputWords(TValdrixAnalogOutputValues& Values) override;
    bool GetAnalogOutputWord(int Index, int32_t& Value) override;
    bool SetAnalogOutputWords(const TValdrixAnalogOutputValues& Values) override;
    bool SetAnalogOutputWord(int Index, int32_t Value) override;
    bool GetOutputCalibrations(TValdrixOutputCalibrations& C) override;
    bool GetOutputCalibration(int Index, TValdrixOutputCalibration& C) override;
    bool StoreOutputCalibrationPoint(int Index, bool LowPoint) override;
    bool GetClock(double& DateTime) override;
    bool SetClock(double DateTime) override;
    bool SetChannelFlags(int Index, bool FlagA, bool FlagB) override;
    int DigitalInputCount() override { return ValdrixDigitalInputs; }
    int DigitalOutputCount() override { return ValdrixDigitalOutputs; }
    int AnalogInputCount() override { return ValdrixAnalogInputs; }
    int CounterCount() override { return ValdrixCounters; }
    int AnalogOutputCount() override { return ValdrixAnalogOutputs; }
    int ThermometerCount() override { return ValdrixThermometers; }

protected:
    ~TValdrix() override = default;

    bool ImplementsInterface(const TGUID& iid) const override;

private:
    // Sends the request and hands the answer data to the decoder.
    template <class Decode>
    bool Read(uint8_t Inst, const std::string& Data, Decode decode);
    // Enable configuration, then the instruction; nothing when the arguments were refused.
    bool Configure(bool encoded, uint8_t Inst, const std::string& Data);
    // Sends an encoded request; nothing when the arguments were refused.
    bool Write(bool encoded, uint8_t Inst, const std::string& Data);
};

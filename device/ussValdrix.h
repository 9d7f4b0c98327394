// The Valdrix I/O module as the tester sees it. Every operation returns true when the
// module answered with acknowledge code 0 and, where an answer is decoded, the answer
// was well formed; out values are meaningful only on true. Arguments out of range make
// an operation return false without sending anything. Operations marked "cfg" send the
// enable-configuration request first.
#pragma once

#include "device/uValdrixTypes.h"
#include "protocol/uiTarvelStack.h"

class IValdrix : public virtual ITarvelStackDevice {
public:
    static constexpr TGUID IID = MakeGUID("{B79BDAED-D99B-4F27-9A29-0B58981B0BA5}");

    virtual bool GetInputs(TValdrixInputBits& Bits) = 0;
    virtual bool GetInput(int Index, bool& State) = 0;
    virtual bool GetOutputs(TValdrixOutputBits& Bits) = 0;
    virtual bool GetOutput(int Index, bool& State) = 0;
    virtual bool SetOutputs(const TValdrixOutputBits& States) = 0;
    // Duration 0 switches for good; 1..255 for that many of the module's time units.
    virtual bool SetOutput(int Index, bool State, int Duration) = 0;
    virtual bool GetCounter(int Index, int64_t& Value, bool Option) = 0;
    virtual bool GetCounters(TValdrixCounters& Values, bool Option) = 0;
    virtual bool SetCounter(int Index, int64_t Value) = 0;
    // Sends the values up to the first negative one.
    virtual bool SetCounters(const TValdrixCounters& Values) = 0;
    virtual bool GetTemperatures(TValdrixTemperatures& T) = 0;
    virtual bool GetTemperature(int Index, TValdrixTemperature& T) = 0;
    virtual bool GetThermometerIds(TValdrixThermometerIds& Ids) = 0;
    virtual bool GetThermometerId(int Index, TValdrixThermometerId& Id) = 0;
    virtual bool GetThermometerPairs(TValdrixThermometerPairs& Pairs) = 0;
    virtual bool GetThermometerPair(int Index, TValdrixThermometerPair& Pair) = 0;
    virtual bool SetThermometerPair(int Index, const TValdrixThermometerPair& Pair) = 0;
    virtual bool GetAnalogInputs(TValdrixAnalogReadings& R, bool Raw) = 0;
    virtual bool GetInputRanges(TValdrixInputRanges& Ranges) = 0;
    virtual bool SetInputRanges(const TValdrixInputRanges& Ranges) = 0;               // cfg
    virtual bool SetInputRange(int Index, int Range) = 0;                             // cfg
    virtual bool GetInputCoefficient(int Index, int32_t& Value) = 0;
    virtual bool SetInputCoefficient(int Index, int64_t Value) = 0;                   // cfg
    virtual bool GetInputDivisions(int Index, int32_t& Value) = 0;
    virtual bool SetInputDivisions(int Index, int64_t Value) = 0;                     // cfg
    virtual bool GetAnalogOutputs(TValdrixAnalogOutputValues& Values, bool Raw) = 0;
    virtual bool GetAnalogOutput(int Index, int32_t& Value, bool Raw) = 0;
    virtual bool SetAnalogOutputs(const TValdrixAnalogOutputValues& Values, bool Raw) = 0;
    virtual bool SetAnalogOutput(int Index, int32_t Value, bool Raw) = 0;
    virtual bool GetAnalogOutputWords(TValdrixAnalogOutputValues& Values) = 0;
    virtual bool GetAnalogOutputWord(int Index, int32_t& Value) = 0;
    virtual bool SetAnalogOutputWords(const TValdrixAnalogOutputValues& Values) = 0;
    virtual bool SetAnalogOutputWord(int Index, int32_t Value) = 0;
    virtual bool GetOutputCalibrations(TValdrixOutputCalibrations& C) = 0;
    virtual bool GetOutputCalibration(int Index, TValdrixOutputCalibration& C) = 0;
    virtual bool StoreOutputCalibrationPoint(int Index, bool LowPoint) = 0;
    virtual bool GetClock(double& DateTime) = 0;
    virtual bool SetClock(double DateTime) = 0;
    virtual bool SetChannelFlags(int Index, bool FlagA, bool FlagB) = 0;
    virtual int DigitalInputCount() = 0;
    virtual int DigitalOutputCount() = 0;
    virtual int AnalogInputCount() = 0;
    virtual int CounterCount() = 0;
    virtual int AnalogOutputCount() = 0;
    virtual int ThermometerCount() = 0;
};

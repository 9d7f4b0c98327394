#include "device/uValdrix.h"

#include "device/uValdrixCodec.h"

namespace {

uint8_t Either(bool raw, uint8_t rawInst, uint8_t inst) { return raw ? rawInst : inst; }

} // namespace

bool TValdrix::ImplementsInterface(const TGUID& iid) const
{
    return iid == IValdrix::IID || TTarvelStackDevice::ImplementsInterface(iid);
}

template <class Decode>
bool TValdrix::Read(uint8_t Inst, const std::string& Data, Decode decode)
{
    std::string answer;
    return Query(Inst, Data, answer) && decode(std::string_view(answer));
}

bool TValdrix::Write(bool encoded, uint8_t Inst, const std::string& Data) { return encoded && Command(Inst, Data); }

bool TValdrix::Configure(bool encoded, uint8_t Inst, const std::string& Data)
{
    return encoded && EnableConfiguration() && Command(Inst, Data);
}

bool TValdrix::GetInputs(TValdrixInputBits& Bits)
{
    return Read(VALDRIX_GET_INPUTS, {}, [&](std::string_view a) { return DecodeInputBits(a, Bits); });
}

bool TValdrix::GetInput(int Index, bool& State)
{
    TValdrixInputBits bits;
    if (Index < 1 || Index > ValdrixDigitalInputs || !GetInputs(bits)) return false;
    State = bits[Index];
    return true;
}

bool TValdrix::GetOutputs(TValdrixOutputBits& Bits)
{
    return Read(VALDRIX_GET_OUTPUTS, {}, [&](std::string_view a) { return DecodeOutputBits(a, Bits); });
}

bool TValdrix::GetOutput(int Index, bool& State)
{
    TValdrixOutputBits bits;
    if (Index < 1 || Index > ValdrixDigitalOutputs || !GetOutputs(bits)) return false;
    State = bits[Index];
    return true;
}

bool TValdrix::SetOutputs(const TValdrixOutputBits& States) { return Command(VALDRIX_SET_OUTPUTS, EncodeSetOutputs(States)); }

bool TValdrix::SetOutput(int Index, bool State, int Duration)
{
    uint8_t inst = 0;
    std::string data;
    const bool encoded = EncodeSetOutput(Index, State, Duration, inst, data);
    return Write(encoded, inst, data);
}

bool TValdrix::GetCounter(int Index, int64_t& Value, bool Option)
{
    std::string data;
    if (Index < 1 || !EncodeCounterRequest(Index, Option, data)) return false;
    return Read(VALDRIX_GET_COUNTERS, data, [&](std::string_view a) { return DecodeCounters(a, &Value, 1); });
}

bool TValdrix::GetCounters(TValdrixCounters& Values, bool Option)
{
    std::string data;
    EncodeCounterRequest(0, Option, data);
    return Read(VALDRIX_GET_COUNTERS, data,
                [&](std::string_view a) { return DecodeCounters(a, Values.Items.data(), ValdrixCounters); });
}

bool TValdrix::SetCounter(int Index, int64_t Value)
{
    std::string data;
    const bool encoded = EncodeSetCounter(Index, Value, data);
    return Write(encoded, VALDRIX_SET_COUNTERS, data);
}

bool TValdrix::SetCounters(const TValdrixCounters& Values)
{
    std::string data;
    const bool encoded = EncodeSetCounters(Values, data);
    return Write(encoded, VALDRIX_SET_COUNTERS, data);
}

bool TValdrix::GetTemperatures(TValdrixTemperatures& T)
{
    return Read(VALDRIX_GET_TEMPERATURES, {}, [&](std::string_view a) { return DecodeTemperatures(a, T); });
}

bool TValdrix::GetTemperature(int Index, TValdrixTemperature& T)
{
    std::string data;
    return EncodeChannel(Index, ValdrixThermometers, data) &&
           Read(VALDRIX_GET_TEMPERATURES, data, [&](std::string_view a) { return DecodeTemperature(a, Index, T); });
}

bool TValdrix::GetThermometerIds(TValdrixThermometerIds& Ids)
{
    return Read(VALDRIX_GET_THERMOMETER_IDS, {}, [&](std::string_view a) { return DecodeThermometerIds(a, Ids); });
}

bool TValdrix::GetThermometerId(int Index, TValdrixThermometerId& Id)
{
    std::string data;
    return EncodeChannel(Index, ValdrixThermometers, data) &&
           Read(VALDRIX_GET_THERMOMETER_IDS, data,
                [&](std::string_view a) { return DecodeThermometerId(a, Index, Id); });
}

bool TValdrix::GetThermometerPairs(TValdrixThermometerPairs& Pairs)
{
    return Read(VALDRIX_GET_THERMOMETER_PAIRS, {},
                [&](std::string_view a) { return DecodeThermometerPairs(a, Pairs); });
}

bool TValdrix::GetThermometerPair(int Index, TValdrixThermometerPair& Pair)
{
    std::string data;
    return EncodeChannel(Index, ValdrixThermometers, data) &&
           Read(VALDRIX_GET_THERMOMETER_PAIRS, data,
                [&](std::string_view a) { return DecodeThermometerPair(a, Index, Pair); });
}

bool TValdrix::SetThermometerPair(int Index, const TValdrixThermometerPair& Pair)
{
    std::string data;
    const bool encoded = EncodeSetThermometerPair(Index, Pair, data);
    return Write(encoded, VALDRIX_SET_THERMOMETER_PAIR, data);
}

bool TValdrix::GetAnalogInputs(TValdrixAnalogReadings& R, bool Raw)
{
    return Read(Either(Raw, VALDRIX_GET_ANALOG_INPUTS_RAW, VALDRIX_GET_ANALOG_INPUTS), {},
                [&](std::string_view a) { return DecodeAnalogReadings(a, R); });
}

bool TValdrix::GetInputRanges(TValdrixInputRanges& Ranges)
{
    return Read(VALDRIX_GET_INPUT_RANGES, {}, [&](std::string_view a) { return DecodeInputRanges(a, Ranges); });
}

bool TValdrix::SetInputRanges(const TValdrixInputRanges& Ranges)
{
    std::string data;
    const bool encoded = EncodeSetInputRanges(Ranges, data);
    return Configure(encoded, VALDRIX_SET_INPUT_RANGES, data);
}

bool TValdrix::SetInputRange(int Index, int Range)
{
    std::string data;
    const bool encoded = EncodeSetInputRange(Index, Range, data);
    return Configure(encoded, VALDRIX_SET_INPUT_RANGES, data);
}

bool TValdrix::GetInputCoefficient(int Index, int32_t& Value)
{
    std::string data;
    return EncodeChannel(Index, ValdrixAnalogInputs, data) &&
           Read(VALDRIX_GET_INPUT_COEFFICIENT, data, [&](std::string_view a) { return DecodeUnsigned16(a, Value); });
}

bool TValdrix::SetInputCoefficient(int Index, int64_t Value)
{
    std::string data;
    const bool encoded = EncodeChannelValue16(Index, ValdrixAnalogInputs, Value, 0, 65535, data);
    return Configure(encoded, VALDRIX_SET_INPUT_COEFFICIENT, data);
}

bool TValdrix::GetInputDivisions(int Index, int32_t& Value)
{
    std::string data;
    return EncodeChannel(Index, ValdrixAnalogInputs, data) &&
           Read(VALDRIX_GET_INPUT_DIVISIONS, data, [&](std::string_view a) { return DecodeUnsigned16(a, Value); });
}

bool TValdrix::SetInputDivisions(int Index, int64_t Value)
{
    std::string data;
    const bool encoded = EncodeChannelValue16(Index, ValdrixAnalogInputs, Value, 0, 65535, data);
    return Configure(encoded, VALDRIX_SET_INPUT_DIVISIONS, data);
}

bool TValdrix::GetAnalogOutputs(TValdrixAnalogOutputValues& Values, bool Raw)
{
    return Read(Either(Raw, VALDRIX_GET_ANALOG_OUTPUTS_RAW, VALDRIX_GET_ANALOG_OUTPUTS), {},
                [&](std::string_view a) { return DecodeAnalogOutputValues(a, Values); });
}

bool TValdrix::GetAnalogOutput(int Index, int32_t& Value, bool Raw)
{
    std::string data;
    return EncodeChannel(Index, ValdrixAnalogOutputs, data) &&
           Read(Either(Raw, VALDRIX_GET_ANALOG_OUTPUTS_RAW, VALDRIX_GET_ANALOG_OUTPUTS), data,
                [&](std::string_view a) { return DecodeAnalogOutputValue(a, Index, Value); });
}

bool TValdrix::SetAnalogOutputs(const TValdrixAnalogOutputValues& Values, bool Raw)
{
    std::string data;
    const bool encoded = EncodeAnalogOutputs(Values, data);
    return Write(encoded, Either(Raw, VALDRIX_SET_ANALOG_OUTPUTS_RAW, VALDRIX_SET_ANALOG_OUTPUTS), data);
}

bool TValdrix::SetAnalogOutput(int Index, int32_t Value, bool Raw)
{
    std::string data;
    const bool encoded = EncodeChannelValue16(Index, ValdrixAnalogOutputs, Value, -32768, 32767, data);
    return Write(encoded, Either(Raw, VALDRIX_SET_ANALOG_OUTPUTS_RAW, VALDRIX_SET_ANALOG_OUTPUTS), data);
}

bool TValdrix::GetAnalogOutputWords(TValdrixAnalogOutputValues& Values)
{
    return Read(VALDRIX_GET_ANALOG_OUTPUT_WORDS, {},
                [&](std::string_view a) { return DecodeAnalogOutputValues(a, Values); });
}

bool TValdrix::GetAnalogOutputWord(int Index, int32_t& Value)
{
    std::string data;
    return EncodeChannel(Index, ValdrixAnalogOutputs, data) &&
           Read(VALDRIX_GET_ANALOG_OUTPUT_WORDS, data,
                [&](std::string_view a) { return DecodeAnalogOutputValue(a, Index, Value); });
}

bool TValdrix::SetAnalogOutputWords(const TValdrixAnalogOutputValues& Values)
{
    std::string data;
    const bool encoded = EncodeAnalogOutputs(Values, data);
    return Write(encoded, VALDRIX_SET_ANALOG_OUTPUT_WORDS, data);
}

bool TValdrix::SetAnalogOutputWord(int Index, int32_t Value)
{
    std::string data;
    const bool encoded = EncodeChannelValue16(Index, ValdrixAnalogOutputs, Value, -32768, 32767, data);
    return Write(encoded, VALDRIX_SET_ANALOG_OUTPUT_WORDS, data);
}

bool TValdrix::GetOutputCalibrations(TValdrixOutputCalibrations& C)
{
    return Read(VALDRIX_GET_OUTPUT_CALIBRATIONS, {},
                [&](std::string_view a) { return DecodeOutputCalibrations(a, C); });
}

bool TValdrix::GetOutputCalibration(int Index, TValdrixOutputCalibration& C)
{
    std::string data;
    return EncodeChannel(Index, ValdrixAnalogOutputs, data) &&
           Read(VALDRIX_GET_OUTPUT_CALIBRATIONS, data,
                [&](std::string_view a) { return DecodeOutputCalibration(a, Index, C); });
}

bool TValdrix::StoreOutputCalibrationPoint(int Index, bool LowPoint)
{
    std::string data;
    const bool encoded = EncodeStoreOutputCalibrationPoint(Index, LowPoint, data);
    return Write(encoded, VALDRIX_STORE_OUTPUT_CALIBRATION_POINT, data);
}

bool TValdrix::GetClock(double& DateTime)
{
    return Read(VALDRIX_GET_CLOCK, {}, [&](std::string_view a) { return DecodeClock(a, DateTime); });
}

bool TValdrix::SetClock(double DateTime)
{
    std::string data;
    const bool encoded = EncodeClock(DateTime, data);
    return Write(encoded, VALDRIX_SET_CLOCK, data);
}

bool TValdrix::SetChannelFlags(int Index, bool FlagA, bool FlagB)
{
    std::string data;
    const bool encoded = EncodeChannelFlags(Index, FlagA, FlagB, data);
    return Write(encoded, VALDRIX_SET_CHANNEL_FLAGS, data);
}

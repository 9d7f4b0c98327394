#include "capture/uTarvelDecoder.h"

#include "device/uValdrixCodec.h"
#include "protocol/uTarvelCommonInstructions.h"

#include <cstdio>
#include <map>

namespace {

const std::map<uint8_t, const char*>& InstructionNames()
{
    static const std::map<uint8_t, const char*> names = {
        // Common instructions of the device family.
        {TARVEL_INST_SET_ADDRESS, "WriteAddressAndBaudRate"},
        {TARVEL_INST_WRITE_E1_BYTE, "WriteE1Byte"},
        {TARVEL_INST_WRITE_E2_TEXT, "WriteE2Text"},
        {TARVEL_INST_E3, "InstE3"},
        {TARVEL_INST_ENABLE_CONFIGURATION, "EnableConfiguration"},
        {TARVEL_INST_CHANGE_ADDRESS_BY_NUMBERS, "ChangeAddressByNumbers"},
        {TARVEL_INST_SWITCH_EE, "SwitchEE"},
        {TARVEL_INST_READ_ADDRESS, "ReadAddressAndBaudRate"},
        {TARVEL_INST_READ_F1_BYTE, "ReadF1Byte"},
        {TARVEL_INST_READ_F2, "ReadF2"},
        {TARVEL_INST_IDENTIFICATION, "ReadIdentification"},
        {TARVEL_INST_READ_FA_NUMBERS, "ReadFANumbers"},
        {TARVEL_INST_READ_FE_FLAG, "ReadFEFlag"},
        // The Valdrix set.
        {VALDRIX_SET_INPUT_COEFFICIENT, "SetInputCoefficient"},
        {VALDRIX_GET_INPUT_COEFFICIENT, "GetInputCoefficient"},
        {VALDRIX_SET_INPUT_RANGES, "SetInputRanges"},
        {VALDRIX_GET_INPUT_RANGES, "GetInputRanges"},
        {VALDRIX_SET_INPUT_DIVISIONS, "SetInputDivisions"},
        {VALDRIX_GET_INPUT_DIVISIONS, "GetInputDivisions"},
        {VALDRIX_SET_OUTPUTS, "SetOutputs"},
        {VALDRIX_SET_OUTPUT_TIMED, "SetOutputTimed"},
        {VALDRIX_GET_OUTPUTS, "GetOutputs"},
        {VALDRIX_GET_INPUTS, "GetInputs"},
        {VALDRIX_SET_ANALOG_OUTPUTS_RAW, "SetAnalogOutputsRaw"},
        {VALDRIX_GET_ANALOG_OUTPUTS_RAW, "GetAnalogOutputsRaw"},
        {VALDRIX_SET_ANALOG_OUTPUTS, "SetAnalogOutputs"},
        {VALDRIX_GET_ANALOG_OUTPUTS, "GetAnalogOutputs"},
        {VALDRIX_SET_ANALOG_OUTPUT_WORDS, "SetAnalogOutputWords"},
        {VALDRIX_GET_ANALOG_OUTPUT_WORDS, "GetAnalogOutputWords"},
        {VALDRIX_STORE_OUTPUT_CALIBRATION_POINT, "StoreOutputCalibrationPoint"},
        {VALDRIX_GET_OUTPUT_CALIBRATIONS, "GetOutputCalibrations"},
        {VALDRIX_GET_ANALOG_INPUTS, "GetAnalogInputs"},
        {VALDRIX_GET_TEMPERATURES, "GetTemperatures"},
        {VALDRIX_GET_THERMOMETER_IDS, "GetThermometerIds"},
        {VALDRIX_SET_THERMOMETER_PAIR, "SetThermometerPair"},
        {VALDRIX_GET_THERMOMETER_PAIRS, "GetThermometerPairs"},
        {VALDRIX_GET_ANALOG_INPUTS_RAW, "GetAnalogInputsRaw"},
        {VALDRIX_GET_COUNTERS, "GetCounters"},
        {VALDRIX_SET_COUNTERS, "SetCounters"},
        {VALDRIX_SET_CHANNEL_FLAGS, "SetChannelFlags"},
        {VALDRIX_SET_CLOCK, "SetClock"},
        {VALDRIX_GET_CLOCK, "GetClock"},
    };
    return names;
}

} // namespace

std::string Tarvel97InstructionName(uint8_t inst)
{
    const auto it = InstructionNames().find(inst);
    return it == InstructionNames().end() ? std::string() : it->second;
}

std::string Tarvel97InstructionLabel(uint8_t inst)
{
    std::string name = Tarvel97InstructionName(inst);
    if (!name.empty()) return name;
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", unsigned(inst));
    return code;
}

std::string Tarvel97Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[uint8_t(c) >> 4];
        out += digits[uint8_t(c) & 0xF];
    }
    return out;
}

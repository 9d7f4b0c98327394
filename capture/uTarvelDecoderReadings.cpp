#include "capture/uTarvelDecoder.h"

#include "device/uValdrixCodec.h"
#include "protocol/uTarvelBytes.h"
#include "protocol/uTarvelCommonInstructions.h"

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

using TRecordText = std::function<std::string(std::string_view record)>;

std::string Hex8(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

// Printable characters as they are, every other byte as \xNN.
std::string TextReading(std::string_view data)
{
    std::string out = "\"";
    for (const char c : data) {
        const auto byte = uint8_t(c);
        if (byte >= 0x20 && byte < 0x7F)
            out += c;
        else
            out += "\\x" + Hex8(byte).substr(2);
    }
    return out + "\"";
}

// The module's clock holds the local time of the desktop that set it: shown as it is.
std::string ClockReading(std::string_view data)
{
    const time_t seconds = time_t(GetBE32(data, 0));
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// Records of `size` bytes read one by one, joined with two spaces; empty when the data
// is not a whole number of records or one of them does not read.
std::string Records(std::string_view data, size_t size, const TRecordText& text)
{
    if (data.empty() || data.size() % size != 0) return {};
    std::string out;
    for (size_t at = 0; at < data.size(); at += size) {
        const std::string one = text(data.substr(at, size));
        if (one.empty()) return {};
        out += (out.empty() ? "" : "  ") + one;
    }
    return out;
}

template <class TBits>
std::string BitsText(const TBits& bits)
{
    std::string out;
    for (int i = 1; i <= TBits::Count; ++i) out += bits[i] ? '1' : '0';
    return out;
}

// The channel of a record of one of the module's four-channel groups; 0 when outside 1..4.
int RecordChannel(std::string_view record)
{
    const int channel = uint8_t(record[0]);
    return channel >= 1 && channel <= 4 ? channel : 0;
}

std::string StatusText(uint8_t status)
{
    return (status & ValdrixStatusValid) ? std::string() : " invalid (status " + Hex8(status) + ")";
}

std::string TemperatureRecord(std::string_view record)
{
    TValdrixTemperature t;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeTemperature(record, channel, t)) return {};
    char value[32];
    std::snprintf(value, sizeof value, "%.1f °C", t.Value);
    return std::to_string(channel) + ": " + value + StatusText(t.Status);
}

std::string AnalogRecord(std::string_view record)
{
    TValdrixAnalogReadings readings;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeAnalogReadings(record, readings)) return {};
    return std::to_string(channel) + ": " + std::to_string(readings[channel].Value) +
           StatusText(readings[channel].Status);
}

std::string ThermometerIdRecord(std::string_view record)
{
    TValdrixThermometerId id;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeThermometerId(record, channel, id)) return {};
    return std::to_string(channel) + ": " + TextReading(id.Id) + " status " + Hex8(id.Status);
}

// (channel, signed 16-bit value) records of the analog outputs.
std::string OutputValueRecord(std::string_view record)
{
    int32_t value = 0;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeAnalogOutputValue(record, channel, value)) return {};
    return std::to_string(channel) + ": " + std::to_string(value);
}

std::string PairRecord(std::string_view record)
{
    TValdrixThermometerPair pair;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeThermometerPair(record, channel, pair)) return {};
    return std::to_string(channel) + ": " + std::to_string(pair.First) + "," + std::to_string(pair.Second);
}

std::string CalibrationRecord(std::string_view record)
{
    TValdrixOutputCalibration c;
    const int channel = RecordChannel(record);
    if (channel == 0 || !DecodeOutputCalibration(record, channel, c)) return {};
    return std::to_string(channel) + ": low " + std::to_string(c.Low) + " high " + std::to_string(c.High);
}

std::string RangeName(int code)
{
    switch (code) {
    case 0: return "0-10 V";
    case 1: return "0-20 mA";
    case 6: return "4-20 mA";
    default: return "code " + std::to_string(code);
    }
}

std::string RangeRecord(std::string_view record) { return std::to_string(uint8_t(record[0])) + ": " + RangeName(uint8_t(record[1])); }

std::string SwitchRecord(std::string_view record)
{
    const auto byte = uint8_t(record[0]);
    return "output " + std::to_string(byte & 0x7F) + " " + OnOff(byte & 0x80);
}

std::string ChannelValueRecord(std::string_view record)
{
    return "channel " + std::to_string(uint8_t(record[0])) + " = " + std::to_string(GetBE16(record, 1));
}

std::string AddressAndBaud(std::string_view data)
{
    return "address " + Hex8(uint8_t(data[0])) + ", " + std::to_string(TarvelBaudRateOfCode(uint8_t(data[1]))) + " Bd";
}

std::string CountersReading(std::string_view data)
{
    if (data.empty()) return {};
    int64_t values[ValdrixCounters] = {};
    if (DecodeCounters(data, values, 1)) return "counter " + std::to_string(values[0]);
    if (!DecodeCounters(data, values, ValdrixCounters)) return {};
    std::string out = "counters";
    for (const int64_t v : values) out += " " + std::to_string(v);
    return out;
}

std::string RequestText(uint8_t inst, std::string_view data)
{
    const size_t n = data.size();
    const unsigned first = n > 0 ? uint8_t(data[0]) : 0;
    switch (inst) {
    case VALDRIX_SET_OUTPUTS: return Records(data, 1, SwitchRecord);
    case VALDRIX_SET_OUTPUT_TIMED:
        return n == 2 ? SwitchRecord(data.substr(1)) + " for " + std::to_string(uint8_t(data[0])) : "";
    case VALDRIX_GET_COUNTERS:
        if (n != 1) return {};
        return ((first & 0x7F) == 0 ? std::string("all counters") : "counter " + std::to_string(first & 0x7F)) +
               ((first & 0x80) ? " (option)" : "");
    case VALDRIX_SET_COUNTERS:
        if (n == 5 && first != 0) return "counter " + std::to_string(first) + " = " + std::to_string(GetBE32(data, 1));
        if (n % 4 != 1 || first != 0) return {};
        {
            std::string out = "counters";
            for (size_t at = 1; at < n; at += 4) out += " " + std::to_string(GetBE32(data, at));
            return out;
        }
    case VALDRIX_GET_INPUT_COEFFICIENT:
    case VALDRIX_GET_INPUT_DIVISIONS:
    case VALDRIX_GET_TEMPERATURES:
    case VALDRIX_GET_THERMOMETER_IDS:
    case VALDRIX_GET_THERMOMETER_PAIRS:
    case VALDRIX_GET_ANALOG_OUTPUTS_RAW:
    case VALDRIX_GET_ANALOG_OUTPUTS:
    case VALDRIX_GET_ANALOG_OUTPUT_WORDS:
    case VALDRIX_GET_OUTPUT_CALIBRATIONS: return n == 1 ? "channel " + std::to_string(uint8_t(data[0])) : "";
    case VALDRIX_SET_THERMOMETER_PAIR:
        return n == 3 ? "channel " + std::to_string(uint8_t(data[0])) + " pair " + std::to_string(uint8_t(data[1])) +
                            "," + std::to_string(uint8_t(data[2]))
                      : "";
    case VALDRIX_SET_INPUT_RANGES: return Records(data, 2, RangeRecord);
    case VALDRIX_SET_INPUT_COEFFICIENT:
    case VALDRIX_SET_INPUT_DIVISIONS: return n == 3 ? ChannelValueRecord(data) : "";
    case VALDRIX_SET_ANALOG_OUTPUTS_RAW:
    case VALDRIX_SET_ANALOG_OUTPUTS:
    case VALDRIX_SET_ANALOG_OUTPUT_WORDS: return Records(data, 3, OutputValueRecord);
    case VALDRIX_STORE_OUTPUT_CALIBRATION_POINT:
        return n == 2 && uint8_t(data[1]) <= 1
                   ? "channel " + std::to_string(first) + (data[1] == 0 ? " low point" : " high point")
                   : "";
    case VALDRIX_SET_CHANNEL_FLAGS:
        return n == 1 ? "channel " + std::to_string(first & 0x3F) + " flags A=" + std::to_string((first >> 7) & 1) +
                            " B=" + std::to_string((first >> 6) & 1)
                      : "";
    case VALDRIX_SET_CLOCK: return n == 4 ? ClockReading(data) : "";
    case TARVEL_INST_SET_ADDRESS: return n >= 2 ? AddressAndBaud(data) : "";
    case TARVEL_INST_WRITE_E1_BYTE: return n == 1 ? Hex8(uint8_t(data[0])) : "";
    case TARVEL_INST_WRITE_E2_TEXT: return n > 0 ? TextReading(data) : "";
    case TARVEL_INST_CHANGE_ADDRESS_BY_NUMBERS:
        return n == 5 ? "address " + Hex8(uint8_t(data[0])) + ", numbers " + std::to_string(GetBE16(data, 1)) + " " +
                            std::to_string(GetBE16(data, 3))
                      : "";
    case TARVEL_INST_SWITCH_EE: return n == 1 ? OnOff(first != 0) : "";
    default: return {};
    }
}

std::string AnswerText(uint8_t inst, std::string_view data)
{
    const size_t n = data.size();
    switch (inst) {
    case VALDRIX_GET_INPUTS: {
        TValdrixInputBits bits;
        return DecodeInputBits(data, bits) ? "inputs " + BitsText(bits) : "";
    }
    case VALDRIX_GET_OUTPUTS: {
        TValdrixOutputBits bits;
        return DecodeOutputBits(data, bits) ? "outputs " + BitsText(bits) : "";
    }
    case VALDRIX_GET_COUNTERS: return CountersReading(data);
    case VALDRIX_GET_TEMPERATURES: return Records(data, 4, TemperatureRecord);
    case VALDRIX_GET_ANALOG_INPUTS:
    case VALDRIX_GET_ANALOG_INPUTS_RAW: return Records(data, 4, AnalogRecord);
    case VALDRIX_GET_THERMOMETER_IDS: return Records(data, 10, ThermometerIdRecord);
    case VALDRIX_GET_THERMOMETER_PAIRS: return Records(data, 3, PairRecord);
    case VALDRIX_GET_INPUT_RANGES: return n == 8 ? Records(data, 2, RangeRecord) : "";
    case VALDRIX_GET_INPUT_COEFFICIENT:
    case VALDRIX_GET_INPUT_DIVISIONS: return n == 2 ? std::to_string(GetBE16(data, 0)) : "";
    case VALDRIX_GET_ANALOG_OUTPUTS_RAW:
    case VALDRIX_GET_ANALOG_OUTPUTS:
    case VALDRIX_GET_ANALOG_OUTPUT_WORDS: return Records(data, 3, OutputValueRecord);
    case VALDRIX_GET_OUTPUT_CALIBRATIONS: return Records(data, 5, CalibrationRecord);
    case VALDRIX_GET_CLOCK: return n == 4 ? ClockReading(data) : "";
    case TARVEL_INST_IDENTIFICATION:
    case TARVEL_INST_READ_F2: return n > 0 ? TextReading(data) : "";
    case TARVEL_INST_READ_ADDRESS: return n >= 2 ? AddressAndBaud(data) : "";
    case TARVEL_INST_READ_F1_BYTE: return n >= 1 ? Hex8(uint8_t(data[0])) : "";
    case TARVEL_INST_READ_FA_NUMBERS:
        return n >= 8 ? std::to_string(GetBE16(data, 0)) + " " + std::to_string(GetBE16(data, 2)) + " " +
                            std::to_string(GetBE32(data, 4))
                      : "";
    case TARVEL_INST_READ_FE_FLAG: return n >= 1 ? OnOff(data[0] != 0) : "";
    default: return {};
    }
}

// What the data does not read as is shown as it came.
std::string OrHex(std::string reading, std::string_view data)
{
    return !reading.empty() || data.empty() ? reading : Tarvel97Hex(data);
}

} // namespace

std::string Tarvel97RequestReading(uint8_t inst, std::string_view data) { return OrHex(RequestText(inst, data), data); }

std::string Tarvel97AnswerReading(uint8_t inst, std::string_view data) { return OrHex(AnswerText(inst, data), data); }

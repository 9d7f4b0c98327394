// The data bytes of the Valdrix instructions: request encoders (false = an argument is
// out of range, nothing must be sent) and answer decoders (false = the answer is
// malformed: wrong length, wrong channel or wrong width). Pure functions.
#pragma once

#include "device/uValdrixTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

enum : uint8_t {
    VALDRIX_SET_INPUT_COEFFICIENT = 0x12,
    VALDRIX_GET_INPUT_COEFFICIENT = 0x13,
    VALDRIX_SET_INPUT_RANGES = 0x1A,
    VALDRIX_GET_INPUT_RANGES = 0x1B,
    VALDRIX_SET_INPUT_DIVISIONS = 0x1C,
    VALDRIX_GET_INPUT_DIVISIONS = 0x1D,
    VALDRIX_SET_OUTPUTS = 0x20,
    VALDRIX_SET_OUTPUT_TIMED = 0x23,
    VALDRIX_GET_OUTPUTS = 0x30,
    VALDRIX_GET_INPUTS = 0x31,
    VALDRIX_SET_ANALOG_OUTPUTS_RAW = 0x40,
    VALDRIX_GET_ANALOG_OUTPUTS_RAW = 0x41,
    VALDRIX_SET_ANALOG_OUTPUTS = 0x42,
    VALDRIX_GET_ANALOG_OUTPUTS = 0x43,
    VALDRIX_SET_ANALOG_OUTPUT_WORDS = 0x44,
    VALDRIX_GET_ANALOG_OUTPUT_WORDS = 0x45,
    VALDRIX_STORE_OUTPUT_CALIBRATION_POINT = 0x4E,
    VALDRIX_GET_OUTPUT_CALIBRATIONS = 0x4F,
    VALDRIX_GET_ANALOG_INPUTS = 0x51,
    VALDRIX_GET_TEMPERATURES = 0x59,
    VALDRIX_GET_THERMOMETER_IDS = 0x5A,
    VALDRIX_SET_THERMOMETER_PAIR = 0x5B,
    VALDRIX_GET_THERMOMETER_PAIRS = 0x5C,
    VALDRIX_GET_ANALOG_INPUTS_RAW = 0x5F,
    VALDRIX_GET_COUNTERS = 0x60,
    VALDRIX_SET_COUNTERS = 0x64,
    VALDRIX_SET_CHANNEL_FLAGS = 0x6A,
    VALDRIX_SET_CLOCK = 0x74,
    VALDRIX_GET_CLOCK = 0x75,
};

// ---- requests ----

// One channel byte; false when channel is outside 1..count.
bool EncodeChannel(int channel, int count, std::string& data);
// Channel byte followed by a 16-bit value within [min, max].
bool EncodeChannelValue16(int channel, int count, int64_t value, int64_t min, int64_t max, std::string& data);

std::string EncodeSetOutputs(const TValdrixOutputBits& states);
// Duration 0: instruction 0x20 with (state << 7) | index; 1..255: 0x23 with the duration first.
bool EncodeSetOutput(int index, bool state, int duration, uint8_t& inst, std::string& data);
// index 0 = every counter.
bool EncodeCounterRequest(int index, bool option, std::string& data);
// Counter values are 32-bit on the module: a larger value is refused, not cut.
bool EncodeSetCounter(int index, int64_t value, std::string& data);
// 0x00, then each value up to the first negative one; false when one of them is above
// the 32-bit range.
bool EncodeSetCounters(const TValdrixCounters& values, std::string& data);
bool EncodeSetThermometerPair(int index, const TValdrixThermometerPair& pair, std::string& data);
bool EncodeSetInputRanges(const TValdrixInputRanges& ranges, std::string& data);
bool EncodeSetInputRange(int index, int range, std::string& data);
// Four (channel, signed 16-bit) records, channel 1 first.
bool EncodeAnalogOutputs(const TValdrixAnalogOutputValues& values, std::string& data);
bool EncodeStoreOutputCalibrationPoint(int index, bool lowPoint, std::string& data);
// Seconds since 1970-01-01 00:00:00 of the local date-time, rounded; false for a date
// the module's 32-bit clock cannot hold (before 1970, after 2106, not a number).
bool EncodeClock(double dateTime, std::string& data);
bool EncodeChannelFlags(int index, bool flagA, bool flagB, std::string& data);

// ---- answers ----

// Channel c is bit (c-1) mod 8 of byte L-1-(c-1) div 8: the last byte holds channels 1..8.
bool DecodeInputBits(std::string_view data, TValdrixInputBits& bits);
bool DecodeOutputBits(std::string_view data, TValdrixOutputBits& bits);
// Width byte W (8, 16, 24 or 32), then `count` unsigned values of W/8 bytes.
bool DecodeCounters(std::string_view data, int64_t* values, int count);

// Records in any order: all statuses cleared first, decoded from the last record back,
// the one nearer the front winning; a channel outside 1..4 stops with false.
bool DecodeTemperatures(std::string_view data, TValdrixTemperatures& out);
bool DecodeAnalogReadings(std::string_view data, TValdrixAnalogReadings& out);
bool DecodeThermometerIds(std::string_view data, TValdrixThermometerIds& out);
// Exactly one record, of the requested channel.
bool DecodeTemperature(std::string_view data, int channel, TValdrixTemperature& out);
bool DecodeThermometerId(std::string_view data, int channel, TValdrixThermometerId& out);

// Records in channel order 1..4, exactly four of them.
bool DecodeThermometerPairs(std::string_view data, TValdrixThermometerPairs& out);
bool DecodeAnalogOutputValues(std::string_view data, TValdrixAnalogOutputValues& out);
bool DecodeOutputCalibrations(std::string_view data, TValdrixOutputCalibrations& out);
bool DecodeThermometerPair(std::string_view data, int channel, TValdrixThermometerPair& out);
bool DecodeAnalogOutputValue(std::string_view data, int channel, int32_t& out);
bool DecodeOutputCalibration(std::string_view data, int channel, TValdrixOutputCalibration& out);

// Exactly 2 bytes, no channel byte (coefficient, divisions).
bool DecodeUnsigned16(std::string_view data, int32_t& value);
// Exactly 8 bytes: (channel i, range 0..6) for i = 1..4.
bool DecodeInputRanges(std::string_view data, TValdrixInputRanges& ranges);
bool DecodeClock(std::string_view data, double& dateTime);

// The converters attached to this computer, as the converter library lists them.
//
// All operations go through the process's binding (FTDILibrary()) and never throw.
#pragma once

#include "transports/ftdi/uci_FTDIcore.h"

#include <string>
#include <vector>

// Result of a text query whose buffer is too small for the text and its terminator.
constexpr FT_STATUS FtdiBufferTooSmall = 0xFFFE;

// Number of attached converters; -1 when the library is not fully bound or fails.
int FTDIDeviceCount();

// The description / serial number of converter i, copied with its terminating zero into
// buffer, whose size is capacity. Results:
//  - the library fails: its status; buffer and capacity untouched;
//  - buffer holds at least length + 1 bytes: the text, capacity = length, FT_OK;
//  - buffer too small: capacity = length + 1, FtdiBufferTooSmall;
//  - no buffer (null): capacity = length + 1, FT_OK (asks for the size needed).
FT_STATUS FTDIDeviceDescription(int index, char* buffer, uint32_t& capacity);
FT_STATUS FTDIDeviceSerialNumber(int index, char* buffer, uint32_t& capacity);

struct TFTDIDeviceEntry {
    std::string Description;
    int DeviceIndex = -1;
};
using TFTDIDeviceList = std::vector<TFTDIDeviceEntry>;

// Replaces list with one entry per converter whose description can be read and is not
// empty, in device order; empty when no converter can be listed.
void FTDIFillDeviceList(TFTDIDeviceList& list);

// Serial number of the converter behind list entry `entry`; "" for no such entry or when
// it cannot be read.
std::string FTDIEntrySerialNumber(const TFTDIDeviceList& list, int entry);

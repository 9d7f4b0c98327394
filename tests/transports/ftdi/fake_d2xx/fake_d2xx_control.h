// The control functions the fake converter library exports besides the library's own,
// for tests (reached with dlsym on the loaded library) and for programs run against it.
//
// Environment: VALDRIX_FAKE_D2XX_SIM=[serial@]host:port attaches, when the library is
// first used, one module converter whose far side is the simulator listening at
// host:port; its serial number is `serial`, or FakeSimSerialNumber.
#pragma once

#include <cstdint>

constexpr const char* FakeSimSerialNumber = "VXSIM001";
constexpr const char* FakeSimDescription = "Valdrix module (simulated)";

// The line settings a converter received last.
struct TFakeLineSettings {
    uint32_t BaudRate;
    uint8_t DataBits, StopBits, Parity;
    bool Dtr, Rts;
};

extern "C" {
// A converter whose line is wired back.
using TFakeD2xxAddConverter = void (*)(const char* serialNumber, const char* description);
// A converter with a module behind it: while open, it is connected to host:port.
using TFakeD2xxAddModuleConverter = void (*)(const char* serialNumber, const char* description,
                                             const char* host, uint16_t port);
// Detaches every converter; their handles become invalid.
using TFakeD2xxClearConverters = void (*)();
// Unplugging makes every call on the converter's handles fail with FT_IO_ERROR (closing
// included) and ends its module connection; replugging makes it a closed converter again.
// Both return false when no converter has this serial number.
using TFakeD2xxUnplug = bool (*)(const char* serialNumber);
using TFakeD2xxReplug = bool (*)(const char* serialNumber);
// Successful opens of the converter so far; -1 when there is no such converter.
using TFakeD2xxOpenCount = int (*)(const char* serialNumber);
// The converter's line settings; false when there is no such converter.
using TFakeD2xxLineSettings = bool (*)(const char* serialNumber, TFakeLineSettings* settings);
}

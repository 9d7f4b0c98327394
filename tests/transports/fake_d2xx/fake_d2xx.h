// A stand-in for the converter library, built as a shared library the binding loads.
//
// Converters are configured at run time through the exported FakeD2xx* functions
// (tests reach them with dlsym on the same library). A converter's transmit line is
// wired to its receive line: what is written can be read back. Handles are pointers to
// the converter records and are checked against the table on every call.
#pragma once

#include "transports/uci_FTDIcore.h"

#include <list>
#include <mutex>
#include <string>
#include <type_traits>

// Status codes of this library besides FT_OK and FT_IO_ERROR.
constexpr FT_STATUS kFakeInvalidHandle = 1;
constexpr FT_STATUS kFakeDeviceNotFound = 2;
constexpr FT_STATUS kFakeDeviceNotOpened = 3;
constexpr FT_STATUS kFakeNotSupported = 6;

// Longest texts the converter's memory holds, terminator included.
constexpr size_t kFakeSerialNumberSize = 16;
constexpr size_t kFakeDescriptionSize = 64;

struct TFakeConverter {
    std::string SerialNumber;
    std::string Description;
    bool Open = false;
    std::string Received; // bytes waiting to be read
    uint32_t BaudRate = 9600;
    uint8_t DataBits = 8, StopBits = 0, Parity = 0;
    bool Dtr = false, Rts = false;
};

// The converter table and the lock every exported function takes.
std::mutex& FakeLock();
std::list<TFakeConverter>& FakeConverters();

// The open converter behind a handle, or null. Caller holds FakeLock().
TFakeConverter* FakeOpenConverter(FT_HANDLE handle);

// Runs fn on the open converter behind handle under the lock; kFakeInvalidHandle when
// the handle names no open converter.
template <class Fn>
FT_STATUS WithOpenConverter(FT_HANDLE handle, Fn fn)
{
    std::lock_guard lock(FakeLock());
    TFakeConverter* converter = FakeOpenConverter(handle);
    return converter ? fn(*converter) : kFakeInvalidHandle;
}

// Checks that an exported function has exactly the type the binding looks it up as.
#define FAKE_D2XX_MATCHES_BINDING(name)                                                       \
    static_assert(std::is_same_v<decltype(&name), decltype(TD2xxFunctions::name)>, #name)

// A stand-in for the converter library, built as a shared library the binding loads.
//
// Converters are configured at run time through the exported FakeD2xx* functions
// (fake_d2xx_control.h; tests reach them with dlsym on the same library). A plain
// converter's transmit line is wired to its receive line: what is written can be read
// back. A module converter has a module behind it instead: a simulator reached over TCP
// (fake_module_link.cpp). Handles are pointers to the converter records and are checked
// against the table on every call; an unplugged converter answers FT_IO_ERROR to every
// call on its handle.
#pragma once

#include "transports/ftdi/uFTDIEvent.h"
#include "transports/ftdi/uci_FTDIcore.h"

#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>

// Status codes of this library besides FT_OK and FT_IO_ERROR.
constexpr FT_STATUS FakeInvalidHandle = 1;
constexpr FT_STATUS FakeDeviceNotFound = 2;
constexpr FT_STATUS FakeDeviceNotOpened = 3;
constexpr FT_STATUS FakeNotSupported = 6;

// Longest texts the converter's memory holds, terminator included.
constexpr size_t FakeSerialNumberSize = 16;
constexpr size_t FakeDescriptionSize = 64;

struct TFakeConverter {
    std::string SerialNumber;
    std::string Description;
    bool Open = false;
    std::string Received; // bytes waiting to be read
    uint32_t BaudRate = 9600;
    uint8_t DataBits = 8, StopBits = 0, Parity = 0;
    bool Dtr = false, Rts = false;
    bool Unplugged = false;
    int OpenCount = 0; // successful opens so far
    // Event notification: the waiter's event and the kinds (FT_EVENT_*) it asked for.
    TD2xxEvent* Event = nullptr;
    uint32_t EventMask = 0;
    // The module behind the converter: its simulator's address (port 0: none, the
    // line is wired back), and while open the connection and its receiving thread.
    std::string ModuleHost;
    uint16_t ModulePort = 0;
    int ModuleSocket = -1;
    std::thread ModuleReceiver;
};

// A module connection taken out of its converter, to be ended outside the lock.
struct TFakeModuleConnection {
    int Socket = -1;
    std::thread Receiver;
};

// The converter table and the lock every exported function takes.
std::mutex& FakeLock();
std::list<TFakeConverter>& FakeConverters();

// The converters named by the environment (fake_d2xx_control.h).
std::list<TFakeConverter> FakeConvertersFromEnvironment();

// The open converter behind a handle, or null. Caller holds FakeLock().
TFakeConverter* FakeOpenConverter(FT_HANDLE handle);

// Runs fn on the open converter behind handle under the lock; FakeInvalidHandle when
// the handle names no open converter, FT_IO_ERROR when it is unplugged.
template <class Fn>
FT_STATUS WithOpenConverter(FT_HANDLE handle, Fn fn)
{
    std::lock_guard lock(FakeLock());
    TFakeConverter* converter = FakeOpenConverter(handle);
    if (!converter) return FakeInvalidHandle;
    return converter->Unplugged ? FT_IO_ERROR : fn(*converter);
}

// Sets the converter's notification event when its waiter asked for this kind of event
// (FT_EVENT_RXCHAR, FT_EVENT_MODEM_STATUS). Caller holds FakeLock().
void FakeNotify(TFakeConverter& converter, uint32_t kind);

// The transmit side: to the module when there is one, else back to the receive side.
// Caller holds FakeLock().
void FakeTransmit(TFakeConverter& converter, const char* bytes, size_t count);

// Connects a module converter that is being opened to its simulator and starts the
// receiving thread; false when the simulator cannot be reached. Caller holds FakeLock().
bool FakeConnectModule(TFakeConverter& converter);
// Takes the module connection out of the converter (caller holds FakeLock()); ending it
// (FakeEndModule) joins the receiving thread, so it is done without the lock.
TFakeModuleConnection FakeTakeModule(TFakeConverter& converter);
void FakeEndModule(TFakeModuleConnection connection);

// The library's own calls that the libftdi1 stand-in (fake_ftdi1.cpp) is built on.
extern "C" {
FT_STATUS FT_OpenEx(const void* arg, uint32_t flags, FT_HANDLE* handle);
FT_STATUS FT_Close(FT_HANDLE handle);
FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written);
FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read);
FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes);
FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask);
FT_STATUS FT_ResetDevice(FT_HANDLE handle);
FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baudRate);
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, uint8_t dataBits, uint8_t stopBits, uint8_t parity);
FT_STATUS FT_SetDtr(FT_HANDLE handle);
FT_STATUS FT_ClrDtr(FT_HANDLE handle);
FT_STATUS FT_SetRts(FT_HANDLE handle);
FT_STATUS FT_ClrRts(FT_HANDLE handle);
FT_STATUS FT_CreateDeviceInfoList(uint32_t* count);
FT_STATUS FT_GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id,
                                 uint32_t* location, char* serialNumber, char* description, FT_HANDLE* handle);
}

// Checks that an exported function has exactly the type the binding looks it up as.
#define FAKE_D2XX_MATCHES_BINDING(name)                                                       \
    static_assert(std::is_same_v<decltype(&name), decltype(TD2xxFunctions::name)>, #name)

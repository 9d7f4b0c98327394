// Run-time binding of the converter library (D2XX).
//
// The library is not linked: it is loaded once at program start, its functions are
// looked up by name into TD2xxFunctions, and every call goes through Call(), which
// answers FT_NOT_BOUND instead of calling when the library or the function is missing.
// So a machine without the library sees failing calls, not a crash.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

using FT_HANDLE = void*;
using FT_STATUS = uint32_t;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_IO_ERROR = 4;
// Returned by the binding itself for a function that is not bound.
constexpr FT_STATUS FT_NOT_BOUND = 0xFFFF;

constexpr uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr uint32_t FT_PURGE_RX = 1;
constexpr uint32_t FT_PURGE_TX = 2;
constexpr uint32_t FT_EVENT_RXCHAR = 1;
constexpr uint32_t FT_EVENT_MODEM_STATUS = 2;

// The converter library's functions, in the order they are looked up. Counts, masks
// and flags are 32-bit unsigned; texts are zero-terminated.
struct TD2xxFunctions {
    FT_STATUS (*FT_Write)(FT_HANDLE, const void* buffer, uint32_t count, uint32_t* written) = nullptr;
    FT_STATUS (*FT_Open)(int deviceIndex, FT_HANDLE* handle) = nullptr;
    FT_STATUS (*FT_Close)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_Read)(FT_HANDLE, void* buffer, uint32_t count, uint32_t* read) = nullptr;
    FT_STATUS (*FT_SetBaudRate)(FT_HANDLE, uint32_t baudRate) = nullptr;
    FT_STATUS (*FT_SetDataCharacteristics)(FT_HANDLE, uint8_t dataBits, uint8_t stopBits, uint8_t parity) = nullptr;
    FT_STATUS (*FT_SetFlowControl)(FT_HANDLE, uint16_t flowControl, uint8_t xon, uint8_t xoff) = nullptr;
    FT_STATUS (*FT_ResetDevice)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_SetDtr)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_ClrDtr)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_SetRts)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_ClrRts)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_GetModemStatus)(FT_HANDLE, uint32_t* modemStatus) = nullptr;
    FT_STATUS (*FT_SetChars)(FT_HANDLE, uint8_t eventChar, uint8_t eventEnabled, uint8_t errorChar,
                             uint8_t errorEnabled) = nullptr;
    FT_STATUS (*FT_Purge)(FT_HANDLE, uint32_t mask) = nullptr;
    FT_STATUS (*FT_SetTimeouts)(FT_HANDLE, uint32_t readTimeout, uint32_t writeTimeout) = nullptr;
    FT_STATUS (*FT_GetQueueStatus)(FT_HANDLE, uint32_t* rxBytes) = nullptr;
    // Its two arguments are a number, a text or a list of texts, as the flags say.
    FT_STATUS (*FT_ListDevices)(void* arg1, void* arg2, uint32_t flags) = nullptr;
    FT_STATUS (*FT_OpenEx)(const void* arg, uint32_t flags, FT_HANDLE* handle) = nullptr;
    // Fills an array of count records whose layout is the library's; unused here.
    FT_STATUS (*FT_GetDeviceInfoList)(void* list, uint32_t* count) = nullptr;
    FT_STATUS (*FT_CreateDeviceInfoList)(uint32_t* count) = nullptr;
    // The texts are written zero-terminated into caller buffers of FtdiDetailTextSize.
    FT_STATUS (*FT_GetDeviceInfoDetail)(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id,
                                        uint32_t* location, char* serialNumber, char* description,
                                        FT_HANDLE* handle) = nullptr;
    FT_STATUS (*FT_SetEventNotification)(FT_HANDLE, uint32_t mask, void* event) = nullptr;
    FT_STATUS (*FT_EraseEE)(FT_HANDLE) = nullptr;
    FT_STATUS (*FT_EE_Read)(FT_HANDLE, void* programData) = nullptr;
    FT_STATUS (*FT_EE_Program)(FT_HANDLE, void* programData) = nullptr;
};

// Room for each text FT_GetDeviceInfoDetail writes (the library's own limits are smaller).
constexpr uint32_t FtdiDetailTextSize = 256;

class TFTDIBinding {
public:
    TFTDIBinding() = default;
    ~TFTDIBinding() { Release(); }
    TFTDIBinding(const TFTDIBinding&) = delete;
    TFTDIBinding& operator=(const TFTDIBinding&) = delete;

    // Loads the library at path (replacing any earlier binding) and looks up every
    // function. A library that does not load leaves nothing bound and nothing missing.
    void Load(const std::string& path);
    // Loads Debian's libftdi1 at path instead (replacing any earlier binding) and offers
    // its functions as the converter calls (uci_FTDIftdi1.h). The libftdi1 functions it
    // lacks stand in the missing list.
    void LoadFtdi1(const std::string& path);
    // Unloads the library; nothing is bound and nothing missing afterwards.
    void Release();

    // True while the calls go to libftdi1.
    bool UsesFtdi1() const { return FFtdi1; }
    // The converter open as handle cannot notify arrivals through libftdi1: the reader
    // polls it every this many milliseconds (its latency timer). 0 with the vendor
    // library, which notifies.
    uint32_t LatencyMs(FT_HANDLE handle) const;

    bool Loaded() const { return FHandle != nullptr; }
    // The path of the last Load, and the loader's reason when it failed (empty otherwise).
    const std::string& Path() const { return FPath; }
    const std::string& LoadError() const { return FLoadError; }
    // Replaces the reason, e.g. by one that says which setting named the file.
    void SetLoadError(const std::string& reason) { FLoadError = reason; }
    // Every name the library lacks, each followed by a carriage return.
    const std::string& MissingFunctions() const { return FMissing; }
    bool FullyBound() const { return FMissing.empty(); }

    // Calls a bound function, or answers FT_NOT_BOUND without calling anything.
    template <class... Params, class... Args>
    FT_STATUS Call(FT_STATUS (*TD2xxFunctions::*function)(Params...), Args&&... args) const
    {
        const auto bound = FFunctions.*function;
        return bound ? bound(std::forward<Args>(args)...) : FT_NOT_BOUND;
    }

private:
    template <class F>
    void Bind(const char* name, F& slot);
    void ReleaseFtdi1();

    void* FHandle = nullptr;
    std::string FPath;
    std::string FLoadError;
    bool FFtdi1 = false;
    TD2xxFunctions FFunctions;
    std::string FMissing;
};

// The process's binding, written only by BindFTDILibrary / ReleaseFTDILibrary.
TFTDIBinding& FTDILibrary();
// Binds the library named by VALDRIX_D2XX_LIBRARY, and only that one: when it does not
// load, nothing is bound and the load error says which file and why. The name "none"
// chooses libftdi1. Without a name, "libftd2xx.so" (found through the usual library search
// path) when it loads with every call; otherwise libftdi1 named by VALDRIX_LIBFTDI1_LIBRARY,
// or else "libftdi1.so.2", keeping the vendor library's reason in the load error. Called
// once at program start.
void BindFTDILibrary();
// Releases the library at program end.
void ReleaseFTDILibrary();

// Why opening the converter with this serial number failed with this status, for the
// user: a library that did not load (and the kernel driver's serial port as the way
// around it), a converter not found or held by another driver.
std::string FTDIOpenFailureText(const std::string& serialNumber, FT_STATUS status);

// The vendor library's calls made over libftdi1 (see uci_FTDIftdi1.h).
#include "transports/ftdi/uci_FTDIftdi1.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Status codes of these calls besides FT_OK and FT_IO_ERROR.
constexpr FT_STATUS InvalidHandle = 1;
constexpr FT_STATUS DeviceNotFound = 2;
constexpr FT_STATUS DeviceNotOpened = 3;
constexpr FT_STATUS InvalidParameter = 6;
constexpr FT_STATUS OtherError = 18;

// What one ftdi_read_data asks for; the converter's own buffers are smaller.
constexpr int ReadChunk = 4096;
// libftdi1's own default, used when the converter does not tell its latency.
constexpr uint32_t DefaultLatencyMs = 16;

// Texts libftdi1 reads from a converter's descriptors.
constexpr int TextSize = 128;

// An open converter: its libftdi1 context and the bytes read from it and not yet taken.
struct TOpenConverter {
    ftdi_context* Context = nullptr;
    std::string Received;
    uint32_t LatencyMs = DefaultLatencyMs;
};

struct TListedDevice {
    std::string SerialNumber;
    std::string Description;
};

// The devices listed by the last FT_CreateDeviceInfoList; FT_GetDeviceInfoDetail
// answers from it, as the vendor library does from its own list.
std::mutex& ListLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<TListedDevice>& Listed()
{
    static std::vector<TListedDevice> devices;
    return devices;
}

const TFtdi1Functions& F() { return Ftdi1Functions(); }

struct TContextDeleter {
    void operator()(ftdi_context* context) const { F().ftdi_free(context); }
};
using TContext = std::unique_ptr<ftdi_context, TContextDeleter>;

// Every FTDI converter on the bus with its texts; fn(device, serial, description) may
// stop the walk by returning true. False when the bus cannot be listed.
template <class Fn>
bool ForEachDevice(ftdi_context* context, Fn fn)
{
    ftdi_device_list* list = nullptr;
    if (F().ftdi_usb_find_all(context, &list, 0, 0) < 0) return false;
    for (ftdi_device_list* entry = list; entry; entry = entry->next) {
        char manufacturer[TextSize] = {}, description[TextSize] = {}, serial[TextSize] = {};
        if (F().ftdi_usb_get_strings(context, entry->dev, manufacturer, TextSize, description, TextSize, serial,
                                     TextSize) < 0)
            continue;
        if (fn(entry->dev, std::string(serial), std::string(description))) break;
    }
    F().ftdi_list_free(&list);
    return true;
}

TOpenConverter* Converter(FT_HANDLE handle) { return static_cast<TOpenConverter*>(handle); }

// Runs a libftdi1 call on an open converter: FT_OK when it returns 0 or more, else
// `failure`.
template <class Call>
FT_STATUS On(FT_HANDLE handle, Call call, FT_STATUS failure = OtherError)
{
    TOpenConverter* converter = Converter(handle);
    if (!converter) return InvalidHandle;
    return call(converter->Context) >= 0 ? FT_OK : failure;
}

// Moves what the converter has received into the buffer. A failing read means the
// converter is gone.
FT_STATUS Fill(TOpenConverter& converter)
{
    unsigned char chunk[ReadChunk];
    for (;;) {
        const int n = F().ftdi_read_data(converter.Context, chunk, ReadChunk);
        if (n < 0) return FT_IO_ERROR;
        converter.Received.append(reinterpret_cast<const char*>(chunk), size_t(n));
        if (n < ReadChunk) return FT_OK;
    }
}

FT_STATUS CreateDeviceInfoList(uint32_t* count)
{
    if (!count) return InvalidParameter;
    TContext context(F().ftdi_new());
    if (!context) return OtherError;
    std::vector<TListedDevice> devices;
    if (!ForEachDevice(context.get(), [&](libusb_device*, std::string serial, std::string description) {
            devices.push_back({std::move(serial), std::move(description)});
            return false;
        }))
        return OtherError;
    std::lock_guard lock(ListLock());
    Listed() = std::move(devices);
    *count = uint32_t(Listed().size());
    return FT_OK;
}

void CopyText(char* out, const std::string& text)
{
    if (!out) return;
    const size_t length = std::min<size_t>(text.size(), FtdiDetailTextSize - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

FT_STATUS GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id, uint32_t* location,
                              char* serialNumber, char* description, FT_HANDLE* handle)
{
    std::lock_guard lock(ListLock());
    if (index >= Listed().size()) return DeviceNotFound;
    if (flags) *flags = 0;
    if (type) *type = 0;
    if (id) *id = 0;
    if (location) *location = 0;
    if (handle) *handle = nullptr;
    CopyText(serialNumber, Listed()[index].SerialNumber);
    CopyText(description, Listed()[index].Description);
    return FT_OK;
}

FT_STATUS OpenEx(const void* arg, uint32_t flags, FT_HANDLE* handle)
{
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !arg || !handle) return InvalidParameter;
    const std::string wanted = static_cast<const char*>(arg);
    TContext context(F().ftdi_new());
    if (!context) return OtherError;
    FT_STATUS status = DeviceNotFound;
    ForEachDevice(context.get(), [&](libusb_device* device, const std::string& serial, const std::string&) {
        if (serial != wanted) return false;
        status = F().ftdi_usb_open_dev(context.get(), device) < 0 ? DeviceNotOpened : FT_OK;
        return true;
    });
    if (status != FT_OK) return status;
    auto converter = std::make_unique<TOpenConverter>();
    unsigned char latency = 0;
    if (F().ftdi_get_latency_timer(context.get(), &latency) >= 0 && latency > 0) converter->LatencyMs = latency;
    converter->Context = context.release();
    *handle = converter.release();
    return FT_OK;
}

FT_STATUS Close(FT_HANDLE handle)
{
    std::unique_ptr<TOpenConverter> converter(Converter(handle));
    if (!converter) return InvalidHandle;
    const int result = F().ftdi_usb_close(converter->Context);
    F().ftdi_free(converter->Context);
    return result < 0 ? FT_IO_ERROR : FT_OK;
}

FT_STATUS Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written)
{
    if (!written || (count && !buffer)) return InvalidParameter;
    TOpenConverter* converter = Converter(handle);
    if (!converter) return InvalidHandle;
    const int n = F().ftdi_write_data(converter->Context, static_cast<const unsigned char*>(buffer),
                                      int(std::min<uint32_t>(count, INT32_MAX)));
    if (n < 0) return FT_IO_ERROR;
    *written = uint32_t(n);
    return FT_OK;
}

FT_STATUS GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    TOpenConverter* converter = Converter(handle);
    if (!converter) return InvalidHandle;
    if (!rxBytes) return InvalidParameter;
    const FT_STATUS status = Fill(*converter);
    *rxBytes = uint32_t(std::min<size_t>(converter->Received.size(), UINT32_MAX));
    return status;
}

FT_STATUS Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read)
{
    TOpenConverter* converter = Converter(handle);
    if (!converter) return InvalidHandle;
    if (!read || (count && !buffer)) return InvalidParameter;
    if (converter->Received.size() < count) {
        if (const FT_STATUS status = Fill(*converter); status != FT_OK) return status;
    }
    const size_t taken = std::min<size_t>(count, converter->Received.size());
    std::memcpy(buffer, converter->Received.data(), taken);
    converter->Received.erase(0, taken);
    *read = uint32_t(taken);
    return FT_OK;
}

FT_STATUS Purge(FT_HANDLE handle, uint32_t mask)
{
    TOpenConverter* converter = Converter(handle);
    if (!converter) return InvalidHandle;
    bool ok = true;
    if (mask & FT_PURGE_RX) {
        converter->Received.clear();
        ok = F().ftdi_tciflush(converter->Context) >= 0;
    }
    if (mask & FT_PURGE_TX) ok = F().ftdi_tcoflush(converter->Context) >= 0 && ok;
    return ok ? FT_OK : OtherError;
}

FT_STATUS ResetDevice(FT_HANDLE handle)
{
    if (TOpenConverter* converter = Converter(handle)) converter->Received.clear();
    return On(handle, [](ftdi_context* c) { return F().ftdi_usb_reset(c); });
}

FT_STATUS SetBaudRate(FT_HANDLE handle, uint32_t baudRate)
{
    if (baudRate == 0 || baudRate > INT32_MAX) return InvalidParameter;
    return On(handle, [&](ftdi_context* c) { return F().ftdi_set_baudrate(c, int(baudRate)); });
}

// The vendor library's codes are libftdi1's values: data bits 7 or 8, stop bits 0 (one),
// 1 (one and a half), 2 (two), parity 0..4 (none, odd, even, mark, space).
FT_STATUS SetDataCharacteristics(FT_HANDLE handle, uint8_t dataBits, uint8_t stopBits, uint8_t parity)
{
    if (dataBits < 7 || dataBits > 8 || stopBits > 2 || parity > 4) return InvalidParameter;
    return On(handle, [&](ftdi_context* c) {
        return F().ftdi_set_line_property(c, ftdi_bits_type(dataBits), ftdi_stopbits_type(stopBits),
                                          ftdi_parity_type(parity));
    });
}

template <int (*TFtdi1Functions::*Setter)(ftdi_context*, int), int Level>
FT_STATUS SetModemLine(FT_HANDLE handle)
{
    return On(handle, [](ftdi_context* c) { return (F().*Setter)(c, Level); });
}

} // namespace

TD2xxFunctions Ftdi1D2xxFunctions()
{
    TD2xxFunctions f;
    f.FT_Write = Write;
    f.FT_Close = Close;
    f.FT_Read = Read;
    f.FT_SetBaudRate = SetBaudRate;
    f.FT_SetDataCharacteristics = SetDataCharacteristics;
    f.FT_ResetDevice = ResetDevice;
    f.FT_SetDtr = SetModemLine<&TFtdi1Functions::ftdi_setdtr, 1>;
    f.FT_ClrDtr = SetModemLine<&TFtdi1Functions::ftdi_setdtr, 0>;
    f.FT_SetRts = SetModemLine<&TFtdi1Functions::ftdi_setrts, 1>;
    f.FT_ClrRts = SetModemLine<&TFtdi1Functions::ftdi_setrts, 0>;
    f.FT_Purge = Purge;
    f.FT_GetQueueStatus = GetQueueStatus;
    f.FT_OpenEx = OpenEx;
    f.FT_CreateDeviceInfoList = CreateDeviceInfoList;
    f.FT_GetDeviceInfoDetail = GetDeviceInfoDetail;
    return f;
}

uint32_t Ftdi1LatencyMs(FT_HANDLE handle)
{
    const TOpenConverter* converter = Converter(handle);
    return converter ? converter->LatencyMs : DefaultLatencyMs;
}

void Ftdi1ForgetDeviceList()
{
    std::lock_guard lock(ListLock());
    Listed().clear();
}

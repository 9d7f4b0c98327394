// A stand-in for Debian's libftdi1, built as its own shared library: its ftdi_* calls
// drive the same fake converters as the vendor library's calls of this folder (and so
// the same module simulator behind them), which they are made through. The control
// functions (fake_d2xx_control.h) configure it the same way.
//
// Devices on the "bus" are the converters in table order; a libusb_device pointer is the
// converter's index plus one. Each context remembers the converter handle it opened.
// Like libftdi1, a call on a converter that is gone answers -666, and reading never
// waits: it returns what has arrived.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"

#include <ftdi.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

namespace {

// libftdi1's answer for a converter that is no longer there.
constexpr int UsbDeviceUnavailable = -666;
// The latency timer of every fake converter, libftdi1's default.
constexpr unsigned char LatencyMs = 16;

std::mutex& ContextLock()
{
    static std::mutex lock;
    return lock;
}

std::map<ftdi_context*, FT_HANDLE>& Opened()
{
    static std::map<ftdi_context*, FT_HANDLE> opened;
    return opened;
}

FT_HANDLE HandleOf(ftdi_context* context)
{
    std::lock_guard lock(ContextLock());
    auto it = Opened().find(context);
    return it == Opened().end() ? nullptr : it->second;
}

libusb_device* DeviceAt(uint32_t index) { return reinterpret_cast<libusb_device*>(uintptr_t(index) + 1); }
uint32_t IndexOf(libusb_device* device) { return uint32_t(reinterpret_cast<uintptr_t>(device) - 1); }

bool DeviceTexts(libusb_device* device, char* serialNumber, char* description)
{
    return FT_GetDeviceInfoDetail(IndexOf(device), nullptr, nullptr, nullptr, nullptr, serialNumber, description,
                                  nullptr) == FT_OK;
}

void CopyText(char* out, int room, const char* text)
{
    if (out && room > 0) std::snprintf(out, size_t(room), "%s", text);
}

// Runs a converter call on the context's converter and answers as libftdi1 does.
template <class Call>
int On(ftdi_context* context, Call call)
{
    const FT_HANDLE handle = HandleOf(context);
    if (!handle) return -3; // "USB device unavailable" before an open
    const FT_STATUS status = call(handle);
    return status == FT_OK ? 0 : status == FT_IO_ERROR ? UsbDeviceUnavailable : -1;
}

} // namespace

extern "C" {

ftdi_context* ftdi_new() { return new ftdi_context{}; }

void ftdi_free(ftdi_context* context)
{
    {
        std::lock_guard lock(ContextLock());
        Opened().erase(context);
    }
    delete context;
}

int ftdi_usb_find_all(ftdi_context*, ftdi_device_list** list, int, int)
{
    uint32_t count = 0;
    if (!list || FT_CreateDeviceInfoList(&count) != FT_OK) return -1;
    *list = nullptr;
    ftdi_device_list** tail = list;
    for (uint32_t i = 0; i < count; ++i) {
        *tail = new ftdi_device_list{nullptr, DeviceAt(i)};
        tail = &(*tail)->next;
    }
    return int(count);
}

void ftdi_list_free(ftdi_device_list** list)
{
    while (list && *list) delete std::exchange(*list, (*list)->next);
}

int ftdi_usb_get_strings(ftdi_context*, libusb_device* device, char* manufacturer, int manufacturerLength,
                         char* description, int descriptionLength, char* serial, int serialLength)
{
    char serialNumber[FtdiDetailTextSize], text[FtdiDetailTextSize];
    if (!DeviceTexts(device, serialNumber, text)) return -7;
    CopyText(manufacturer, manufacturerLength, "FTDI");
    CopyText(description, descriptionLength, text);
    CopyText(serial, serialLength, serialNumber);
    return 0;
}

int ftdi_usb_open_dev(ftdi_context* context, libusb_device* device)
{
    char serialNumber[FtdiDetailTextSize];
    FT_HANDLE handle = nullptr;
    if (!DeviceTexts(device, serialNumber, nullptr) || FT_OpenEx(serialNumber, FT_OPEN_BY_SERIAL_NUMBER, &handle) != FT_OK)
        return -8;
    std::lock_guard lock(ContextLock());
    Opened()[context] = handle;
    return 0;
}

int ftdi_usb_close(ftdi_context* context)
{
    const int result = On(context, [](FT_HANDLE handle) { return FT_Close(handle); });
    std::lock_guard lock(ContextLock());
    Opened().erase(context);
    return result;
}

int ftdi_usb_reset(ftdi_context* context) { return On(context, FT_ResetDevice); }

int ftdi_set_baudrate(ftdi_context* context, int baudRate)
{
    if (baudRate <= 0) return -1;
    return On(context, [&](FT_HANDLE handle) { return FT_SetBaudRate(handle, uint32_t(baudRate)); });
}

int ftdi_set_line_property(ftdi_context* context, ftdi_bits_type bits, ftdi_stopbits_type stopBits,
                           ftdi_parity_type parity)
{
    return On(context, [&](FT_HANDLE handle) {
        return FT_SetDataCharacteristics(handle, uint8_t(bits), uint8_t(stopBits), uint8_t(parity));
    });
}

int ftdi_setdtr(ftdi_context* context, int state) { return On(context, state ? FT_SetDtr : FT_ClrDtr); }

int ftdi_setrts(ftdi_context* context, int state) { return On(context, state ? FT_SetRts : FT_ClrRts); }

int ftdi_write_data(ftdi_context* context, const unsigned char* buffer, int size)
{
    uint32_t written = 0;
    const int result =
        On(context, [&](FT_HANDLE handle) { return FT_Write(handle, buffer, uint32_t(size), &written); });
    return result < 0 ? result : int(written);
}

int ftdi_read_data(ftdi_context* context, unsigned char* buffer, int size)
{
    uint32_t read = 0;
    const int result = On(context, [&](FT_HANDLE handle) {
        uint32_t waiting = 0;
        const FT_STATUS status = FT_GetQueueStatus(handle, &waiting);
        if (status != FT_OK) return status;
        return FT_Read(handle, buffer, std::min(waiting, uint32_t(size)), &read);
    });
    return result < 0 ? result : int(read);
}

int ftdi_tciflush(ftdi_context* context)
{
    return On(context, [](FT_HANDLE handle) { return FT_Purge(handle, FT_PURGE_RX); });
}

int ftdi_tcoflush(ftdi_context* context)
{
    return On(context, [](FT_HANDLE handle) { return FT_Purge(handle, FT_PURGE_TX); });
}

int ftdi_get_latency_timer(ftdi_context* context, unsigned char* latency)
{
    if (!latency || !HandleOf(context)) return -3;
    *latency = LatencyMs;
    return 0;
}

} // extern "C"

// Opening, closing, line settings and the data path of a converter.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"

#include <algorithm>
#include <cstring>

namespace {

FT_STATUS OpenConverter(TFakeConverter* converter, FT_HANDLE* handle)
{
    if (!handle) return FakeNotSupported;
    if (!converter) return FakeDeviceNotFound;
    if (converter->Open) return FakeDeviceNotOpened; // held by another handle
    converter->Received.clear();
    if (!FakeConnectModule(*converter)) return FakeDeviceNotOpened;
    converter->Open = true;
    ++converter->OpenCount;
    *handle = converter;
    return FT_OK;
}

template <class Setter>
FT_STATUS Set(FT_HANDLE handle, Setter setter)
{
    return WithOpenConverter(handle, [&](TFakeConverter& converter) {
        setter(converter);
        return FT_OK;
    });
}

// Changes a modem output; wired back to an input, the change is a modem-status event.
FT_STATUS SetModemLine(FT_HANDLE handle, bool TFakeConverter::*line, bool level)
{
    return Set(handle, [&](TFakeConverter& c) {
        if (c.*line == level) return;
        c.*line = level;
        FakeNotify(c, FT_EVENT_MODEM_STATUS);
    });
}

} // namespace

extern "C" {

FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle)
{
    std::lock_guard lock(FakeLock());
    auto& converters = FakeConverters();
    auto it = converters.begin();
    for (int i = 0; i < deviceIndex && it != converters.end(); ++i) ++it;
    return OpenConverter(deviceIndex < 0 || it == converters.end() ? nullptr : &*it, handle);
}

FT_STATUS FT_OpenEx(const void* arg, uint32_t flags, FT_HANDLE* handle)
{
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !arg) return FakeNotSupported;
    std::lock_guard lock(FakeLock());
    const char* serialNumber = static_cast<const char*>(arg);
    for (TFakeConverter& converter : FakeConverters())
        if (converter.SerialNumber == serialNumber) return OpenConverter(&converter, handle);
    return FakeDeviceNotFound;
}

FT_STATUS FT_Close(FT_HANDLE handle)
{
    TFakeModuleConnection module;
    const FT_STATUS status = WithOpenConverter(handle, [&](TFakeConverter& c) {
        c.Open = false;
        c.Event = nullptr;
        module = FakeTakeModule(c);
        return FT_OK;
    });
    FakeEndModule(std::move(module));
    return status;
}

FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written)
{
    if (!written || (count && !buffer)) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) {
        FakeTransmit(c, static_cast<const char*>(buffer), count);
        *written = count;
    });
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read)
{
    if (!read || (count && !buffer)) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) {
        const size_t taken = std::min<size_t>(count, c.Received.size());
        std::memcpy(buffer, c.Received.data(), taken);
        c.Received.erase(0, taken);
        *read = uint32_t(taken);
    });
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    if (!rxBytes) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) { *rxBytes = uint32_t(c.Received.size()); });
}

FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask)
{
    return Set(handle, [&](TFakeConverter& c) {
        if (mask & FT_PURGE_RX) c.Received.clear();
    });
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    return Set(handle, [](TFakeConverter& c) { c.Received.clear(); });
}

FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baudRate)
{
    if (baudRate == 0) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) { c.BaudRate = baudRate; });
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, uint8_t dataBits, uint8_t stopBits, uint8_t parity)
{
    if (dataBits < 7 || dataBits > 8 || stopBits > 2 || parity > 4) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) {
        c.DataBits = dataBits;
        c.StopBits = stopBits;
        c.Parity = parity;
    });
}

FT_STATUS FT_SetDtr(FT_HANDLE handle)
{
    return SetModemLine(handle, &TFakeConverter::Dtr, true);
}

FT_STATUS FT_ClrDtr(FT_HANDLE handle)
{
    return SetModemLine(handle, &TFakeConverter::Dtr, false);
}

FT_STATUS FT_SetRts(FT_HANDLE handle)
{
    return SetModemLine(handle, &TFakeConverter::Rts, true);
}

FT_STATUS FT_ClrRts(FT_HANDLE handle)
{
    return SetModemLine(handle, &TFakeConverter::Rts, false);
}

// The modem lines are wired back as well: RTS drives CTS (0x10), DTR drives DSR (0x20).
FT_STATUS FT_GetModemStatus(FT_HANDLE handle, uint32_t* modemStatus)
{
    if (!modemStatus) return FakeNotSupported;
    return Set(handle, [&](TFakeConverter& c) { *modemStatus = (c.Rts ? 0x10u : 0u) | (c.Dtr ? 0x20u : 0u); });
}

// Flow control, special characters and time-outs do not change the line, so the
// converter only acknowledges them.
FT_STATUS FT_SetFlowControl(FT_HANDLE handle, uint16_t, uint8_t, uint8_t)
{
    return Set(handle, [](TFakeConverter&) {});
}

FT_STATUS FT_SetChars(FT_HANDLE handle, uint8_t, uint8_t, uint8_t, uint8_t)
{
    return Set(handle, [](TFakeConverter&) {});
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t, uint32_t)
{
    return Set(handle, [](TFakeConverter&) {});
}

// event points to a TD2xxEvent (transports/ftdi/uFTDIEvent.h); null or mask 0 stops the
// notification. Bytes already waiting are announced at once.
FT_STATUS FT_SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event)
{
    return Set(handle, [&](TFakeConverter& c) {
        c.Event = mask ? static_cast<TD2xxEvent*>(event) : nullptr;
        c.EventMask = c.Event ? mask : 0;
        if (!c.Received.empty()) FakeNotify(c, FT_EVENT_RXCHAR);
    });
}

} // extern "C"

FAKE_D2XX_MATCHES_BINDING(FT_Open);
FAKE_D2XX_MATCHES_BINDING(FT_OpenEx);
FAKE_D2XX_MATCHES_BINDING(FT_Close);
FAKE_D2XX_MATCHES_BINDING(FT_Write);
FAKE_D2XX_MATCHES_BINDING(FT_Read);
FAKE_D2XX_MATCHES_BINDING(FT_GetQueueStatus);
FAKE_D2XX_MATCHES_BINDING(FT_Purge);
FAKE_D2XX_MATCHES_BINDING(FT_ResetDevice);
FAKE_D2XX_MATCHES_BINDING(FT_SetBaudRate);
FAKE_D2XX_MATCHES_BINDING(FT_SetDataCharacteristics);
FAKE_D2XX_MATCHES_BINDING(FT_SetDtr);
FAKE_D2XX_MATCHES_BINDING(FT_ClrDtr);
FAKE_D2XX_MATCHES_BINDING(FT_SetRts);
FAKE_D2XX_MATCHES_BINDING(FT_ClrRts);
FAKE_D2XX_MATCHES_BINDING(FT_GetModemStatus);
FAKE_D2XX_MATCHES_BINDING(FT_SetFlowControl);
FAKE_D2XX_MATCHES_BINDING(FT_SetChars);
FAKE_D2XX_MATCHES_BINDING(FT_SetTimeouts);
FAKE_D2XX_MATCHES_BINDING(FT_SetEventNotification);

// The converter table, its configuration and the enumeration calls.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"

#include <algorithm>
#include <cstring>
#include <iterator>

std::mutex& FakeLock()
{
    static std::mutex lock;
    return lock;
}

std::list<TFakeConverter>& FakeConverters()
{
    static std::list<TFakeConverter> converters = FakeConvertersFromEnvironment();
    return converters;
}

TFakeConverter* FakeOpenConverter(FT_HANDLE handle)
{
    for (TFakeConverter& converter : FakeConverters())
        if (&converter == handle && converter.Open) return &converter;
    return nullptr;
}

namespace {

TFakeConverter* ConverterAt(uint32_t index)
{
    auto& converters = FakeConverters();
    if (index >= converters.size()) return nullptr;
    auto it = converters.begin();
    std::advance(it, index);
    return &*it;
}

void CopyText(char* out, const std::string& text, size_t room)
{
    const size_t length = std::min(text.size(), room - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

} // namespace

extern "C" {

// Attaches a converter; it is listed after those attached before.
void FakeD2xxAddConverter(const char* serialNumber, const char* description)
{
    std::lock_guard lock(FakeLock());
    TFakeConverter& converter = FakeConverters().emplace_back();
    converter.SerialNumber = serialNumber;
    converter.Description = description;
}

// Detaches every converter; their handles become invalid.
void FakeD2xxClearConverters()
{
    std::list<TFakeConverter> detached;
    {
        std::lock_guard lock(FakeLock());
        detached.swap(FakeConverters());
    }
    for (TFakeConverter& converter : detached) FakeEndModule(FakeTakeModule(converter));
}

FT_STATUS FT_CreateDeviceInfoList(uint32_t* count)
{
    if (!count) return FakeNotSupported;
    std::lock_guard lock(FakeLock());
    *count = uint32_t(FakeConverters().size());
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfoDetail(uint32_t index, uint32_t* flags, uint32_t* type, uint32_t* id,
                                 uint32_t* location, char* serialNumber, char* description,
                                 FT_HANDLE* handle)
{
    std::lock_guard lock(FakeLock());
    TFakeConverter* converter = ConverterAt(index);
    if (!converter) return FakeDeviceNotFound;
    if (flags) *flags = converter->Open ? 1 : 0;
    if (type) *type = 0;
    if (id) *id = 0x04036001;
    if (location) *location = index + 1;
    if (serialNumber) CopyText(serialNumber, converter->SerialNumber, FakeSerialNumberSize);
    if (description) CopyText(description, converter->Description, FakeDescriptionSize);
    if (handle) *handle = converter->Open ? converter : nullptr;
    return FT_OK;
}

// The record layouts and flag combinations of these two are the library's own; the
// system does not use them, so this library declines them.
FT_STATUS FT_GetDeviceInfoList(void*, uint32_t*)
{
    return FakeNotSupported;
}

FT_STATUS FT_ListDevices(void*, void*, uint32_t)
{
    return FakeNotSupported;
}

} // extern "C"

FAKE_D2XX_MATCHES_BINDING(FT_CreateDeviceInfoList);
FAKE_D2XX_MATCHES_BINDING(FT_GetDeviceInfoDetail);
FAKE_D2XX_MATCHES_BINDING(FT_GetDeviceInfoList);
FAKE_D2XX_MATCHES_BINDING(FT_ListDevices);

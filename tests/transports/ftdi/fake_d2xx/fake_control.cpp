// Test controls of the fake library: module converters, unplugging, and what the
// converters were told.
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx.h"
#include "tests/transports/ftdi/fake_d2xx/fake_d2xx_control.h"

#include <cstdlib>

namespace {

TFakeConverter* FindConverter(const char* serialNumber)
{
    for (TFakeConverter& converter : FakeConverters())
        if (converter.SerialNumber == serialNumber) return &converter;
    return nullptr;
}

void AddModuleConverter(std::list<TFakeConverter>& converters, const char* serialNumber, const char* description,
                        const char* host, uint16_t port)
{
    TFakeConverter& converter = converters.emplace_back();
    converter.SerialNumber = serialNumber;
    converter.Description = description;
    converter.ModuleHost = host;
    converter.ModulePort = port;
}

} // namespace

std::list<TFakeConverter> FakeConvertersFromEnvironment()
{
    std::list<TFakeConverter> converters;
    const char* variable = std::getenv("VALDRIX_FAKE_D2XX_SIM");
    if (!variable || !*variable) return converters;
    std::string text = variable;
    std::string serialNumber = FakeSimSerialNumber;
    if (const size_t at = text.find('@'); at != std::string::npos) {
        serialNumber = text.substr(0, at);
        text.erase(0, at + 1);
    }
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return converters;
    const int port = std::atoi(text.c_str() + colon + 1);
    if (port <= 0 || port > 65535) return converters;
    AddModuleConverter(converters, serialNumber.c_str(), FakeSimDescription, text.substr(0, colon).c_str(),
                       uint16_t(port));
    return converters;
}

extern "C" {

void FakeD2xxAddModuleConverter(const char* serialNumber, const char* description, const char* host, uint16_t port)
{
    std::lock_guard lock(FakeLock());
    AddModuleConverter(FakeConverters(), serialNumber, description, host, port);
}

bool FakeD2xxUnplug(const char* serialNumber)
{
    TFakeModuleConnection module;
    {
        std::lock_guard lock(FakeLock());
        TFakeConverter* converter = FindConverter(serialNumber);
        if (!converter) return false;
        converter->Unplugged = true;
        converter->Event = nullptr;
        module = FakeTakeModule(*converter);
    }
    FakeEndModule(std::move(module));
    return true;
}

bool FakeD2xxReplug(const char* serialNumber)
{
    std::lock_guard lock(FakeLock());
    TFakeConverter* converter = FindConverter(serialNumber);
    if (!converter) return false;
    converter->Unplugged = false;
    converter->Open = false;
    return true;
}

int FakeD2xxOpenCount(const char* serialNumber)
{
    std::lock_guard lock(FakeLock());
    const TFakeConverter* converter = FindConverter(serialNumber);
    return converter ? converter->OpenCount : -1;
}

bool FakeD2xxLineSettings(const char* serialNumber, TFakeLineSettings* settings)
{
    std::lock_guard lock(FakeLock());
    const TFakeConverter* converter = FindConverter(serialNumber);
    if (!converter || !settings) return false;
    *settings = {converter->BaudRate, converter->DataBits, converter->StopBits, converter->Parity, converter->Dtr,
                 converter->Rts};
    return true;
}

} // extern "C"

static_assert(std::is_same_v<decltype(&FakeD2xxAddModuleConverter), TFakeD2xxAddModuleConverter>);
static_assert(std::is_same_v<decltype(&FakeD2xxUnplug), TFakeD2xxUnplug>);
static_assert(std::is_same_v<decltype(&FakeD2xxReplug), TFakeD2xxReplug>);
static_assert(std::is_same_v<decltype(&FakeD2xxOpenCount), TFakeD2xxOpenCount>);
static_assert(std::is_same_v<decltype(&FakeD2xxLineSettings), TFakeD2xxLineSettings>);

#include "transports/ftdi/uFTDIEnum.h"

#include <cstring>

namespace {

enum class TDetailText { SerialNumber, Description };

FT_STATUS DeviceText(int index, TDetailText which, char* buffer, uint32_t& capacity)
{
    char serialNumber[FtdiDetailTextSize] = {};
    char description[FtdiDetailTextSize] = {};
    uint32_t flags = 0, type = 0, id = 0, location = 0;
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = FTDILibrary().Call(&TD2xxFunctions::FT_GetDeviceInfoDetail, uint32_t(index),
                                                &flags, &type, &id, &location, serialNumber,
                                                description, &handle);
    if (status != FT_OK) return status;
    const char* text = which == TDetailText::SerialNumber ? serialNumber : description;
    // Bounded, in case a library fills the whole buffer without a terminator.
    const auto length = uint32_t(::strnlen(text, FtdiDetailTextSize - 1));
    if (!buffer) {
        capacity = length + 1;
        return FT_OK;
    }
    if (capacity < length + 1) {
        capacity = length + 1;
        return FtdiBufferTooSmall;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    capacity = length;
    return FT_OK;
}

} // namespace

int FTDIDeviceCount()
{
    const TFTDIBinding& library = FTDILibrary();
    uint32_t count = 0;
    if (!library.FullyBound() || library.Call(&TD2xxFunctions::FT_CreateDeviceInfoList, &count) != FT_OK)
        return -1;
    return int(count);
}

FT_STATUS FTDIDeviceDescription(int index, char* buffer, uint32_t& capacity)
{
    return DeviceText(index, TDetailText::Description, buffer, capacity);
}

FT_STATUS FTDIDeviceSerialNumber(int index, char* buffer, uint32_t& capacity)
{
    return DeviceText(index, TDetailText::SerialNumber, buffer, capacity);
}

void FTDIFillDeviceList(TFTDIDeviceList& list)
{
    list.clear();
    try {
        const int count = FTDIDeviceCount();
        for (int i = 0; i < count; ++i) {
            char description[128];
            uint32_t capacity = sizeof description;
            if (FTDIDeviceDescription(i, description, capacity) == FT_OK && capacity > 0)
                list.push_back({std::string(description, capacity), i});
        }
    } catch (const std::exception&) {
        // Out of memory: the list keeps what it got so far.
    }
}

std::string FTDIEntrySerialNumber(const TFTDIDeviceList& list, int entry)
{
    if (entry < 0 || size_t(entry) >= list.size()) return {};
    char serialNumber[256];
    uint32_t capacity = sizeof serialNumber;
    if (FTDIDeviceSerialNumber(list[size_t(entry)].DeviceIndex, serialNumber, capacity) != FT_OK) return {};
    try {
        return std::string(serialNumber, capacity);
    } catch (const std::exception&) {
        return {};
    }
}

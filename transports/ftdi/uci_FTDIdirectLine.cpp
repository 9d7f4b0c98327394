// Line settings of the USB converter transport: stored while closed, sent while open.
#include "transports/ftdi/uci_FTDIdirect.h"

#include "transports/uci_InterfaceLocks.h"

namespace {
// Modem-status bits of FT_GetModemStatus.
constexpr uint32_t kModemCTS = 0x10;
constexpr uint32_t kModemDSR = 0x20;
} // namespace

// A zero or negative rate has no byte time and is refused before the converter sees it.
bool TFTDIDevice::ApplyBaudRate(int32_t baudRate)
{
    TCiWriteLock lock(*this);
    if (baudRate < 1) return false;
    if (IsOpen() && Call(&TD2xxFunctions::FT_SetBaudRate, GetHandle(), uint32_t(baudRate)) != FT_OK) return false;
    FBaudRate = baudRate;
    return TSerialCommunicationInterface::ApplyBaudRate(baudRate);
}

FT_STATUS TFTDIDevice::SendDataCharacteristics()
{
    return Call(&TD2xxFunctions::FT_SetDataCharacteristics, GetHandle(), FDatabits, FStopBits, FParity);
}

bool TFTDIDevice::ApplyCharacterSetting(uint8_t& setting, uint8_t value)
{
    TCiWriteLock lock(*this);
    const uint8_t previous = setting;
    setting = value;
    if (IsOpen() && SendDataCharacteristics() != FT_OK) {
        setting = previous;
        return false;
    }
    return true;
}

bool TFTDIDevice::ApplyParity(uint8_t parity) { return ApplyCharacterSetting(FParity, parity); }
bool TFTDIDevice::ApplyStopBits(uint8_t stopBits) { return ApplyCharacterSetting(FStopBits, stopBits); }
bool TFTDIDevice::ApplyDatabits(uint8_t databits) { return ApplyCharacterSetting(FDatabits, databits); }

bool TFTDIDevice::ApplyDTR(bool level)
{
    TCiWriteLock lock(*this);
    if (IsOpen() && Call(level ? &TD2xxFunctions::FT_SetDtr : &TD2xxFunctions::FT_ClrDtr, GetHandle()) != FT_OK)
        return false;
    FDtr = level;
    return true;
}

bool TFTDIDevice::ApplyRTS(bool level)
{
    TCiWriteLock lock(*this);
    if (IsOpen() && Call(level ? &TD2xxFunctions::FT_SetRts : &TD2xxFunctions::FT_ClrRts, GetHandle()) != FT_OK)
        return false;
    FRts = level;
    return true;
}

int32_t TFTDIDevice::GetBaudRate()
{
    TCiReadLock lock(*this);
    return FBaudRate;
}

uint8_t TFTDIDevice::GetParity()
{
    TCiReadLock lock(*this);
    return FParity;
}

uint8_t TFTDIDevice::GetStopBits()
{
    TCiReadLock lock(*this);
    return FStopBits;
}

uint8_t TFTDIDevice::GetDatabits()
{
    TCiReadLock lock(*this);
    return FDatabits;
}

bool TFTDIDevice::GetDTR()
{
    TCiReadLock lock(*this);
    return FDtr;
}

bool TFTDIDevice::GetRTS()
{
    TCiReadLock lock(*this);
    return FRts;
}

// The inputs are read from the converter now; false while closed or when it cannot tell.
bool TFTDIDevice::ModemStatusBit(uint32_t bit)
{
    TCiWriteLock lock(*this);
    if (!IsOpen()) return false;
    uint32_t status = 0;
    return Call(&TD2xxFunctions::FT_GetModemStatus, GetHandle(), &status) == FT_OK && (status & bit) != 0;
}

bool TFTDIDevice::GetCTS() { return ModemStatusBit(kModemCTS); }
bool TFTDIDevice::GetDSR() { return ModemStatusBit(kModemDSR); }

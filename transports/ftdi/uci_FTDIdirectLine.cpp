// Line settings of the USB converter transport: stored while closed, sent while open.
#include "transports/ftdi/uci_FTDIdirect.h"

#include "framework/uSync.h"

namespace {
// Modem-status bits of FT_GetModemStatus.
constexpr uint32_t ModemCTS = 0x10;
constexpr uint32_t ModemDSR = 0x20;
} // namespace

// A zero or negative rate has no byte time and is refused before the converter sees it.
bool TFTDIDevice::ApplyBaudRate(int32_t baudRate)
{
    TWriteScope lock(*this);
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
    TWriteScope lock(*this);
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
    TWriteScope lock(*this);
    if (IsOpen() && Call(level ? &TD2xxFunctions::FT_SetDtr : &TD2xxFunctions::FT_ClrDtr, GetHandle()) != FT_OK)
        return false;
    FDtr = level;
    return true;
}

bool TFTDIDevice::ApplyRTS(bool level)
{
    TWriteScope lock(*this);
    if (IsOpen() && Call(level ? &TD2xxFunctions::FT_SetRts : &TD2xxFunctions::FT_ClrRts, GetHandle()) != FT_OK)
        return false;
    FRts = level;
    return true;
}

int32_t TFTDIDevice::GetBaudRate()
{
    TReadScope lock(*this);
    return FBaudRate;
}

uint8_t TFTDIDevice::GetParity()
{
    TReadScope lock(*this);
    return FParity;
}

uint8_t TFTDIDevice::GetStopBits()
{
    TReadScope lock(*this);
    return FStopBits;
}

uint8_t TFTDIDevice::GetDatabits()
{
    TReadScope lock(*this);
    return FDatabits;
}

bool TFTDIDevice::GetDTR()
{
    TReadScope lock(*this);
    return FDtr;
}

bool TFTDIDevice::GetRTS()
{
    TReadScope lock(*this);
    return FRts;
}

// The inputs are read from the converter now; false while closed or when it cannot tell.
bool TFTDIDevice::ModemStatusBit(uint32_t bit)
{
    TWriteScope lock(*this);
    if (!IsOpen()) return false;
    uint32_t status = 0;
    return Call(&TD2xxFunctions::FT_GetModemStatus, GetHandle(), &status) == FT_OK && (status & bit) != 0;
}

bool TFTDIDevice::GetCTS() { return ModemStatusBit(ModemCTS); }
bool TFTDIDevice::GetDSR() { return ModemStatusBit(ModemDSR); }

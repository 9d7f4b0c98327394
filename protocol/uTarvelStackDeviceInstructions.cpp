// The instructions common to every device of the family, as operations of the stack device.
#include "protocol/uTarvelCommonInstructions.h"
#include "protocol/uTarvelStackDevice.h"

bool TTarvelStackDevice::InstE3() { return Command(TARVEL_INST_E3); }

bool TTarvelStackDevice::ReadIdentification()
{
    std::string text;
    FIdentified = Query(TARVEL_INST_IDENTIFICATION, std::string(), text);
    const TTarvelIdentification id = FIdentified ? SplitTarvelIdentification(text) : TTarvelIdentification{};
    SetName(id.Name);
    FVersion = id.Version;
    FIdentThird = id.Third;
    return FIdentified;
}

bool TTarvelStackDevice::ReadF1Byte(uint8_t& value)
{
    value = 0;
    std::string data;
    const bool ok = Query(TARVEL_INST_READ_F1_BYTE, std::string(), data);
    if (ok && !data.empty()) value = FByteF1 = uint8_t(data[0]);
    return ok;
}

bool TTarvelStackDevice::WriteE1Byte(uint8_t value)
{
    const bool ok = Command(TARVEL_INST_WRITE_E1_BYTE, std::string(1, char(value)));
    if (ok) FByteF1 = value;
    return ok;
}

bool TTarvelStackDevice::ReadF2(std::string& data) { return Query(TARVEL_INST_READ_F2, std::string(), data); }

bool TTarvelStackDevice::WriteE2Text(const std::string& text)
{
    return Command(TARVEL_INST_WRITE_E2_TEXT, EncodeE2Text(text));
}

bool TTarvelStackDevice::ReadIdentificationText(std::string& text)
{
    return Query(TARVEL_INST_IDENTIFICATION, std::string(), text);
}

bool TTarvelStackDevice::ReadFEFlag(bool& flag)
{
    std::string data;
    const bool ok = Query(TARVEL_INST_READ_FE_FLAG, std::string(), data);
    if (ok && !data.empty()) flag = data[0] != 0;
    return ok;
}

bool TTarvelStackDevice::SwitchEE(bool on) { return Command(TARVEL_INST_SWITCH_EE, std::string(1, on ? '\1' : '\0')); }

bool TTarvelStackDevice::ReadFANumbers(uint16_t& n1, uint16_t& n2, uint32_t& n3)
{
    std::string data;
    return Query(TARVEL_INST_READ_FA_NUMBERS, std::string(), data) && DecodeFANumbers(data, n1, n2, n3);
}

bool TTarvelStackDevice::ReadAddress(uint8_t& address)
{
    uint32_t baud = 0;
    return ReadAddressAndBaudRate(address, baud);
}

bool TTarvelStackDevice::ReadAddressAndBaudRate(uint8_t& address, uint32_t& baud)
{
    std::string data;
    const bool ok = Query(TARVEL_INST_READ_ADDRESS, std::string(), data);
    if (ok && data.size() >= 2) {
        FAddress = uint8_t(data[0]);
        baud = TarvelBaudRateOfCode(uint8_t(data[1]));
    }
    address = FAddress;
    return ok;
}

bool TTarvelStackDevice::ChangeAddress(uint8_t newAddress)
{
    std::string parameters;
    if (!Query(TARVEL_INST_READ_ADDRESS, std::string(), parameters)) return false;
    // Nothing was changed on the device in either case: reporting success would be false.
    if (parameters.size() < 2) return false;
    FAddress = uint8_t(parameters[0]);
    parameters[0] = char(newAddress);
    if (!EnableConfiguration()) return false;
    const bool ok = Command(TARVEL_INST_SET_ADDRESS, parameters);
    if (ok) FAddress = newAddress;
    return ok;
}

bool TTarvelStackDevice::ChangeAddressByNumbers(uint16_t n1, uint16_t n2, uint8_t newAddress)
{
    const uint8_t remembered = FAddress;
    // A device whose address is to change is reached by the special address, which any device answers.
    if (newAddress != remembered && remembered < TARVEL_ADR_SPECIAL) FAddress = TARVEL_ADR_SPECIAL;
    bool ok = false;
    try {
        const bool wait = FAddress != TARVEL_ADR_UNIVERSAL;
        ok = Command(TARVEL_INST_CHANGE_ADDRESS_BY_NUMBERS, EncodeAddressByNumbers(newAddress, n1, n2), -1, wait);
    } catch (...) {
        FAddress = remembered;
        throw;
    }
    FAddress = ok ? newAddress : remembered;
    return ok;
}

bool TTarvelStackDevice::ChangeAddressAndBaudRate(uint8_t newAddress, uint32_t baud)
{
    const int code = TarvelBaudRateCode(baud);
    if (code < 0) return false;
    if (!Command(TARVEL_INST_ENABLE_CONFIGURATION)) return false;
    const bool ok = Command(TARVEL_INST_SET_ADDRESS, std::string{char(newAddress), char(code)});
    if (ok) FAddress = newAddress;
    return ok;
}

bool TTarvelStackDevice::EnableConfiguration()
{
    return Command(TARVEL_INST_ENABLE_CONFIGURATION, TARVEL_ENABLE_CONFIGURATION_TIMEOUT);
}

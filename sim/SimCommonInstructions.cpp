// Instructions E0..FE that every device of the family understands: address and baud
// rate, identification, serial numbers and a few one-byte settings.
#include "sim/SimInstructions.h"

#include "protocol/uTarvel97.h"
#include "protocol/uTarvelBytes.h"

#include <algorithm>

namespace {

constexpr uint8_t BaudCodeMax = 11;
constexpr size_t TextMax = 16;

bool IsDeviceAddress(uint8_t adr) { return adr != TARVEL_ADR_SPECIAL && adr != TARVEL_ADR_UNIVERSAL; }

// E0: new address and baud-rate code; bytes after them (parameters read by F0) are kept as sent.
TSimAnswer SetAddressAndBaudRate(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() < 2 || !IsDeviceAddress(SimByte(r.Data, 0)) || SimByte(r.Data, 1) > BaudCodeMax)
        return SimBadData();
    m.Address = SimByte(r.Data, 0);
    m.BaudCode = SimByte(r.Data, 1);
    return SimOk();
}

TSimAnswer WriteByteE1(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 1) return SimBadData();
    m.ByteF1 = SimByte(r.Data, 0);
    return SimOk();
}

// E2: a zero byte, up to 16 characters, and a closing zero byte when shorter than 16.
TSimAnswer WriteText(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.empty() || r.Data[0] != '\0' || r.Data.size() > TextMax + 2) return SimBadData();
    std::string_view text = r.Data.substr(1);
    text = text.substr(0, std::min(text.find('\0'), TextMax));
    m.Text = std::string(text);
    return SimOk();
}

TSimAnswer Acknowledge(TSimModule&, const TSimRequest&) { return SimOk(); }

TSimAnswer EnableConfiguration(TSimModule& m, const TSimRequest& r)
{
    m.EnableConfiguration(r.Now);
    return SimOk();
}

// EB: new address for the device whose serial numbers N1 and N2 match. Sent to the
// special address, a device with other numbers keeps silent (it is not the one meant).
TSimAnswer ChangeAddressByNumbers(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 5 || !IsDeviceAddress(SimByte(r.Data, 0))) return SimBadData();
    if (GetBE16(r.Data, 1) != m.SerialN1 || GetBE16(r.Data, 3) != m.SerialN2)
        return r.Adr == TARVEL_ADR_SPECIAL ? TSimAnswer{true, SimAckOk, {}} : SimBadData();
    m.Address = SimByte(r.Data, 0);
    return SimOk();
}

TSimAnswer SwitchEE(TSimModule& m, const TSimRequest& r)
{
    if (r.Data.size() != 1 || SimByte(r.Data, 0) > 1) return SimBadData();
    m.FlagEE = SimByte(r.Data, 0) == 1;
    return SimOk();
}

TSimAnswer ReadAddress(TSimModule& m, const TSimRequest& r)
{
    return SimOk({char(m.Address), char(m.BaudCode)});
}

TSimAnswer ReadByteF1(TSimModule& m, const TSimRequest&) { return SimOk({char(m.ByteF1)}); }

TSimAnswer ReadText(TSimModule& m, const TSimRequest&) { return SimOk(m.Text); }

TSimAnswer ReadIdentification(TSimModule& m, const TSimRequest&) { return SimOk(m.Identification); }

TSimAnswer ReadNumbers(TSimModule& m, const TSimRequest&)
{
    std::string data;
    PutBE16(data, m.SerialN1);
    PutBE16(data, m.SerialN2);
    PutBE32(data, m.SerialN3);
    return SimOk(std::move(data));
}

TSimAnswer ReadFlagEE(TSimModule& m, const TSimRequest&) { return SimOk({char(m.FlagEE ? 1 : 0)}); }

}

void AddCommonInstructions(TSimInstructionSet& set)
{
    set.Add(0xE0, SetAddressAndBaudRate, true);
    set.Add(0xE1, WriteByteE1);
    set.Add(0xE2, WriteText);
    set.Add(0xE3, Acknowledge);
    set.Add(SimInstEnableConfiguration, EnableConfiguration);
    set.Add(0xEB, ChangeAddressByNumbers);
    set.Add(0xEE, SwitchEE);
    set.Add(0xF0, ReadAddress);
    set.Add(0xF1, ReadByteF1);
    set.Add(0xF2, ReadText);
    set.Add(0xF3, ReadIdentification);
    set.Add(0xFA, ReadNumbers);
    set.Add(0xFE, ReadFlagEE);
}

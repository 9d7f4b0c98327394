#include "transports/uci_SerialCommunicationInterface.h"

#include "framework/uXmlUtils.h"
#include "framework/uci_ConnectionString.h"
#include "framework/uSync.h"

namespace {

const char* const ParityNames[] = {"None", "Odd", "Even", "Mark", "Space"};
const char* const StopBitsNames[] = {"One", "OneAndHalf", "Two"};
const char* const SignalNames[] = {"RTS", "CTS", "DTR", "DSR", "RING"};

template <size_t N>
std::string TableName(const char* const (&names)[N], uint32_t ordinal)
{
    return ordinal < N ? names[ordinal] : "";
}

std::string LevelText(bool level) { return level ? "-1" : "0"; }

} // namespace

std::string SerialParityName(uint8_t parity) { return TableName(ParityNames, parity); }
std::string SerialStopBitsName(uint8_t stopBits) { return TableName(StopBitsNames, stopBits); }
std::string SerialSignalName(uint32_t signal) { return TableName(SignalNames, signal); }

bool ParseSerialParity(const std::string& text, uint8_t& parity)
{
    for (uint8_t i = 0; i < std::size(ParityNames); ++i) {
        if (SameText(text, ParityNames[i])) {
            parity = i;
            return true;
        }
    }
    return false;
}

bool ParseSerialStopBits(const std::string& text, uint8_t& stopBits)
{
    struct TForm {
        const char* Text;
        TSerialStopBits Value;
    };
    static const TForm Forms[] = {{"1", ssOne},           {"ONE", ssOne},          {"1.5", ssOneAndHalf},
                                   {"1,5", ssOneAndHalf},  {"ONEANDHALF", ssOneAndHalf}, {"2", ssTwo},
                                   {"TWO", ssTwo}};
    for (const TForm& form : Forms) {
        if (SameText(text, form.Text)) {
            stopBits = form.Value;
            return true;
        }
    }
    return false;
}

bool TSerialCommunicationInterface::ImplementsInterface(const TGUID& iid) const
{
    return iid == ISerialCommunicationInterface::IID || TCommunicationInterfaceDataSpy::ImplementsInterface(iid);
}

bool TSerialCommunicationInterface::ApplyBaudRate(int32_t baudRate)
{
    if (baudRate < 1) return false;
    SetByteTime(10000.0 / baudRate);
    return true;
}

void TSerialCommunicationInterface::Notified(bool applied, const char* operation, const std::string& value)
{
    if (applied)
        DoConfigChanged();
    else
        DoError(operation, {value}, 0);
}

void TSerialCommunicationInterface::SetBaudRate(int32_t baudRate)
{
    Notified(ApplyBaudRate(baudRate), "SetBaudRate", std::to_string(baudRate));
}

void TSerialCommunicationInterface::SetParity(uint8_t parity)
{
    Notified(ApplyParity(parity), "SetParity", SerialParityName(parity));
}

void TSerialCommunicationInterface::SetStopBits(uint8_t stopBits)
{
    Notified(ApplyStopBits(stopBits), "SetStopBits", SerialStopBitsName(stopBits));
}

void TSerialCommunicationInterface::SetDatabits(uint8_t databits)
{
    Notified(ApplyDatabits(databits), "SetDatabits", std::to_string(databits));
}

void TSerialCommunicationInterface::SetDTR(bool level) { Notified(ApplyDTR(level), "SetDTR", level ? "True" : "False"); }

void TSerialCommunicationInterface::SetRTS(bool level) { Notified(ApplyRTS(level), "SetRTS", level ? "True" : "False"); }

std::string TSerialCommunicationInterface::GetConfiguration()
{
    TReadScope lock(*this);
    std::string text = TCommunicationInterfaceDataSpy::GetConfiguration();
    if (!text.empty()) text += ";";
    text += "baudrate=" + std::to_string(GetBaudRate()) + ";databits=" + std::to_string(GetDatabits()) +
            ";stopbits=" + SerialStopBitsName(GetStopBits()) + ";parity=" + SerialParityName(GetParity()) +
            ";dtr=" + LevelText(GetDTR()) + ";rts=" + LevelText(GetRTS());
    return text;
}

void TSerialCommunicationInterface::ApplyLineSettings(const std::string& text)
{
    const TConnectionStringLines lines(text);
    TWriteScope lock(*this);
    std::string value;
    if (lines.Find("baudrate", value)) ApplyBaudRate(StrToInt(value));
    if (lines.Find("databits", value)) {
        // A count that does not fit a byte reaches the setter as 0, which it refuses.
        const int32_t bits = StrToInt(value);
        ApplyDatabits(bits >= 0 && bits <= 255 ? uint8_t(bits) : 0);
    }
    uint8_t ordinal;
    if (lines.Find("stopbits", value) && ParseSerialStopBits(value, ordinal)) ApplyStopBits(ordinal);
    if (lines.Find("parity", value) && ParseSerialParity(value, ordinal)) ApplyParity(ordinal);
    if (lines.Find("dtr", value)) ApplyDTR(XmlStrToBool(value));
    if (lines.Find("rts", value)) ApplyRTS(XmlStrToBool(value));
}

bool TSerialCommunicationInterface::ApplyConfiguration(const std::string& text)
{
    ApplyLineSettings(text);
    std::string value;
    if (TConnectionStringLines(text).Find("active", value) && (SameText(value, "TRUE") || value == "1")) Open();
    return true;
}

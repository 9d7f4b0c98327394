// Feeds arbitrary connection strings to the transport factory, to the settings parser of
// each transport and to the value lookups, and aborts when the factory's error overload
// lets an exception out, reports success without a link or failure without a reason, a
// parser raises anything but the program's own exceptions, a link opens, a transport's
// composed configuration does not read back to itself, or a looked-up value is not in
// the text.
//
// Nothing is opened or connected: every "active" pair is removed from the strings first
// (the only key that opens a link), and the converter library is never found.
//
// Input: one byte choosing the path (factory; serial, TCP or converter parser; lookups),
// then the text. For the lookups the text is the key, a zero byte, the connection string.
#include "framework/uci_ConnectionString.h"

#include "framework/uExceptions.h"
#include "framework/uci_ICommunicationInterface.h"
#include "fuzz/fuzz_support.h"
#include "transports/ftdi/uci_FTDIdirect.h"
#include "transports/serial/uci_ISerialPortInterface.h"
#include "transports/tcp/uci_ITCPClientInterface.h"
#include "transports/uTransports.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

// The pairs of the text except the "active" ones, joined by ";".
std::string WithoutActive(const std::string& text)
{
    std::string kept;
    const TConnectionStringLines lines(text);
    for (const std::string& line : lines.Lines()) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(line.substr(0, eq), "active")) continue;
        if (!kept.empty()) kept += ';';
        kept += line;
    }
    return kept;
}

// What the factory reads: spaces and line breaks go before the pairs are split.
std::string WithoutBlanks(std::string text)
{
    std::erase_if(text, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
    return text;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// A transport built from its own composed configuration composes the same again.
void CheckRoundTrip(TCommunicationInterfaceClass cls, ICommunicationInterface& intf)
{
    FuzzCheck(!intf.IsOpen());
    const std::string composed = WithoutActive(intf.GetConfiguration());
    IntfPtr<ICommunicationInterface> again;
    try {
        again = cls(composed);
    } catch (const Exception&) {
        // The one string a transport composes that it refuses: a TCP port never set (0).
        FuzzCheck(composed.find("port=0") != std::string::npos);
        return;
    }
    FuzzCheck(again && !again->IsOpen());
    FuzzCheck(WithoutActive(again->GetConfiguration()) == composed);
}

// The error overload never raises; it either hands out a closed link or says why not.
void CheckFactory(const std::string& input)
{
    const std::string text = WithoutActive(WithoutBlanks(input));
    IntfPtr<ICommunicationInterface> intf;
    std::string error;
    bool created = false;
    try {
        created = CreateCommunicationInterface(text, intf, error);
    } catch (...) {
        FuzzCheck(false);
    }
    FuzzCheck(created == bool(intf));
    FuzzCheck(created == error.empty());
    if (!created) return;
    std::string provider;
    TCommunicationInterfaceClass cls = nullptr;
    FuzzCheck(TConnectionStringLines(text).Find("provider", provider) && FindProvider(provider, cls));
    CheckRoundTrip(cls, *intf);
}

// A parser may refuse a value with the program's own exception (a port that is not a
// number); anything else escaping it is a fault.
template <class T>
void CheckParser(const std::string& input)
{
    const TCommunicationInterfaceClass cls = &ConstructCommunicationInterface<T>;
    const IntfPtr<ICommunicationInterface> intf = MakeObj<T>();
    try {
        intf->SetConfiguration(WithoutActive(input));
    } catch (const Exception&) {
        FuzzCheck(!intf->IsOpen());
        return;
    }
    CheckRoundTrip(cls, *intf);
}

void CheckLookups(const std::string& input)
{
    const size_t zero = input.find('\0');
    if (zero == std::string::npos) return;
    const std::string key = input.substr(0, zero);
    const std::string text = input.substr(zero + 1);
    const std::string missing("\x01missing");
    const std::string value = GetConnectionStringValue(text, key, missing);
    int32_t number = 0;
    const int32_t expected = value != missing && TryStrToInt(value, number) ? number : -7;
    FuzzCheck(GetConnectionStringInt(text, key, -7) == expected);
    if (value == missing) return;
    FuzzCheck(value.find(';') == std::string::npos);
    FuzzCheck(Upper(text).find(Upper(key + "=" + value)) != std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("VALDRIX_D2XX_LIBRARY", "/nonexistent/libftd2xx.so", 1);
    new QCoreApplication(*argc, *argv); // the transports' events need one; lives for the run
    RegisterTransports();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 5) {
    case 0: CheckFactory(text); break;
    case 1: CheckParser<TSerialPortInterface>(text); break;
    case 2: CheckParser<TTCPClientInterface>(text); break;
    case 3: CheckParser<TFTDIDevice>(text); break;
    default: CheckLookups(text); break;
    }
    return 0;
}

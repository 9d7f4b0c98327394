// Connection strings and the provider registry.
//
// A connection string is a one-line description of a transport: pairs key=value
// separated by ";" ("provider=TCP_CLIENT;host=module1;port=10001"). There is no quoting:
// a value cannot hold ";". Keys and provider names compare without regard to case.
//
// Each transport registers a constructor function under its provider name; the factory
// CreateCommunicationInterface picks one by the "provider" key. Transports register
// through an explicit call at start-up (see transports/uTransports.h), not through
// static initialisers, which static libraries would silently drop.
#pragma once

#include "framework/ui_MyInterfacedObject.h"

#include <cstdint>
#include <string>
#include <vector>

class ICommunicationInterface;

// Constructs a transport and applies the connection string to it (the string has one
// pair per line, as the factory prepares it). Raises what the transport's configuration
// raises, e.g. EConvertError for a port that is not a number.
using TCommunicationInterfaceClass = IntfPtr<ICommunicationInterface> (*)(const std::string& connectionString);

// Registry: registration order kept; the first name matching case-insensitively wins.
bool RegisterProvider(TCommunicationInterfaceClass cls, const std::string& providerName);
bool UnregisterProvider(TCommunicationInterfaceClass cls);
bool FindProvider(const std::string& providerName, TCommunicationInterfaceClass& cls);

// Removes all spaces and line breaks, turns the pairs into lines, constructs the
// registered class of the "provider" key. False (intf untouched) when no class is
// registered under that name or there is no provider key.
bool CreateCommunicationInterface(const std::string& connectionString, IntfPtr<ICommunicationInterface>& intf);
// The same without raising: false with the reason when no transport takes the string (no
// provider key, an unknown provider, or a value the transport refuses, such as a port
// that is not a number). Every place that turns a connection string into a link uses it.
bool CreateCommunicationInterface(const std::string& connectionString, IntfPtr<ICommunicationInterface>& intf,
                                  std::string& error);

// Plain substring lookup of "KEY=" in the upper-cased text; the value runs to the next
// ";". A longer key ending in `key` matches too ("comport=" for "port").
std::string GetConnectionStringValue(const std::string& connectionString, const std::string& key,
                                      const std::string& defaultValue);
// The same, converted to a 32-bit integer; the default when missing or not a number.
int32_t GetConnectionStringInt(const std::string& connectionString, const std::string& key, int32_t defaultValue);

// The pairs of a connection string, one per line (";" and line breaks both separate).
// A key is present when the part of some line before its first "=" equals it without
// regard to case (no trimming); its value is the rest of the line, "=" included; the
// first such line wins.
class TConnectionStringLines {
public:
    explicit TConnectionStringLines(const std::string& text);

    bool Find(const std::string& key, std::string& value) const;
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
};

// Decimal 32-bit conversion with an optional sign; false for anything else.
bool TryStrToInt(const std::string& text, int32_t& value);
// The same, raising EConvertError ("'abc' is not a valid integer value").
int32_t StrToInt(const std::string& text);
// Case-insensitive comparison of ASCII texts.
bool SameText(const std::string& a, const std::string& b);

#include "framework/uci_ConnectionString.h"

#include "framework/uExceptions.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <mutex>

namespace {

struct TProviderEntry {
    TCommunicationInterfaceClass Class;
    std::string Name;
};

// The registry is filled and emptied from the main thread; the lock only keeps tests
// that run transports on several threads honest.
struct TProviderRegistry {
    std::mutex Lock;
    std::vector<TProviderEntry> Entries;
};

TProviderRegistry& Registry()
{
    static TProviderRegistry registry;
    return registry;
}

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

} // namespace

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

bool TryStrToInt(const std::string& text, int32_t& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    int32_t parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last || first == last) return false;
    value = parsed;
    return true;
}

int32_t StrToInt(const std::string& text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

bool RegisterProvider(TCommunicationInterfaceClass cls, const std::string& providerName)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.Lock);
    registry.Entries.push_back({cls, providerName});
    return true;
}

bool UnregisterProvider(TCommunicationInterfaceClass cls)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.Lock);
    auto it = std::find_if(registry.Entries.begin(), registry.Entries.end(),
                           [cls](const TProviderEntry& e) { return e.Class == cls; });
    if (it == registry.Entries.end()) return false;
    registry.Entries.erase(it);
    return true;
}

bool FindProvider(const std::string& providerName, TCommunicationInterfaceClass& cls)
{
    auto& registry = Registry();
    std::lock_guard lock(registry.Lock);
    for (const auto& entry : registry.Entries) {
        if (SameText(entry.Name, providerName)) {
            cls = entry.Class;
            return true;
        }
    }
    return false;
}

bool CreateCommunicationInterface(const std::string& connectionString, IntfPtr<ICommunicationInterface>& intf)
{
    std::string prepared;
    prepared.reserve(connectionString.size());
    for (char c : connectionString) {
        if (c == '\r' || c == '\n' || c == ' ') continue;
        prepared += c == ';' ? '\r' : c;
    }
    std::string provider;
    TConnectionStringLines(prepared).Find("provider", provider);
    TCommunicationInterfaceClass cls = nullptr;
    if (!FindProvider(provider, cls)) return false;
    IntfPtr<ICommunicationInterface> created = cls(prepared);
    if (!created) return false;
    intf = std::move(created);
    return true;
}

bool CreateCommunicationInterface(const std::string& connectionString, IntfPtr<ICommunicationInterface>& intf,
                                  std::string& error)
{
    try {
        if (CreateCommunicationInterface(connectionString, intf) && intf) return true;
        error = "no transport for the connection string \"" + connectionString + "\"";
    } catch (const std::exception& e) {
        error = "the connection string \"" + connectionString + "\" is not valid: " + e.what();
    }
    return false;
}

std::string GetConnectionStringValue(const std::string& connectionString, const std::string& key,
                                      const std::string& defaultValue)
{
    const std::string pattern = UpperCase(key) + "=";
    const auto pos = UpperCase(connectionString).find(pattern);
    if (pos == std::string::npos) return defaultValue;
    const auto start = pos + pattern.size();
    const auto end = connectionString.find(';', start);
    return connectionString.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int32_t GetConnectionStringInt(const std::string& connectionString, const std::string& key, int32_t defaultValue)
{
    int32_t value = defaultValue;
    return TryStrToInt(GetConnectionStringValue(connectionString, key, ""), value) ? value : defaultValue;
}

TConnectionStringLines::TConnectionStringLines(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == ';' || c == '\r' || c == '\n') {
            if (!line.empty()) FLines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) FLines.push_back(std::move(line));
}

bool TConnectionStringLines::Find(const std::string& key, std::string& value) const
{
    for (const auto& line : FLines) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && SameText(line.substr(0, eq), key)) {
            value = line.substr(eq + 1);
            return true;
        }
    }
    return false;
}

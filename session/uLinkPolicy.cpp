#include "session/uLinkPolicy.h"

#include "device/uValdrixAttempts.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* ProductName = "VALDRIX";

} // namespace

bool IdentityAccepted(const std::string& identification, TIdentityRule rule)
{
    if (rule == TIdentityRule::AnyFamilyDevice) return true;
    std::string upper = identification;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return upper.find(ProductName) != std::string::npos;
}

bool OpenAndIdentify(TModuleLink& link, ITarvelStackDevice& device, const std::string& connection,
                     TOpenAttempts attempts, TIdentityRule rule, std::string& error)
{
    error.clear();
    if (link.Open(connection, error) != TLinkOpen::Opened) return false;
    std::string text;
    const auto identify = [&] { return device.ReadIdentificationText(text); };
    const bool answered = attempts == TOpenAttempts::Reconnect ? identify() : AttemptTwice(identify);
    if (answered && IdentityAccepted(text, rule)) return true;
    link.Close();
    return false;
}

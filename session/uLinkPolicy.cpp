#include "session/uLinkPolicy.h"

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

// How a session (window or valdrix-cli) opens a module link, tells whether the module
// that answers is the one it wants, and reopens the link when it is lost. Written once,
// so that both behave alike:
// - a link counts as connected once it is open and the module's identification text
//   names the product (letters in any case); a user who asks for it explicitly may
//   accept any device of the family (any identification answer);
// - a connect asks for the identification at most twice, an attempt to reopen a lost
//   link once, so that an attempt waits one time-out at most;
// - attempts to reopen follow one another every ReconnectIntervalMs until one succeeds
//   or the user stops them.
// TSessionLink (session/uSessionLink.h) carries out the opening and the attempts.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint32_t ReconnectIntervalMs = 2000;

enum class TIdentityRule {
    Valdrix,          // the identification names the product
    AnyFamilyDevice,  // any identification answer
};

bool IdentityAccepted(const std::string& identification, TIdentityRule rule);

enum class TOpenAttempts {
    Connect,   // identification asked at most twice
    Reconnect, // identification asked once
};

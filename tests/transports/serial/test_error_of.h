// The message of the serial error an action throws, for the tests' comparisons.
#pragma once

#include <functional>
#include <string>

// The message of the TError that `action` throws, or "no error".
template <class TError>
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TError& e) {
        return e.Message();
    }
    return "no error";
}

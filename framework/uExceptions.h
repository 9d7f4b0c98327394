// Base exception of the whole program: every error raised by our code carries a
// human-readable message and derives from Exception, so callers can catch one type.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

private:
    std::string FMessage;
};

// A text that does not convert to the requested type (number, Boolean, GUID).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

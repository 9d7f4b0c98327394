// The commands of valdrix-cli. Arguments are checked before anything is sent (a bad
// argument is a usage error); the prepared action then runs against the module and
// reports through a TCliReport, as JSON or as text.
#pragma once

#include "cli/uCliJson.h"
#include "device/ussValdrix.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class TCliReport {
public:
    TCliReport(bool json, std::FILE* out);

    // Keys after "ok": true.
    TJsonObject& Json() { return FObject; }
    void Line(const std::string& text) { FLines.push_back(text); }
    // A text line printed at once, while the command runs; JSON output leaves it out.
    void Progress(const std::string& text);
    // Prints the collected result and starts a new one.
    void Flush();
    // Prints the result unless the command printed its results itself.
    void Finish()
    {
        if (!FFlushed) Flush();
    }
    // Prints the collected result as a failure ("ok": false): for commands whose result
    // tells itself what went wrong.
    void FinishFailed();
    bool FailureShown() const { return FFailureShown; }
    // Prints the failure of a request with the device's last result and acknowledge code.
    void Failure(const std::string& error, int lastResult, int lastAck);
    // A command's own explanation of its failure, instead of the request's.
    void SetError(const std::string& error) { FError = error; }
    const std::string& Error() const { return FError; }

private:
    bool FJson;
    std::FILE* FOut;
    TJsonObject FObject;
    std::vector<std::string> FLines;
    std::string FError;
    bool FFlushed = false;
    bool FFailureShown = false;
};

// Runs the command; false when a request failed (the caller reports it unless the
// command showed its failed result itself).
using TCliAction = std::function<bool(IValdrix& device, TCliReport& report)>;

// Raises ECliUsage for an unknown command or bad arguments.
TCliAction PrepareCliCommand(const std::string& command, const std::vector<std::string>& args);

// The commands of valdrix-cli. Arguments are checked before anything is sent (a bad
// argument is a usage error); the prepared action then runs against the module and
// reports through a TCliReport, as JSON or as text.
#pragma once

#include "cli/uCliJson.h"
#include "cli/uCliOptions.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class TCliLink;

class TCliReport {
public:
    TCliReport(bool json, std::FILE* out);

    // Keys after "ok": true.
    TCliJson& Json() { return FObject; }
    void Line(const std::string& text) { FLines.push_back(text); }
    // A text line printed at once, while the command runs; JSON output leaves it out.
    void Progress(const std::string& text);
    // A result printed at once, while the command runs: the text line, or with --json the
    // object on a line of its own.
    void Emit(const std::string& text, const TCliJson& json);
    // Whether text goes to a terminal: a progress line rewritten in place is shown only there.
    bool Interactive() const;
    // Prints the collected result and starts a new one; as text, "ok" when the command has
    // shown nothing else. Control characters of text lines are shown as \xNN, so that a
    // module's text prints whole, on one line.
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
    // The command's own output already told of its failures: the run fails without
    // printing more.
    void MarkFailureShown() { FFailureShown = true; }
    // Prints the failure of a request with the device's last result (number and name) and
    // acknowledge code.
    void Failure(const std::string& error, int lastResult, int lastAck);
    // Prints that the connection could not be made, and why.
    void ConnectionFailure(const std::string& error);
    // A command's own explanation of its failure, instead of the request's.
    void SetError(const std::string& error) { FError = error; }
    const std::string& Error() const { return FError; }

private:
    void Start();

    bool FJson;
    std::FILE* FOut;
    TCliJson FObject;
    std::vector<std::string> FLines;
    std::string FError;
    bool FFlushed = false;
    bool FEmitted = false;
    bool FFailureShown = false;
};

// Runs the command; false when a request failed (the caller reports it unless the
// command showed its failed result itself).
using TCliAction = std::function<bool(TCliLink& link, TCliReport& report)>;

// The syntax of every command, for the command-line parser.
std::vector<TCliCommandSyntax> CliCommandSyntax();

// Raises ECliUsage for bad arguments.
TCliAction PrepareCliCommand(const std::string& command, const TCliArgs& args);

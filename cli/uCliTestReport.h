// What valdrix-cli test shows while a plan runs, and how it asks the operator.
//
// With --json: one JSON object per line and event ("event": "run_started",
// "step_started", "measurement", "step_ended", "prompt", "run_ended"). On a terminal:
// the step being run and its last measurement on one line rewritten in place, a line
// per step as it ends, a line per measurement that did not pass. Otherwise: plain lines,
// one per event. Everything goes to standard output; the calls come from the session's
// worker, one at a time.
#pragma once

#include "station/uStationRun.h"

#include <string>

class TCliTestReport {
public:
    TCliTestReport(bool json, int steps);
    TCliTestReport(const TCliTestReport&) = delete;
    TCliTestReport& operator=(const TCliTestReport&) = delete;

    void Event(const TRunEvent& event, const std::string& recordPath);
    // Shows the text and waits for Enter (confirm) or "a" and Enter (abort) on a terminal.
    // Without a terminal on standard input, at its end, or when `stopped` turns true, the
    // answer is abort: a run never waits for an operator who cannot answer.
    TPromptAnswer Ask(const std::string& text, const TStationStopped& stopped);

private:
    void Line(const std::string& text);
    void Rewrite(const std::string& text);
    void ClearRewritten();

    bool FJson;
    bool FTerminal;
    int FSteps;
    bool FRewritten = false;
};

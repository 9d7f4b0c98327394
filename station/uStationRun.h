// A production test run on a session: how valdrix-cli and the station window both run a
// plan, record it and hear of its progress.
//
// Threads. RunOnSession is called inside a script of the session
// (TValdrixSession::RunScript), on the session's worker thread, with the module link
// open: every request, every pause, the RS-485 exchange, every write of the record and
// every call of the prompt and of the event callback happen there, one at a time. A
// stop (TValdrixSession::StopActions or Disconnect, on the session's owner thread) ends
// a pause at once; the request in progress ends by its answer or time-out, and the run
// then ends ABORTED with its record written.
#pragma once

#include "session/uSessionScript.h"
#include "station/uStationStore.h"
#include "station/uTestPlan.h"
#include "station/uTestRunner.h"

#include <cstdint>
#include <functional>
#include <string>

// Whether the run was stopped; may be asked from any thread.
using TStationStopped = std::function<bool()>;
// Shows the text to the operator and waits for the answer. Called on the session's
// worker; it may block there (a window shows its dialog on its own thread and waits for
// the answer), but must return soon after `stopped()` turns true (look at it every
// 100 ms or so): the run then ends ABORTED whatever the answer.
using TStationPrompt = std::function<TPromptAnswer(const std::string& text, const TStationStopped& stopped)>;
// Told of each stage of the run, after the record on disk has been brought up to date
// (at the run's end also stored); `recordPath` is the record's file (empty when none
// could be made).
using TStationEvent = std::function<void(const TRunEvent& event, const std::string& recordPath)>;

struct TStationRun {
    TRunSetup Setup;
    std::string RecordFolder; // the record goes there, named by ReserveRecordPath
    std::string JUnitPath;    // empty: no JUnit file
    TStationStores Stores;    // the run is stored there once it has ended
    // Empty when the session's RS-485 link is open; otherwise why it is not: an RS-485
    // step then ends in ERROR with this reason.
    std::string NoRS485;
    TStationPrompt Prompt; // unset: a prompt step ends in ERROR
    TStationEvent Event;
};

struct TStationOutcome {
    TRunResult Run;
    std::string RecordPath;    // empty when no record file could be made
    std::string RecordFailure; // why the record or the JUnit file could not be written
    TStoredRun Stored;
};

// Runs the plan on the script's module link.
TStationOutcome RunOnSession(TSessionScript& script, const TTestPlan& plan, const TStationRun& setup);
// A run that could not begin (its link did not open): its record (and JUnit file) with
// the verdict ERROR and the reason, written now; the event callback hears RunEnded.
TStationOutcome RecordFailedStart(const TTestPlan& plan, const TStationRun& setup, const std::string& reason);
// How long a run of the plan on a session waits by design: the plan's own pauses and
// the RS-485 test's wait for its answer.
int64_t SessionRunPausesMs(const TTestPlan& plan);

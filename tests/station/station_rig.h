// A test station against the module simulator on its loopback jig: the module on an
// open link, a device on the simulator's RS-485 side that answers type requests, the
// runner's RS-485 hook through them, and records in a temporary folder.
#pragma once

#include "device/uValdrix.h"
#include "protocol/uModuleLink.h"
#include "station/uRunRecord.h"
#include "station/uTestPlanLoader.h"
#include "tests/support/child_processes.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// What the device on the RS-485 side answers, as the tester's own RS-485 link does.
inline constexpr const char* RS485AnswerText = "Valdrix Tester Info";

class TRS485Responder {
public:
    explicit TRS485Responder(int port);
    ~TRS485Responder();

private:
    void Serve();

    int FFd = -1;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

class TStationRig {
public:
    // valdrix-sim --jig loopback with `extra` options; the clock runs (not --static).
    explicit TStationRig(const std::vector<std::string>& extra = {});
    ~TStationRig();

    TSimulator& Sim() { return FSim; }
    TValdrix& Device() { return *FDevice; }
    // The hooks of a run with no operator: RS-485 through the simulator, events recorded.
    TRunHooks Hooks();
    // Runs the plan, recording to Folder()/record.json and Folder()/junit.xml.
    TRunResult Run(const TTestPlan& plan, TRunHooks hooks);
    TRunResult Run(const TTestPlan& plan) { return Run(plan, Hooks()); }
    std::string RecordPath() const { return FFolder + "/record.json"; }
    std::string JUnitPath() const { return FFolder + "/junit.xml"; }

private:
    TSimulator FSim;
    IntfPtr<TValdrix> FDevice;
    TModuleLink FLink;
    std::unique_ptr<TRS485Responder> FResponder;
    std::string FFolder;
};

// The sample plan that ships with the project.
TTestPlan SamplePlan();
// The names of the measurements with this verdict.
std::vector<std::string> MeasurementsWith(const TRunResult& run, TVerdict verdict);
// Runs tests/station/check_record.py on the record (and the JUnit file when given):
// its exit status and what it printed.
TProgramRun CheckRecord(const std::string& record, const std::string& junit = {});

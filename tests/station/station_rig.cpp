#include "station_rig.h"

#include "protocol/uTarvel97.h"
#include "tests/support/loopback_socket.h"

#include <gtest/gtest.h>

#include <poll.h>

#include <cstdlib>
#include <filesystem>

TRS485Responder::TRS485Responder(int port)
{
    bool connected = false;
    FFd = ConnectLoopback(uint16_t(port), connected);
    FThread = std::thread([this] { Serve(); });
}

TRS485Responder::~TRS485Responder()
{
    FStop = true;
    FThread.join();
    ::close(FFd);
}

void TRS485Responder::Serve()
{
    std::string buffer;
    while (!FStop) {
        pollfd p{FFd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char bytes[512];
        const ssize_t n = ::read(FFd, bytes, sizeof bytes);
        if (n <= 0) return;
        buffer.append(bytes, size_t(n));
        TTarvelFormat97 packet;
        while (FindTarvel97Packet(buffer, packet, true)) {
            if (packet.Inst != 0xF3 || packet.Adr == ValdrixDefaultAddress) continue;
            const std::string answer = BuildTarvel97Packet(packet.Adr, packet.Sig, 0, RS485AnswerText);
            if (::write(FFd, answer.data(), answer.size()) < 0) return;
        }
    }
}

TStationRig::TStationRig(const std::vector<std::string>& extra)
    : FSim([&] {
          std::vector<std::string> args{"--jig", "loopback"};
          args.insert(args.end(), extra.begin(), extra.end());
          return args;
      }(),
           false),
      FDevice(MakeObj<TValdrix>(ValdrixDefaultAddress))
{
    char folder[] = "/tmp/valdrix-station-XXXXXX";
    FFolder = ::mkdtemp(folder);
    FResponder = std::make_unique<TRS485Responder>(FSim.RS485Port());
    FLink.Attach(FDevice);
    std::string error;
    EXPECT_EQ(FLink.Open(FSim.Connection(), error), TLinkOpen::Opened) << error;
}

TStationRig::~TStationRig()
{
    FLink.Detach();
    std::filesystem::remove_all(FFolder);
}

TRunHooks TStationRig::Hooks()
{
    TRunHooks hooks;
    hooks.RS485 = [this](int address) {
        TRS485Answer result;
        const IntfPtr<TTarvelStack>& stack = FLink.Stack();
        if (!stack) return result;
        result.Sent = true;
        std::string answer;
        if (stack->Exchange(uint8_t(address), 0, 0xF3, "", answer, 1000) == TTarvelOutcome::Answered) {
            TTarvelFormat97 packet;
            ParseTarvel97Packet(answer, packet);
            result.Text = packet.Data;
        }
        return result;
    };
    return hooks;
}

TRunResult TStationRig::Run(const TTestPlan& plan, TRunHooks hooks)
{
    auto recorder = std::make_shared<TRunRecorder>(RecordPath(), JUnitPath());
    hooks.Event = [recorder, next = hooks.Event](const TRunEvent& event) {
        recorder->Record(event);
        if (next) next(event);
    };
    TTestRunner runner(*FDevice, hooks);
    TRunResult run = runner.Run(plan, {"UNIT-1", "station 1", "operator 1"});
    EXPECT_EQ(recorder->Failure(), "");
    return run;
}

TTestPlan SamplePlan()
{
    const std::string path = std::string(std::getenv("VALDRIX_SOURCE_DIR")) + "/examples/loopback.toml";
    TPlanLoad load = LoadTestPlan(path);
    for (const TPlanFault& fault : load.Faults) ADD_FAILURE() << FormatPlanFault(path, fault);
    return load.Plan.value_or(TTestPlan{});
}

std::vector<std::string> MeasurementsWith(const TRunResult& run, TVerdict verdict)
{
    std::vector<std::string> names;
    for (const TStepResult& step : run.Steps)
        for (const TMeasurement& m : step.Measurements)
            if (m.Verdict == verdict) names.push_back(m.Name);
    return names;
}

TProgramRun CheckRecord(const std::string& record, const std::string& junit)
{
    const std::string source = std::getenv("VALDRIX_SOURCE_DIR");
    std::vector<std::string> args{source + "/tests/station/check_record.py", source + "/docs/record.schema.json",
                                  record};
    if (!junit.empty()) args.push_back(junit);
    return RunProgramAt("/usr/bin/python3", args);
}

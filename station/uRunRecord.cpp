#include "station/uRunRecord.h"

#include "framework/uAtomicFile.h"
#include "framework/uExceptions.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using nlohmann::json;

constexpr const char* RecordFormat = "valdrix-test-record/1";

json Nullable(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

json LimitsJson(const TMeasurement& m)
{
    json limits = json::object();
    if (m.Limits.Low) limits["low"] = *m.Limits.Low;
    if (m.Limits.High) limits["high"] = *m.Limits.High;
    if (!m.LowText.empty()) limits["low"] = m.LowText;
    if (!m.HighText.empty()) limits["high"] = m.HighText;
    if (m.Expected) limits["expected"] = *m.Expected;
    return limits;
}

}

json MeasurementRecordJson(const TMeasurement& m)
{
    json value = nullptr;
    if (const auto* number = std::get_if<double>(&m.Value)) value = *number;
    if (const auto* text = std::get_if<std::string>(&m.Value)) value = *text;
    return {{"name", m.Name},       {"value", value},
            {"unit", m.Unit},       {"limits", LimitsJson(m)},
            {"verdict", VerdictText(m.Verdict)}, {"detail", Nullable(m.Detail)}};
}

namespace {

json StepJson(const TStepResult& step)
{
    json measurements = json::array();
    for (const TMeasurement& m : step.Measurements) measurements.push_back(MeasurementRecordJson(m));
    return {{"name", step.Name},
            {"kind", step.Kind},
            {"verdict", VerdictText(step.Verdict)},
            {"detail", Nullable(step.Detail)},
            {"started", step.Started},
            {"ended", Nullable(step.Ended)},
            {"measurements", measurements}};
}

}

json RunRecordJson(const TRunResult& run)
{
    json steps = json::array();
    for (const TStepResult& step : run.Steps) steps.push_back(StepJson(step));
    return {{"format", RecordFormat},
            {"id", run.Id},
            {"plan", {{"name", run.PlanName}, {"version", run.PlanVersion}}},
            {"unit",
             {{"id", Nullable(run.Unit.Id)},
              {"identification", Nullable(run.Unit.Identification)},
              {"serial_numbers", Nullable(run.Unit.SerialNumbers)}}},
            {"station", Nullable(run.Station)},
            {"operator", Nullable(run.Operator)},
            {"started", run.Started},
            {"ended", Nullable(run.Ended)},
            {"verdict", VerdictText(run.Verdict)},
            {"detail", Nullable(run.Detail)},
            {"steps", steps}};
}

std::string RunRecordText(const TRunResult& run)
{
    return RunRecordJson(run).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string RunRecordFileName(const TRunResult& run)
{
    std::string name;
    for (const char c : run.Started.substr(0, 19))
        if (c != '-' && c != ':') name += c;
    const std::string& unit = !run.Unit.Id.empty() ? run.Unit.Id : run.Unit.SerialNumbers;
    if (!unit.empty()) name += "_";
    for (const char c : unit) name += std::isalnum(uint8_t(c)) || c == '-' || c == '.' ? c : '_';
    return name + ".json";
}

std::string ReserveRecordPath(const std::string& folder, const TRunResult& run)
{
    const std::string name = RunRecordFileName(run);
    const std::string stem = folder + "/" + name.substr(0, name.size() - 5);
    for (int n = 1;; ++n) {
        const std::string path = n == 1 ? stem + ".json" : stem + "-" + std::to_string(n) + ".json";
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        if (errno != EEXIST) throw Exception("Cannot save \"" + path + "\": " + std::strerror(errno));
    }
}

TRunRecorder::TRunRecorder(std::string path, std::string junitPath)
    : FPath(std::move(path)), FJUnitPath(std::move(junitPath))
{
}

void TRunRecorder::Write(const std::string& path, const std::string& text)
{
    try {
        WriteFileAtomically(path, text);
    } catch (const Exception& e) {
        if (FFailure.empty()) FFailure = e.Message();
    }
}

void TRunRecorder::Record(const TRunEvent& event)
{
    if (event.Kind == TRunEvent::TKind::StepStarted) return;
    Write(FPath, RunRecordText(event.Run));
    if (event.Kind == TRunEvent::TKind::RunEnded && !FJUnitPath.empty()) Write(FJUnitPath, RunJUnitText(event.Run));
}

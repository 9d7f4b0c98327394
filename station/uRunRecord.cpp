#include "station/uRunRecord.h"

#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

using nlohmann::json;

constexpr const char* RecordFormat = "valdrix-test-record/1";
// The longest unit id a file name takes whole; a longer one is cut and followed by a
// hash of the whole id, so that the name stays far below the file system's limit.
constexpr size_t UnitInName = 64;
constexpr size_t UnitCut = 47;

// The length of the UTF-8 sequence at `at`, 0 when the bytes there are not one.
size_t Utf8Sequence(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return at + i < text.size() ? uint8_t(text[at + i]) : 0; };
    const uint8_t lead = byte(0);
    const auto follows = [&](size_t count, uint8_t low, uint8_t high) {
        if (byte(1) < low || byte(1) > high) return size_t(0);
        for (size_t i = 2; i <= count; ++i)
            if ((byte(i) & 0xC0) != 0x80) return size_t(0);
        return count + 1;
    };
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return follows(1, 0x80, 0xBF);
    if (lead == 0xE0) return follows(2, 0xA0, 0xBF);
    if (lead == 0xED) return follows(2, 0x80, 0x9F); // not the surrogates
    if (lead >= 0xE1 && lead <= 0xEF) return follows(2, 0x80, 0xBF);
    if (lead == 0xF0) return follows(3, 0x90, 0xBF);
    if (lead >= 0xF1 && lead <= 0xF3) return follows(3, 0x80, 0xBF);
    if (lead == 0xF4) return follows(3, 0x80, 0x8F);
    return 0;
}

json Text(const std::string& text) { return ValidUtf8(text); }
json Nullable(const std::string& text) { return text.empty() ? json(nullptr) : Text(text); }

json LimitsJson(const TMeasurement& m)
{
    json limits = json::object();
    if (m.Limits.Low) limits["low"] = *m.Limits.Low;
    if (m.Limits.High) limits["high"] = *m.Limits.High;
    if (!m.LowText.empty()) limits["low"] = Text(m.LowText);
    if (!m.HighText.empty()) limits["high"] = Text(m.HighText);
    if (m.Expected) limits["expected"] = Text(*m.Expected);
    return limits;
}

// FNV-1a: the same id always gives the same hash.
std::string Hash(const std::string& text)
{
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

}

std::string ValidUtf8(const std::string& text)
{
    std::string valid;
    valid.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8Sequence(text, at);
        if (length == 0) {
            valid += "\xEF\xBF\xBD"; // U+FFFD, the replacement character
            ++at;
        } else {
            valid.append(text, at, length);
            at += length;
        }
    }
    return valid;
}

json MeasurementRecordJson(const TMeasurement& m)
{
    json value = nullptr;
    if (const auto* number = std::get_if<double>(&m.Value)) value = *number;
    if (const auto* text = std::get_if<std::string>(&m.Value)) value = Text(*text);
    return {{"name", Text(m.Name)},       {"value", value},
            {"unit", Text(m.Unit)},       {"limits", LimitsJson(m)},
            {"verdict", VerdictText(m.Verdict)}, {"detail", Nullable(m.Detail)}};
}

json StepRecordJson(const TStepResult& step)
{
    json measurements = json::array();
    for (const TMeasurement& m : step.Measurements) measurements.push_back(MeasurementRecordJson(m));
    return {{"name", Text(step.Name)},
            {"kind", Text(step.Kind)},
            {"verdict", VerdictText(step.Verdict)},
            {"detail", Nullable(step.Detail)},
            {"started", Text(step.Started)},
            {"ended", Nullable(step.Ended)},
            {"measurements", measurements}};
}

json RunRecordJson(const TRunResult& run)
{
    json steps = json::array();
    for (const TStepResult& step : run.Steps) steps.push_back(StepRecordJson(step));
    return {{"format", RecordFormat},
            {"id", Text(run.Id)},
            {"plan", {{"name", Text(run.PlanName)}, {"version", Text(run.PlanVersion)}}},
            {"unit",
             {{"id", Nullable(run.Unit.Id)},
              {"identification", Nullable(run.Unit.Identification)},
              {"serial_numbers", Nullable(run.Unit.SerialNumbers)}}},
            {"station", Nullable(run.Station)},
            {"operator", Nullable(run.Operator)},
            {"started", Text(run.Started)},
            {"ended", Nullable(run.Ended)},
            {"verdict", VerdictText(run.Verdict)},
            {"ending", RunEndingText(run.Ending)},
            {"detail", Nullable(run.Detail)},
            {"steps", steps}};
}

std::string RecordJsonText(const nlohmann::json& record)
{
    return record.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string RunRecordText(const TRunResult& run) { return RecordJsonText(RunRecordJson(run)); }

std::string RunRecordFileName(const TRunResult& run)
{
    std::string name;
    for (const char c : run.Started.substr(0, 19))
        if (c != '-' && c != ':') name += c;
    const std::string& unit = !run.Unit.Id.empty() ? run.Unit.Id : run.Unit.SerialNumbers;
    if (!unit.empty()) name += "_";
    std::string shown;
    for (const char c : unit) shown += std::isalnum(uint8_t(c)) || c == '-' || c == '.' ? c : '_';
    if (shown.size() > UnitInName) shown = shown.substr(0, UnitCut) + "~" + Hash(unit);
    return name + shown + ".json";
}

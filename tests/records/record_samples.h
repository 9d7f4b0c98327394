// Records for the store's tests: a run of a small plan whose every field says what it is.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

struct TSampleRun {
    std::string Id, Plan = "Smyčka", Unit = "A1", Station = "S1", Started = "2026-12-01T08:00:00.000+01:00";
    // The verdict of the measurement "AI2 5 V" (the run's verdict follows it).
    std::string Analog = "PASS";
};

inline nlohmann::json SampleRecord(const TSampleRun& r)
{
    const auto measurement = [](const char* name, double value, const std::string& verdict) {
        return nlohmann::json{{"name", name}, {"value", value}, {"unit", "V"},
                              {"limits", {{"low", 4.9}, {"high", 5.1}}}, {"verdict", verdict}, {"detail", nullptr}};
    };
    nlohmann::json record = {
        {"format", "valdrix-test-record/1"},
        {"plan", {{"name", r.Plan}, {"version", "1.0"}}},
        {"unit", {{"id", r.Unit}, {"identification", "Valdrix ; v 1.0 ; SIM"}, {"serial_numbers", "0001-0002-00000003"}}},
        {"station", r.Station},
        {"operator", "Novák"},
        {"started", r.Started},
        {"ended", r.Started},
        {"verdict", r.Analog},
        {"detail", nullptr},
        {"steps",
         {{{"name", "Analog"}, {"kind", "analog"}, {"verdict", r.Analog}, {"detail", nullptr},
           {"started", r.Started}, {"ended", r.Started},
           {"measurements", {measurement("AI1 5 V", 5.0, "PASS"), measurement("AI2 5 V", 5.4, r.Analog)}}}}},
    };
    if (!r.Id.empty()) record["id"] = r.Id;
    return record;
}

#include "station/uPlanTable.h"

#include <cmath>

void AddPlanFault(std::vector<TPlanFault>& faults, const toml::source_region& at, std::string message)
{
    faults.push_back({int(at.begin.line), int(at.begin.column), std::move(message)});
}

TPlanTable::TPlanTable(const toml::table& table, std::string path, std::vector<TPlanFault>& faults)
    : FTable(table), FPath(std::move(path)), FFaults(faults)
{
}

void TPlanTable::Fault(const toml::node& at, const std::string& message)
{
    AddPlanFault(FFaults, at.source(), FPath + ": " + message);
}

void TPlanTable::Expected(const toml::node& at, const char* key, const char* what)
{
    Fault(at, std::string("\"") + key + "\" must be " + what);
}

const toml::node* TPlanTable::Take(const char* key, bool required)
{
    FRead.insert(key);
    const toml::node* node = FTable.get(key);
    if (!node && required) Fault(std::string("missing \"") + key + "\"");
    return node;
}

std::optional<int64_t> TPlanTable::Integer(const char* key, int64_t min, int64_t max, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node) return std::nullopt;
    const auto value = node->value_exact<int64_t>();
    if (!value || *value < min || *value > max) {
        const std::string range = "an integer from " + std::to_string(min) + " to " + std::to_string(max);
        Expected(*node, key, range.c_str());
        return std::nullopt;
    }
    return value;
}

std::optional<double> TPlanTable::Number(const char* key, bool required, std::optional<double> min)
{
    const toml::node* node = Take(key, required);
    if (!node) return std::nullopt;
    const auto value = node->is_number() ? node->value<double>() : std::nullopt;
    // nan and inf are TOML numbers, but no limit: inf would pass everything, nan nothing.
    if (!value || !std::isfinite(*value) || (min && *value < *min)) {
        const std::string what = min ? "a finite number of at least " + ShortNumber(*min) : std::string("a finite number");
        Expected(*node, key, what.c_str());
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> TPlanTable::Text(const char* key, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node) return std::nullopt;
    if (!node->is_string() || node->value<std::string>()->empty()) {
        Expected(*node, key, "a text that is not empty");
        return std::nullopt;
    }
    return node->value<std::string>();
}

std::optional<bool> TPlanTable::Flag(const char* key)
{
    const toml::node* node = Take(key, false);
    if (!node) return std::nullopt;
    if (!node->is_boolean()) Expected(*node, key, "true or false");
    return node->value_exact<bool>();
}

const toml::array* TPlanTable::Array(const char* key, bool required)
{
    const toml::node* node = Take(key, required);
    if (node && !node->is_array()) Expected(*node, key, "an array");
    return node ? node->as_array() : nullptr;
}

const toml::table* TPlanTable::SubTable(const char* key, bool required)
{
    const toml::node* node = Take(key, required);
    if (node && !node->is_table()) Expected(*node, key, "a table");
    return node ? node->as_table() : nullptr;
}

std::optional<TLimits> TPlanTable::Limits(const char* key, bool required)
{
    const toml::table* table = SubTable(key, required);
    if (!table) return std::nullopt;
    const size_t before = FFaults.size();
    TPlanTable limits = Nested(*table, key);
    TLimits result;
    result.Low = limits.Number("low", false);
    result.High = limits.Number("high", false);
    limits.Finish();
    if (!table->get("low") && !table->get("high")) limits.Fault("needs \"low\", \"high\" or both");
    if (result.Low && result.High && *result.Low > *result.High) limits.Fault("\"low\" is above \"high\"");
    if (FFaults.size() != before) return std::nullopt;
    return result;
}

void TPlanTable::Finish()
{
    for (const auto& [key, node] : FTable)
        if (!FRead.count(key.str()))
            AddPlanFault(FFaults, key.source(), FPath + ": unknown key \"" + std::string(key.str()) + "\"");
}

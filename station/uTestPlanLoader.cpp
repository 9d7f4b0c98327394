#include "station/uTestPlanLoader.h"

#include "device/uValdrixTypes.h"

#include <fstream>
#include <set>
#include <sstream>

namespace {

// Reads the wires of one jig array: each a table with "output" and `inputKey`, no output
// and no input used twice.
std::vector<TJigWire> ReadWires(TPlanTable& jig, const char* key, int outputs, const char* inputKey, int inputs,
                                std::vector<TPlanFault>& faults)
{
    std::vector<TJigWire> wires;
    const toml::array* array = jig.Array(key, false);
    if (!array) return wires;
    std::set<int> usedOutputs, usedInputs;
    for (size_t i = 0; i < array->size(); ++i) {
        const toml::node& node = *array->get(i);
        const std::string path = "jig." + std::string(key) + "[" + std::to_string(i + 1) + "]";
        if (!node.is_table()) {
            AddPlanFault(faults, node.source(), path + ": expected { output = N, " + inputKey + " = N }");
            continue;
        }
        TPlanTable wire(*node.as_table(), path, faults);
        const auto output = wire.Integer("output", 1, outputs, true);
        const auto input = wire.Integer(inputKey, 1, inputs, true);
        wire.Finish();
        if (!output || !input) continue;
        if (!usedOutputs.insert(int(*output)).second) wire.Fault("output " + std::to_string(*output) + " is wired twice");
        if (!usedInputs.insert(int(*input)).second)
            wire.Fault(std::string(inputKey) + " " + std::to_string(*input) + " is wired twice");
        wires.push_back({int(*output), int(*input)});
    }
    return wires;
}

TJig ReadJig(const toml::table& root, std::vector<TPlanFault>& faults)
{
    TJig jig;
    const toml::node* node = root.get("jig");
    if (!node) return jig;
    if (!node->is_table()) {
        AddPlanFault(faults, node->source(), "jig: expected a table");
        return jig;
    }
    TPlanTable table(*node->as_table(), "jig", faults);
    jig.Digital = ReadWires(table, "digital", ValdrixDigitalOutputs, "input", ValdrixDigitalInputs, faults);
    jig.Analog = ReadWires(table, "analog", ValdrixAnalogOutputs, "input", ValdrixAnalogInputs, faults);
    jig.Counters = ReadWires(table, "counters", ValdrixDigitalOutputs, "counter", ValdrixCounters, faults);
    table.Finish();
    return jig;
}

void ReadSteps(const toml::table& root, TTestPlan& plan, std::vector<TPlanFault>& faults)
{
    const toml::node* node = root.get("step");
    const toml::array* steps = node ? node->as_array() : nullptr;
    if (!steps || steps->empty()) {
        AddPlanFault(faults, node ? node->source() : root.source(), "the plan has no [[step]]");
        return;
    }
    for (size_t i = 0; i < steps->size(); ++i) {
        const toml::node& item = *steps->get(i);
        const std::string path = "step " + std::to_string(i + 1);
        if (!item.is_table()) {
            AddPlanFault(faults, item.source(), path + ": expected a table");
            continue;
        }
        TPlanTable step(*item.as_table(), path, faults);
        const auto kind = step.Text("kind", true);
        TPlanStep result;
        result.Name = step.Text("name", false).value_or(kind.value_or(""));
        std::optional<TStepParameters> parameters;
        if (kind) parameters = ReadStepParameters(*kind, step, plan.Jig);
        step.Finish();
        if (parameters) {
            result.Parameters = std::move(*parameters);
            plan.Steps.push_back(std::move(result));
        }
    }
}

}

TPlanLoad ParseTestPlan(std::string_view text, const std::string& sourceName)
{
    TPlanLoad load;
    toml::table root;
    try {
        root = toml::parse(text, sourceName);
    } catch (const toml::parse_error& e) {
        AddPlanFault(load.Faults, e.source(), std::string(e.description()));
        return load;
    }
    TTestPlan plan;
    TPlanTable top(root, "plan file", load.Faults);
    if (const toml::table* header = top.SubTable("plan", true)) {
        TPlanTable table(*header, "plan", load.Faults);
        plan.Name = table.Text("name", true).value_or("");
        plan.Version = table.Text("version", true).value_or("");
        plan.ContinueOnFail = table.Flag("continue_on_fail").value_or(false);
        table.Finish();
    }
    top.Known("jig");
    plan.Jig = ReadJig(root, load.Faults);
    top.Known("step");
    ReadSteps(root, plan, load.Faults);
    top.Finish();
    if (load.Faults.empty()) load.Plan = std::move(plan);
    return load;
}

TPlanLoad LoadTestPlan(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf())) {
        TPlanLoad load;
        load.Faults.push_back({0, 0, "cannot read the plan"});
        return load;
    }
    return ParseTestPlan(text.str(), path);
}

std::string FormatPlanFault(const std::string& file, const TPlanFault& fault)
{
    return file + ":" + std::to_string(fault.Line) + ":" + std::to_string(fault.Column) + ": " + fault.Message;
}

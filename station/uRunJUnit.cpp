// The run as JUnit XML: <testsuites><testsuite> with one <testcase> per measurement,
// classname the step; <failure> for FAIL, <error> for ERROR, <skipped> for ABORTED.
#include "station/uRunRecord.h"

#include <libxml/tree.h>

#include <memory>

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

void SetAttribute(xmlNodePtr node, const char* name, const std::string& value)
{
    xmlNewProp(node, X(name), X(ValidUtf8(value)));
}

xmlNodePtr Child(xmlNodePtr parent, const char* name) { return xmlNewChild(parent, nullptr, X(name), nullptr); }

std::string ValueText(const TMeasurement& m)
{
    if (const auto* number = std::get_if<double>(&m.Value)) return ShortNumber(*number) + (m.Unit.empty() ? "" : " " + m.Unit);
    if (const auto* text = std::get_if<std::string>(&m.Value)) return "\"" + *text + "\"";
    return "no value";
}

std::string LimitsText(const TMeasurement& m)
{
    if (m.Expected) return "expected \"" + *m.Expected + "\"";
    const auto end = [](const std::optional<double>& n, const std::string& text) {
        if (!text.empty()) return text;
        return n ? ShortNumber(*n) : std::string("-");
    };
    return "limits " + end(m.Limits.Low, m.LowText) + " .. " + end(m.Limits.High, m.HighText);
}

// The element a verdict other than PASS adds to its test case.
void AddOutcome(xmlNodePtr testcase, TVerdict verdict, const std::string& message)
{
    const char* element = verdict == TVerdict::Fail      ? "failure"
                          : verdict == TVerdict::Error   ? "error"
                          : verdict == TVerdict::Aborted ? "skipped"
                                                         : nullptr;
    if (!element) return;
    xmlNodePtr outcome = Child(testcase, element);
    SetAttribute(outcome, "message", message);
    if (verdict != TVerdict::Aborted) SetAttribute(outcome, "type", VerdictText(verdict));
}

struct TCounts {
    int Tests = 0, Failures = 0, Errors = 0, Skipped = 0;

    void Count(TVerdict v)
    {
        ++Tests;
        Failures += v == TVerdict::Fail;
        Errors += v == TVerdict::Error;
        Skipped += v == TVerdict::Aborted;
    }
};

void AddTestCases(xmlNodePtr suite, const TRunResult& run, TCounts& counts)
{
    for (const TStepResult& step : run.Steps) {
        for (const TMeasurement& m : step.Measurements) {
            xmlNodePtr testcase = Child(suite, "testcase");
            SetAttribute(testcase, "classname", step.Name);
            SetAttribute(testcase, "name", m.Name);
            std::string message = ValueText(m) + ", " + LimitsText(m);
            if (!m.Detail.empty()) message += ": " + m.Detail;
            AddOutcome(testcase, m.Verdict, message);
            counts.Count(m.Verdict);
        }
        const bool endedEarly = step.Verdict == TVerdict::Error || step.Verdict == TVerdict::Aborted;
        if (!endedEarly) continue;
        xmlNodePtr testcase = Child(suite, "testcase");
        SetAttribute(testcase, "classname", step.Name);
        SetAttribute(testcase, "name", step.Name);
        AddOutcome(testcase, step.Verdict, step.Detail);
        counts.Count(step.Verdict);
    }
}

}

std::string RunJUnitText(const TRunResult& run)
{
    const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(xmlNewDoc(X("1.0")), &xmlFreeDoc);
    xmlNodePtr suites = xmlNewDocNode(doc.get(), nullptr, X("testsuites"), nullptr);
    xmlDocSetRootElement(doc.get(), suites);
    xmlNodePtr suite = Child(suites, "testsuite");
    SetAttribute(suite, "name", run.PlanName + " " + run.PlanVersion);
    SetAttribute(suite, "timestamp", run.Started.substr(0, 19));
    if (!run.Station.empty()) SetAttribute(suite, "hostname", run.Station);
    xmlNodePtr properties = Child(suite, "properties");
    const std::pair<const char*, std::string> facts[] = {
        {"unit", run.Unit.Id},         {"serial_numbers", run.Unit.SerialNumbers}, {"operator", run.Operator},
        {"verdict", VerdictText(run.Verdict)}, {"detail", run.Detail}};
    for (const auto& [name, value] : facts) {
        if (value.empty()) continue;
        xmlNodePtr property = Child(properties, "property");
        SetAttribute(property, "name", name);
        SetAttribute(property, "value", value);
    }
    TCounts counts;
    AddTestCases(suite, run, counts);
    for (xmlNodePtr node : {suites, suite}) {
        SetAttribute(node, "tests", std::to_string(counts.Tests));
        SetAttribute(node, "failures", std::to_string(counts.Failures));
        SetAttribute(node, "errors", std::to_string(counts.Errors));
    }
    SetAttribute(suite, "skipped", std::to_string(counts.Skipped));
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc.get(), &bytes, &size, "UTF-8", 1);
    std::string text(reinterpret_cast<const char*>(bytes), size_t(size));
    xmlFree(bytes);
    return text;
}

// The record of a run: one JSON document per run (its schema is docs/record.schema.json)
// and, on request, a JUnit XML file for systems that read test results.
//
// TRunRecorder keeps the record on disk current while the run goes on: it rewrites the
// whole record after every measurement and step, through a temporary file that is
// flushed and renamed over the record, so the file is always complete and valid JSON
// even when the program is killed. A run in progress has the verdict "RUNNING" and no
// end time; a run that ends in ERROR keeps everything it measured.
#pragma once

#include "station/uTestRunner.h"

#include <nlohmann/json.hpp>

#include <string>

nlohmann::json RunRecordJson(const TRunResult& run);
// One measurement as the record gives it: name, value, unit, limits, verdict, detail.
nlohmann::json MeasurementRecordJson(const TMeasurement& m);
// The record as text: indented JSON, bytes that are not UTF-8 replaced.
std::string RunRecordText(const TRunResult& run);
// A file name for the run's record: start time, then the unit's id (or its serial
// numbers), e.g. "20240301T080509_A1234.json"; characters unfit for a name become "_".
std::string RunRecordFileName(const TRunResult& run);
// Takes a path in the folder for the run's record, RunRecordFileName or, when a file of
// that name is there already (another run of the unit in the same second), the name with
// "-2", "-3", ... before ".json": the file is created empty, for a TRunRecorder to write
// at once. Raises Exception when the folder cannot take it.
std::string ReserveRecordPath(const std::string& folder, const TRunResult& run);

// JUnit XML: one test suite for the run, one test case per measurement (and one for a
// step that ended in ERROR or ABORTED before it measured anything).
std::string RunJUnitText(const TRunResult& run);

class TRunRecorder {
public:
    // Keeps the record at `path`; writes the JUnit file at `junitPath` (when not empty)
    // once the run has ended.
    explicit TRunRecorder(std::string path, std::string junitPath = {});

    // The runner's event callback.
    void Record(const TRunEvent& event);
    // Why the record (or the JUnit file) could not be written; empty when it could.
    const std::string& Failure() const { return FFailure; }

private:
    void Write(const std::string& path, const std::string& text);

    std::string FPath;
    std::string FJUnitPath;
    std::string FFailure;
};

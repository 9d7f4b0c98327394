// The record of a run: one JSON document per run (its schema is docs/record.schema.json)
// and, on request, a JUnit XML file for systems that read test results.
//
// TRunRecorder keeps the record on disk current while the run goes on, in time linear in
// its size: each step and measurement is appended to a journal beside the record
// ("….json.journal", one JSON line each, locked by the recorder), and the whole record
// is rewritten (a temporary file, flushed and renamed over it) at the run's start and
// end and at a step's end once the journal has grown twice as large as the record. The record
// is always valid JSON, even when the program is killed; with its journal it holds
// everything measured (ReadRecordFile), and the next run in the folder folds a journal
// its recorder left behind into the record. A run in progress has the verdict "RUNNING"
// and no end time; a run that ends in ERROR keeps everything it measured.
#pragma once

#include "station/uTestRunner.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

// Every text of a record is UTF-8: what is not (a byte of another code page) is
// replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

nlohmann::json RunRecordJson(const TRunResult& run);
// One step, one measurement as the record gives them.
nlohmann::json StepRecordJson(const TStepResult& step);
nlohmann::json MeasurementRecordJson(const TMeasurement& m);
// The record as text: indented JSON.
std::string RunRecordText(const TRunResult& run);
std::string RecordJsonText(const nlohmann::json& record);
// A file name for the run's record: start time, then the unit's id (or its serial
// numbers), e.g. "20240301T080509_A1234.json"; characters unfit for a name become "_",
// and an id longer than 64 characters is cut and followed by "~" and a hash of it.
std::string RunRecordFileName(const TRunResult& run);
// Takes a path in the folder for the run's record, RunRecordFileName or, when a file of
// that name is there already (another run of the unit in the same second), the name with
// "-2", "-3", ... before ".json", and writes the run's record there as it stands: the
// name is taken only by a complete file (never an empty one). Cleans the folder first of
// what a killed recorder of this program left (CleanRecordFolder). Raises Exception when
// the folder cannot take it.
std::string ReserveRecordPath(const std::string& folder, const TRunResult& run);
// Folds the journals that no recorder holds any more into their records and removes the
// temporary files of record writes that are older than a minute.
void CleanRecordFolder(const std::string& folder);
// A record file with its journal, if any: the run as far as it went. Nothing when the
// file is not a JSON record.
std::optional<nlohmann::json> ReadRecordFile(const std::string& path);

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

    TRunRecorder(const TRunRecorder&) = delete;
    TRunRecorder& operator=(const TRunRecorder&) = delete;
    ~TRunRecorder();

private:
    bool Write(const std::string& path, const std::string& text);
    void Rewrite(const TRunResult& run);
    void Journal(const nlohmann::json& entry);

    std::string FPath;
    std::string FJUnitPath;
    std::string FFailure;
    int FJournal = -1;       // the journal, locked; -1 until the first entry
    size_t FRecordBytes = 0; // of the record as last written whole
    size_t FJournalBytes = 0;
};

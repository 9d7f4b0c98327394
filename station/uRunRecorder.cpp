// The record's file while its run goes on: reserved complete, kept current through a
// journal, folded whole at the run's end (see TRunRecorder in uRunRecord.h).
#include "station/uRunRecord.h"

#include "framework/uAtomicFile.h"
#include "framework/uExceptions.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using nlohmann::json;

// A temporary file of a record write older than this is left from a killed program.
constexpr time_t StrayAge = 60;

std::string JournalPath(const std::string& record) { return record + ".journal"; }

std::string SaveFailure(const std::string& path, int error)
{
    return "Cannot save \"" + path + "\": " + std::strerror(error);
}

void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Puts one journal entry into the record: a step (whole, or as it began) or one
// measurement of a step. Entries are applied in order, and again harmlessly.
void Apply(json& record, const json& entry)
{
    const auto step = entry.find("step");
    const auto value = entry.find("value");
    json& steps = record["steps"];
    if (step == entry.end() || !step->is_number_unsigned() || value == entry.end() || !steps.is_array()) return;
    const size_t s = step->get<size_t>();
    json* list = &steps;
    size_t at = s;
    if (const auto m = entry.find("measurement"); m != entry.end()) {
        if (s >= steps.size() || !m->is_number_unsigned() || !steps[s]["measurements"].is_array()) return;
        list = &steps[s]["measurements"];
        at = m->get<size_t>();
    }
    if (at < list->size())
        (*list)[at] = *value;
    else if (at == list->size())
        list->push_back(*value);
}

// Writes the journal's entries into its record and removes it, unless a recorder still
// holds it.
void FoldJournal(const std::string& record)
{
    const std::string journal = JournalPath(record);
    const int fd = open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        try {
            if (const std::optional<json> folded = ReadRecordFile(record))
                WriteFileAtomically(record, RecordJsonText(*folded));
            unlink(journal.c_str());
        } catch (const Exception&) {
            // Left for the next time: the record stays as it was, and valid.
        }
    }
    close(fd);
}

// The files of a record that RunRecordFileName named ("20240301T080509_A1234.json"):
// its journal, and the temporary files of its writes ("….json.XXXXXX", and
// "….XXXXXX.XXXXXX" the write of a reservation's own). Nothing else in a folder is
// touched: it may be the user's.
const std::regex RecordJournal(R"(\d{8}T\d{6}.*\.json\.journal)");
const std::regex RecordTemporary(R"(\d{8}T\d{6}.*\.json(\.[A-Za-z0-9]{6}){1,2})");

} // namespace

std::optional<json> ReadRecordFile(const std::string& path)
{
    std::ifstream in(path);
    json record = json::parse(in, nullptr, false);
    if (record.is_discarded() || !record.is_object()) return std::nullopt;
    std::ifstream journal(JournalPath(path));
    // A line cut short by a kill is no JSON and is left out.
    for (std::string line; std::getline(journal, line);)
        if (const json entry = json::parse(line, nullptr, false); entry.is_object()) Apply(record, entry);
    return record;
}

void CleanRecordFolder(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::string path = entry->path().string();
        struct stat info {};
        if (std::regex_match(name, RecordJournal))
            FoldJournal(path.substr(0, path.size() - 8));
        else if (std::regex_match(name, RecordTemporary) && stat(path.c_str(), &info) == 0 &&
                 time(nullptr) - info.st_mtime > StrayAge)
            unlink(path.c_str());
    }
}

std::string ReserveRecordPath(const std::string& folder, const TRunResult& run)
{
    CleanRecordFolder(folder);
    const std::string name = RunRecordFileName(run);
    const std::string stem = folder + "/" + name.substr(0, name.size() - 5);
    // The record is written complete under a name of its own, then linked to the first
    // free name: link() never replaces a file, so two runs never take one name.
    std::string staging = stem + ".json.XXXXXX";
    const int fd = mkostemp(staging.data(), O_CLOEXEC);
    if (fd < 0) throw Exception(SaveFailure(stem + ".json", errno));
    close(fd);
    try {
        WriteFileAtomically(staging, RunRecordText(run));
    } catch (const Exception&) {
        unlink(staging.c_str());
        throw;
    }
    for (int n = 1;; ++n) {
        const std::string path = n == 1 ? stem + ".json" : stem + "-" + std::to_string(n) + ".json";
        if (link(staging.c_str(), path.c_str()) == 0) {
            unlink(staging.c_str());
            SyncFolder(folder);
            return path;
        }
        if (errno != EEXIST) {
            const int error = errno;
            unlink(staging.c_str());
            throw Exception(SaveFailure(path, error));
        }
    }
}

TRunRecorder::TRunRecorder(std::string path, std::string junitPath)
    : FPath(std::move(path)), FJUnitPath(std::move(junitPath))
{
}

TRunRecorder::~TRunRecorder()
{
    if (FJournal >= 0) close(FJournal);
}

bool TRunRecorder::Write(const std::string& path, const std::string& text)
{
    try {
        WriteFileAtomically(path, text);
        return true;
    } catch (const Exception& e) {
        if (FFailure.empty()) FFailure = e.Message();
        return false;
    }
}

void TRunRecorder::Rewrite(const TRunResult& run)
{
    const std::string text = RunRecordText(run);
    if (!Write(FPath, text)) return;
    FRecordBytes = text.size();
    // What the journal held is in the record now.
    if (FJournal >= 0 && ftruncate(FJournal, 0) == 0) FJournalBytes = 0;
}

void TRunRecorder::Journal(const json& entry)
{
    if (FJournal < 0) {
        // Locked before it takes its name, so a cleaning never takes it for a killed one.
        std::string temp = FPath + ".XXXXXX";
        const int fd = mkostemp(temp.data(), O_CLOEXEC | O_APPEND);
        if (fd < 0 || flock(fd, LOCK_EX) != 0 || rename(temp.c_str(), JournalPath(FPath).c_str()) != 0) {
            if (FFailure.empty()) FFailure = SaveFailure(JournalPath(FPath), errno);
            if (fd >= 0) close(fd);
            return;
        }
        FJournal = fd;
    }
    const std::string line = entry.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    for (size_t done = 0; done < line.size();) {
        const ssize_t n = write(FJournal, line.data() + done, line.size() - done);
        if (n < 0 && errno != EINTR) {
            if (FFailure.empty()) FFailure = SaveFailure(JournalPath(FPath), errno);
            return;
        }
        if (n > 0) done += size_t(n);
    }
    FJournalBytes += line.size();
}

void TRunRecorder::Record(const TRunEvent& event)
{
    try {
        const TRunResult& run = event.Run;
        const json step = event.Step >= 0 ? json(size_t(event.Step)) : json();
        switch (event.Kind) {
        case TRunEvent::TKind::RunStarted: Rewrite(run); break;
        case TRunEvent::TKind::StepStarted:
            Journal({{"step", step}, {"value", StepRecordJson(run.Steps[size_t(event.Step)])}});
            break;
        case TRunEvent::TKind::Measured:
            Journal({{"step", step},
                     {"measurement", size_t(event.Measurement)},
                     {"value", MeasurementRecordJson(run.Steps[size_t(event.Step)].Measurements[size_t(event.Measurement)])}});
            break;
        case TRunEvent::TKind::StepEnded:
            Journal({{"step", step}, {"value", StepRecordJson(run.Steps[size_t(event.Step)])}});
            // Rewritten whole only when the journal has grown twice as large as the record:
            // the record at least doubles from one rewrite to the next, so every byte is
            // written a bounded number of times, whatever the number of steps.
            if (FJournalBytes >= 2 * FRecordBytes) Rewrite(run);
            break;
        case TRunEvent::TKind::RunEnded:
            Rewrite(run);
            if (FFailure.empty() && FJournal >= 0) unlink(JournalPath(FPath).c_str());
            if (!FJUnitPath.empty()) Write(FJUnitPath, RunJUnitText(run));
            break;
        }
    } catch (const std::exception& e) {
        // Nothing a record holds may end the run it records.
        if (FFailure.empty()) FFailure = e.what();
    }
}

#include "cli/uCliRecords.h"

#include "cli/uCliCommands.h"
#include "cli/uCliJson.h"
#include "records/uRecordShipper.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

const std::vector<std::string> Queries = {"runs", "yield", "failing", "last"};

// "YYYY-MM-DD" (the start of that day) or "YYYY-MM-DDThh:mm[:ss[.zzz]]": the station's
// local time, as each run's record gives it; with "Z" or "+hh:mm" after the time, that
// instant. A time that does not exist (25:00, February 30) is refused.
void ParseTime(const std::string& text, const char* what, std::optional<int64_t>& instant,
               std::optional<std::string>& local)
{
    static const std::regex format(
        R"((\d{4})-(\d{2})-(\d{2})(?:T(\d{2}):(\d{2})(?::(\d{2})(\.\d{1,3})?)?(Z|([+-])(\d{2}):(\d{2}))?)?)");
    const auto refuse = [&] {
        return ECliUsage(std::string(what) + ": expected YYYY-MM-DD[Thh:mm[:ss]] (the station's local time) or " +
                         "YYYY-MM-DDThh:mm[:ss] with Z or +hh:mm, not \"" + text + "\"");
    };
    std::smatch m;
    if (!std::regex_match(text, m, format)) throw refuse();
    const auto number = [&](size_t i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    const bool zoned = m[8].matched;
    const int offset = (m[9].str() == "-" ? -1 : 1) * (number(10) * 3600 + number(11) * 60);
    if (!date.isValid() || !time.isValid() || number(10) > 14 || number(11) > 59) throw refuse();
    const std::string fraction = m[7].matched ? (m[7].str() + "00").substr(0, 4) : ".000";
    if (zoned)
        instant = QDateTime(date, time.addMSecs(std::stoi(fraction.substr(1))), QTimeZone(offset)).toMSecsSinceEpoch();
    else
        local = date.toString(Qt::ISODate).toStdString() + "T" + time.toString(QStringLiteral("HH:mm:ss")).toStdString() +
                fraction;
}

// A result as rows of named columns, shown as text, JSON or CSV.
struct TTable {
    std::string Key; // of the JSON array
    std::vector<std::string> Columns;
    std::vector<std::vector<TCliJson>> Rows;
};

std::string CellText(const TCliJson& cell)
{
    if (cell.is_null()) return "-";
    return cell.is_string() ? cell.get<std::string>() : cell.dump();
}

// The characters of a UTF-8 text (its bytes but continuation bytes).
size_t Width(const std::string& text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (uint8_t(c) & 0xC0) != 0x80; }));
}

std::string CsvField(const TCliJson& cell)
{
    std::string text = cell.is_null() ? std::string() : CellText(cell);
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void Show(const TTable& table, bool json, bool csv)
{
    if (json) {
        TCliJson rows = TCliJson::array();
        for (const auto& row : table.Rows) {
            TCliJson object = TCliJson::object();
            for (size_t i = 0; i < row.size(); ++i) object[table.Columns[i]] = row[i];
            rows.push_back(object);
        }
        std::printf("%s\n", CliJsonText(TCliJson{{"ok", true}, {table.Key, rows}}).c_str());
        return;
    }
    const auto print = [&](const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
        std::string line;
        for (size_t i = 0; i < cells.size(); ++i)
            line += csv ? (i ? "," : "") + cells[i]
                        : cells[i] + (i + 1 < cells.size() ? std::string(widths[i] - Width(cells[i]) + 2, ' ') : "");
        std::printf("%s\n", line.c_str());
    };
    std::vector<std::vector<std::string>> lines{table.Columns};
    for (const auto& row : table.Rows) {
        std::vector<std::string> cells;
        for (const TCliJson& cell : row) cells.push_back(csv ? CsvField(cell) : CellText(cell));
        lines.push_back(cells);
    }
    std::vector<size_t> widths(table.Columns.size(), 0);
    for (const auto& line : lines)
        for (size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], Width(line[i]));
    for (const auto& line : lines) print(line, widths);
}

TTable RunsTable(const std::vector<TRunSummary>& runs)
{
    TTable table{"runs", {"started", "verdict", "ending", "unit", "plan", "version", "station", "operator", "id"}, {}};
    for (const TRunSummary& r : runs)
        table.Rows.push_back({r.Started, r.Verdict, r.Ending.empty() ? TCliJson() : TCliJson(r.Ending), r.Unit, r.Plan,
                              r.PlanVersion, r.Station, r.Operator, r.Id});
    return table;
}

// Runs the query named by `what` on the store.
bool Query(TRecordStore& store, const TCliRecordsOptions& o, TTable& table, std::string& error)
{
    if (o.What == "yield") {
        std::vector<TYield> yields;
        if (!YieldOf(store, o.Filter, o.By, yields, error)) return false;
        table = {"yield", {o.By == TYieldBy::Day ? "day" : "plan", "runs", "passed", "yield_percent"}, {}};
        for (const TYield& y : yields)
            table.Rows.push_back({y.Key, y.Runs, y.Passed, std::round(1000.0 * double(y.Passed) / double(y.Runs)) / 10});
        return true;
    }
    if (o.What == "failing") {
        std::vector<TFailingMeasurement> failing;
        if (!TopFailing(store, o.Filter, o.Limit, failing, error)) return false;
        table = {"failing", {"failures", "step", "measurement"}, {}};
        for (const TFailingMeasurement& f : failing) table.Rows.push_back({f.Failures, f.Step, f.Measurement});
        return true;
    }
    std::vector<TRunSummary> runs;
    if (!(o.What == "last" ? LastRunPerUnit(store, o.Filter, runs, error) : FindRuns(store, o.Filter, o.Limit, runs, error)))
        return false;
    table = RunsTable(runs);
    return true;
}

// The record files of a file or folder (its *.json, by name).
std::vector<std::filesystem::path> RecordFiles(const std::string& path)
{
    namespace fs = std::filesystem;
    if (!fs::is_directory(path)) return {path};
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(path))
        if (entry.is_regular_file() && entry.path().extension() == ".json") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const char* StoredText(TRunStored stored)
{
    switch (stored) {
    case TRunStored::Added: return "stored";
    case TRunStored::Replaced: return "stored in place of its running record";
    case TRunStored::AlreadyThere: break;
    }
    return "already stored, kept as it was";
}

// Stores each file's record; false when one could not be read or stored.
bool Import(TRecordStore& store, const std::string& path, bool json)
{
    const std::vector<std::filesystem::path> files = RecordFiles(path);
    if (files.empty()) std::fprintf(stderr, "valdrix-cli: no record files (*.json) in %s\n", path.c_str());
    bool ok = !files.empty();
    for (const auto& file : files) {
        std::ifstream in(file);
        const nlohmann::json record = nlohmann::json::parse(in, nullptr, false);
        std::string error;
        TRunStored stored = TRunStored::AlreadyThere;
        if (!in && !in.eof()) error = "cannot read the file";
        if (error.empty() && record.is_discarded()) error = "not JSON";
        if (error.empty()) store.Add(record, error, &stored);
        ok = ok && error.empty();
        const std::string id = record.is_discarded() ? std::string() : RecordRunId(record);
        if (json)
            std::printf("%s\n", CliJsonText(error.empty() ? TCliJson{{"ok", true}, {"file", file.string()}, {"id", id},
                                                                     {"stored", StoredText(stored)}}
                                                          : TCliJson{{"ok", false}, {"file", file.string()}, {"error", error}})
                                    .c_str());
        else if (error.empty())
            std::printf("%s %s (%s)\n", id.c_str(), StoredText(stored), file.c_str());
        else
            std::fprintf(stderr, "valdrix-cli: %s: %s\n", file.c_str(), error.c_str());
    }
    return ok;
}

// Set by SIGINT and SIGTERM while a sync waits, whichever thread they reach.
std::atomic<bool> SyncStopped{false};

extern "C" void StopSync(int) { SyncStopped = true; }

// Sends the waiting runs until all are sent, the shared store fails, or SIGINT or SIGTERM
// comes: the sending goes on a thread of its own, so that a server that stopped
// answering holds that thread only.
int Sync(const TCliRecordsOptions& o, bool json)
{
    struct sigaction stop {}, oldInt {}, oldTerm {};
    stop.sa_handler = StopSync;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, &oldInt);
    sigaction(SIGTERM, &stop, &oldTerm);
    TShipment shipment(TRecordsLocation::File(o.Stores.Local), *o.Stores.Shared);
    const bool ended = shipment.WaitUntil(std::chrono::steady_clock::time_point::max(), [] { return SyncStopped.load(); });
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    const std::string error = ended ? shipment.Error() : "stopped while the shared records had not answered";
    TRecordStore station;
    std::string counting;
    const int waiting = station.Open(TRecordsLocation::File(o.Stores.Local), counting) ? station.UnsentCount() : -1;
    if (json)
        std::printf("%s\n",
                    CliJsonText(TCliJson{{"ok", error.empty()}, {"sent", shipment.Sent()}, {"waiting", waiting}}).c_str());
    else
        std::printf("sent %d runs; %d wait\n", shipment.Sent(), waiting);
    if (!error.empty()) std::fprintf(stderr, "valdrix-cli: %s\n", error.c_str());
    return error.empty() ? CliExitOk : CliExitConnection;
}

} // namespace

TCliCommandSyntax CliRecordsSyntax()
{
    return {"records", {}, {"WHAT", "FILE"},
            {"--records", "--unit", "--plan", "--station", "--verdict", "--from", "--to", "--by", "--limit"}, {"--csv"}};
}

TCliRecordsOptions PrepareRecords(const TCliArgs& args)
{
    TCliRecordsOptions o;
    if (args.Has("WHAT")) o.What = args["WHAT"];
    const bool query = std::find(Queries.begin(), Queries.end(), o.What) != Queries.end();
    if (!query && o.What != "import" && o.What != "sync")
        throw ECliUsage("records: expected runs, yield, failing, last, import or sync, not \"" + o.What + "\"");
    if ((o.What == "import") != args.Has("FILE"))
        throw ECliUsage(o.What == "import" ? "records import: name a record file or a folder of them"
                                           : "records " + o.What + ": unexpected \"" + args["FILE"] + "\"");
    o.Path = args["FILE"];
    std::string error;
    const std::optional<TStationStores> stores = StationStoresNamed(args["--records"], error);
    if (!stores) throw ECliUsage("--records: " + error);
    o.Stores = *stores;
    if (o.What == "sync" && !o.Stores.Shared) throw ECliUsage("records sync: --records must name the shared store (postgresql://…)");
    o.Filter.Unit = args["--unit"];
    o.Filter.Plan = args["--plan"];
    o.Filter.Station = args["--station"];
    std::string verdict = args["--verdict"];
    std::transform(verdict.begin(), verdict.end(), verdict.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (!verdict.empty() && verdict != "PASS" && verdict != "FAIL" && verdict != "ERROR" && verdict != "ABORTED" &&
        verdict != "RUNNING")
        throw ECliUsage("--verdict: expected PASS, FAIL, ERROR, ABORTED or RUNNING, not \"" + args["--verdict"] + "\"");
    o.Filter.Verdict = verdict;
    if (args.Has("--from")) ParseTime(args["--from"], "--from", o.Filter.FromMs, o.Filter.FromLocal);
    if (args.Has("--to")) ParseTime(args["--to"], "--to", o.Filter.ToMs, o.Filter.ToLocal);
    if (args.Has("--by") && args["--by"] != "day" && args["--by"] != "plan")
        throw ECliUsage("--by: expected day or plan, not \"" + args["--by"] + "\"");
    o.By = args["--by"] == "plan" ? TYieldBy::Plan : TYieldBy::Day;
    o.Limit = int(CliInt(args, "--limit", 1, 1000000, o.Limit));
    o.Csv = args.Has("--csv");
    return o;
}

int RunRecords(const TCliOptions& options, const TCliRecordsOptions& o)
{
    // The station's store takes imports and sends what waits; queries read the shared
    // store when one is named, else the station's.
    if (o.What == "sync") return Sync(o, options.Json);
    const bool useShared = o.Stores.Shared && o.What != "import";
    const bool useStation = !useShared;
    TRecordStore station, shared;
    std::string error;
    TCliReport report(options.Json, stdout);
    if ((useStation && !station.Open(TRecordsLocation::File(o.Stores.Local), error)) || (useShared && !shared.Open(*o.Stores.Shared, error))) {
        report.ConnectionFailure(error);
        return CliExitConnection;
    }
    if (o.What == "import") return Import(station, o.Path, options.Json) ? CliExitOk : CliExitDevice;
    TTable table;
    if (!Query(useShared ? shared : station, o, table, error)) {
        report.ConnectionFailure(error);
        return CliExitDevice;
    }
    Show(table, options.Json, o.Csv);
    return CliExitOk;
}

#include "records/uRecordRows.h"

#include "records/uRecordStore.h"

#include <QDateTime>
#include <QSqlError>

namespace {

QVariant NullText() { return QVariant(QMetaType::fromType<QString>()); }

// A text member, or NULL when absent or not a text.
QVariant Text(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? QVariant(QString::fromStdString(it->get<std::string>()))
                                                 : NullText();
}

// A text member, or the empty text (never NULL) when absent or not a text.
QVariant TextOrEmpty(const nlohmann::json& object, const char* key)
{
    const QVariant text = Text(object, key);
    return text.isNull() ? QVariant(QLatin1String("")) : text;
}

// A limit as its text: a number as JSON writes it, a dotted version as it stands.
QVariant LimitText(const nlohmann::json& limits, const char* key)
{
    const auto it = limits.find(key);
    if (it == limits.end() || it->is_null()) return NullText();
    return QString::fromStdString(it->is_string() ? it->get<std::string>() : it->dump());
}

const nlohmann::json& Member(const nlohmann::json& object, const char* key)
{
    static const nlohmann::json none = nlohmann::json::object();
    const auto it = object.find(key);
    return it != object.end() && it->is_object() ? *it : none;
}

const char* const RunInsert =
    "INSERT INTO runs (id, plan, plan_version, unit, unit_id, unit_serial, unit_identification, station, operator,"
    " started, started_ms, day, ended, verdict, detail, record, ending)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (id) DO NOTHING";
// A RUNNING run of the id: an ended record of it takes its place.
const char* const RunningVerdict = "SELECT verdict FROM runs WHERE id = ?";
const char* const RunningDeletes[] = {"DELETE FROM measurements WHERE run_id = ?", "DELETE FROM steps WHERE run_id = ?",
                                      "DELETE FROM runs WHERE id = ?"};
const char* const StepColumns = "run_id, position, name, kind, verdict, detail, started, ended";
const char* const MeasurementColumns =
    "run_id, step, position, step_name, name, value_number, value_text, unit, low, high, expected, verdict, detail";

} // namespace

TRunRows RunRows(const nlohmann::json& record, std::string& error)
{
    TRunRows rows;
    error.clear();
    if (!record.is_object()) {
        error = "a record must be a JSON object";
        return rows;
    }
    const QString id = QString::fromStdString(RecordRunId(record));
    const nlohmann::json& plan = Member(record, "plan");
    const nlohmann::json& unit = Member(record, "unit");
    const QVariant started = Text(record, "started");
    const QDateTime start = QDateTime::fromString(started.toString(), Qt::ISODateWithMs);
    const QVariant verdict = Text(record, "verdict");
    if (Text(plan, "name").isNull() || !start.isValid() || verdict.isNull()) {
        error = "record " + id.toStdString() + " lacks its plan name, a valid start time or its verdict";
        return rows;
    }
    const QVariant unitId = Text(unit, "id");
    const QVariant serial = Text(unit, "serial_numbers");
    const QString named = !unitId.toString().isEmpty() ? unitId.toString() : TextOrEmpty(unit, "serial_numbers").toString();
    rows.Run = {id,
                Text(plan, "name"),
                TextOrEmpty(plan, "version"),
                named,
                unitId,
                serial,
                Text(unit, "identification"),
                TextOrEmpty(record, "station"),
                TextOrEmpty(record, "operator"),
                started,
                start.toMSecsSinceEpoch(),
                started.toString().left(10),
                Text(record, "ended"),
                verdict,
                Text(record, "detail"),
                // A text that is not UTF-8 is kept with U+FFFD in its place, never refused.
                QString::fromStdString(record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)),
                Text(record, "ending")};
    const auto steps = record.find("steps");
    if (steps == record.end() || !steps->is_array()) return rows;
    int stepNo = 0;
    for (const nlohmann::json& step : *steps) {
        const QVariant stepName = TextOrEmpty(step, "name");
        rows.Steps.push_back({id, stepNo, stepName, TextOrEmpty(step, "kind"),
                              Text(step, "verdict").isNull() ? QVariant(QStringLiteral("RUNNING")) : Text(step, "verdict"),
                              Text(step, "detail"), Text(step, "started"), Text(step, "ended")});
        const auto measurements = step.find("measurements");
        int position = 0;
        if (measurements != step.end() && measurements->is_array())
            for (const nlohmann::json& m : *measurements) {
                const auto value = m.find("value");
                const bool number = value != m.end() && value->is_number();
                const nlohmann::json& limits = Member(m, "limits");
                rows.Measurements.push_back(
                    {id, stepNo, position++, stepName, TextOrEmpty(m, "name"),
                     number ? QVariant(value->get<double>()) : QVariant(QMetaType::fromType<double>()),
                     number ? NullText() : Text(m, "value"), TextOrEmpty(m, "unit"), LimitText(limits, "low"),
                     LimitText(limits, "high"), LimitText(limits, "expected"),
                     Text(m, "verdict").isNull() ? QVariant(QStringLiteral("RUNNING")) : Text(m, "verdict"),
                     Text(m, "detail")});
            }
        ++stepNo;
    }
    return rows;
}

TRowWriter::TRowWriter(QSqlDatabase& db) : FDatabase(db), FRun(db), FVerdict(db)
{
    FRun.prepare(QString::fromLatin1(RunInsert));
    FVerdict.prepare(QString::fromLatin1(RunningVerdict));
    for (const char* sql : RunningDeletes) {
        FDeletes.emplace_back(db);
        FDeletes.back().prepare(QString::fromLatin1(sql));
    }
}

bool TRowWriter::Exec(QSqlQuery& query, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i) query.bindValue(i, values[i]);
    if (query.exec()) return true;
    FError = query.lastError().text().trimmed().toStdString();
    return false;
}

bool TRowWriter::InsertRows(const char* table, const std::vector<QVariantList>& rows)
{
    // Within SQLite's bound on a statement's parameters (32 766), whatever a plan measures.
    constexpr size_t MaxRows = 500;
    if (rows.size() > MaxRows)
        return InsertRows(table, {rows.begin(), rows.begin() + MaxRows}) &&
               InsertRows(table, {rows.begin() + MaxRows, rows.end()});
    if (rows.empty()) return true;
    const auto [at, made] = FInserts.try_emplace({table, rows.size()}, FDatabase);
    QSqlQuery& insert = at->second;
    if (made) {
        const QString row = '(' + QStringList(rows.front().size(), QStringLiteral("?")).join(',') + ')';
        insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                           .arg(QLatin1String(table),
                                QLatin1String(table == std::string("steps") ? StepColumns : MeasurementColumns)) +
                       QStringList(qsizetype(rows.size()), row).join(','));
    }
    QVariantList values;
    for (const QVariantList& r : rows) values += r;
    return Exec(insert, values);
}

bool TRowWriter::ReplaceableRunning(const TRunRows& run, bool& replace)
{
    const QVariant& id = run.Run[RunIdColumn];
    replace = false;
    if (!Exec(FVerdict, {id})) return false;
    const bool running = FVerdict.next() && FVerdict.value(0).toString() == QLatin1String("RUNNING");
    FVerdict.finish();
    if (!running || run.Run[RunVerdictColumn].toString() == QLatin1String("RUNNING")) return true;
    replace = true;
    for (QSqlQuery& drop : FDeletes)
        if (!Exec(drop, {id})) return false;
    return true;
}

bool TRowWriter::Write(const TRunRows& run, TRunStored& outcome)
{
    bool replace = false;
    if (!ReplaceableRunning(run, replace) || !Exec(FRun, run.Run)) return false;
    // Already stored (sent twice, imported twice): its rows are there too.
    if (FRun.numRowsAffected() == 0) {
        outcome = TRunStored::AlreadyThere;
        return true;
    }
    outcome = replace ? TRunStored::Replaced : TRunStored::Added;
    return InsertRows("steps", run.Steps) && InsertRows("measurements", run.Measurements);
}

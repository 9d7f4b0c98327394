#include "records/uRecordQueries.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The filter as SQL conditions on the runs table aliased `alias`, with their values.
struct TWhere {
    QString Sql;
    QVariantList Values;
};

TWhere Where(const TRecordFilter& filter, const QString& alias)
{
    TWhere where;
    QStringList terms;
    const auto text = [&](const std::string& value, const char* column) {
        if (value.empty()) return;
        terms << alias + '.' + QLatin1String(column) + QStringLiteral(" = ?");
        where.Values << QString::fromStdString(value);
    };
    text(filter.Unit, "unit");
    text(filter.Plan, "plan");
    text(filter.Station, "station");
    text(filter.Verdict, "verdict");
    if (filter.FromMs) {
        terms << alias + QStringLiteral(".started_ms >= ?");
        where.Values << qint64(*filter.FromMs);
    }
    if (filter.ToMs) {
        terms << alias + QStringLiteral(".started_ms < ?");
        where.Values << qint64(*filter.ToMs);
    }
    // The start as the station's clock showed it: the record's time without its offset.
    const auto local = [&](const std::optional<std::string>& value, const char* comparison) {
        if (!value) return;
        terms << QStringLiteral("substr(%1.started, 1, 23) %2 ?").arg(alias, QLatin1String(comparison));
        where.Values << QString::fromStdString(*value);
    };
    local(filter.FromLocal, ">=");
    local(filter.ToLocal, "<");
    where.Sql = terms.join(QStringLiteral(" AND "));
    return where;
}

// Runs the query with the values bound in order; false with the reason.
bool Run(QSqlQuery& query, const QString& sql, const QVariantList& values, std::string& error)
{
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    for (int i = 0; ok && i < values.size(); ++i) query.bindValue(i, values[i]);
    if (ok && query.exec()) return true;
    error = query.lastError().text().trimmed().toStdString();
    return false;
}

std::string Str(const QSqlQuery& query, int column) { return query.value(column).toString().toStdString(); }

const QString SummaryColumns = QStringLiteral(
    "r.id, r.plan, r.plan_version, r.unit, r.station, r.operator, r.started, r.verdict, r.detail, r.ending");

TRunSummary Summary(const QSqlQuery& q)
{
    return {Str(q, 0), Str(q, 1), Str(q, 2), Str(q, 3), Str(q, 4), Str(q, 5), Str(q, 6), Str(q, 7), Str(q, 8), Str(q, 9)};
}

QString AndWhere(const TWhere& where, const QString& keyword = QStringLiteral(" WHERE "))
{
    return where.Sql.isEmpty() ? QString() : keyword + where.Sql;
}

} // namespace

bool FindRuns(TRecordStore& store, const TRecordFilter& filter, int limit, std::vector<TRunSummary>& runs,
              std::string& error)
{
    TWhere where = Where(filter, QStringLiteral("r"));
    where.Values << limit;
    QSqlQuery q(store.Database());
    if (!Run(q,
             QStringLiteral("SELECT ") + SummaryColumns + QStringLiteral(" FROM runs r") + AndWhere(where) +
                 QStringLiteral(" ORDER BY r.started_ms DESC LIMIT ?"),
             where.Values, error))
        return false;
    while (q.next()) runs.push_back(Summary(q));
    return true;
}

bool YieldOf(TRecordStore& store, const TRecordFilter& filter, TYieldBy by, std::vector<TYield>& yields,
             std::string& error)
{
    const TWhere where = Where(filter, QStringLiteral("r"));
    const QString key = by == TYieldBy::Day ? QStringLiteral("r.day") : QStringLiteral("r.plan");
    QSqlQuery q(store.Database());
    if (!Run(q,
             QStringLiteral("SELECT ") + key +
                 QStringLiteral(", COUNT(*), SUM(CASE WHEN r.verdict = 'PASS' THEN 1 ELSE 0 END) FROM runs r") +
                 AndWhere(where) + QStringLiteral(" GROUP BY ") + key + QStringLiteral(" ORDER BY ") + key,
             where.Values, error))
        return false;
    while (q.next()) yields.push_back({Str(q, 0), q.value(1).toLongLong(), q.value(2).toLongLong()});
    return true;
}

bool TopFailing(TRecordStore& store, const TRecordFilter& filter, int limit,
                std::vector<TFailingMeasurement>& failing, std::string& error)
{
    TWhere where = Where(filter, QStringLiteral("r"));
    where.Values << limit;
    // "verdict <> 'PASS'" lets both databases read the failures' own index.
    const QString runs = where.Sql.isEmpty() ? QString()
                                             : QStringLiteral(" AND m.run_id IN (SELECT r.id FROM runs r WHERE ") +
                                                   where.Sql + ')';
    QSqlQuery q(store.Database());
    if (!Run(q,
             QStringLiteral("SELECT m.step_name, m.name, COUNT(*) AS failures FROM measurements m"
                            " WHERE m.verdict <> 'PASS' AND m.verdict IN ('FAIL', 'ERROR')") +
                 runs +
                 QStringLiteral(" GROUP BY m.step_name, m.name ORDER BY failures DESC, m.step_name, m.name LIMIT ?"),
             where.Values, error))
        return false;
    while (q.next()) failing.push_back({Str(q, 0), Str(q, 1), q.value(2).toLongLong()});
    return true;
}

bool LastRunPerUnit(TRecordStore& store, const TRecordFilter& filter, std::vector<TRunSummary>& runs,
                    std::string& error)
{
    // The unit's last run first, then the filter on it.
    const TWhere where = Where(filter, QStringLiteral("r"));
    QSqlQuery q(store.Database());
    if (!Run(q,
             QStringLiteral("SELECT ") + SummaryColumns +
                 QStringLiteral(" FROM runs r JOIN (SELECT l.unit, MAX(l.started_ms) AS last FROM runs l GROUP BY l.unit)"
                                " u ON r.unit = u.unit AND r.started_ms = u.last") +
                 AndWhere(where, QStringLiteral(" AND ")) + QStringLiteral(" ORDER BY r.unit"),
             where.Values, error))
        return false;
    while (q.next()) runs.push_back(Summary(q));
    return true;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "module/data/SchemaVersion.h"

#include "host/data/Database.h"
#include "host/data/SysUtils.h"
#include "module/HorloResourceString.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <set>

// Resources of a static library are registered by hand, not by a static
// initializer that the linker may drop. Outside the anonymous namespace: the
// macro declares the registering function where it stands.
static void RegisterSchemaResource() {
    Q_INIT_RESOURCE(horlo_schema);
}

namespace {

QString ReadResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::logic_error("missing resource " + path.toStdString());
    return QString::fromUtf8(file.readAll());
}

std::vector<TSchemaStep> ReadSteps() {
    RegisterSchemaResource();
    std::vector<TSchemaStep> steps;
    static const QRegularExpression stepName(QStringLiteral("^(\\d+)-(.+)\\.sql$"));
    const QStringList files = QDir(QStringLiteral(":/schema/upgrades")).entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QRegularExpressionMatch m = stepName.match(file);
        if (!m.hasMatch()) throw std::logic_error("misnamed schema step " + file.toStdString());
        steps.push_back({m.captured(1).toInt(), m.captured(2),
                         ReadResource(QStringLiteral(":/schema/upgrades/") + file)});
        // Branches take their numbers ahead and land in any order, so a number may
        // be missing for a while; a database records each step it holds.
        if (steps.size() > 1 && steps.back().version <= steps[steps.size() - 2].version)
            throw std::logic_error("schema steps must have distinct numbers");
    }
    return steps;
}

// The unique keys that a step adds to existing tables: "ALTER TABLE t ... ADD
// UNIQUE KEY name (columns)".
std::vector<TUniqueKey> UniqueKeysAdded(const TSchemaStep& step) {
    static const QRegularExpression comment(QStringLiteral("--[^\n]*"));
    static const QRegularExpression alter(QStringLiteral("^\\s*ALTER\\s+TABLE\\s+`?(\\w+)`?"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression unique(
        QStringLiteral(
            "ADD\\s+UNIQUE\\s+(?:KEY|INDEX)\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?`?(\\w+)`?\\s*\\(([^)]*)\\)"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<TUniqueKey> keys;
    for (const QString& statement : QString(step.sql).remove(comment).split(QLatin1Char(';'))) {
        const QRegularExpressionMatch table = alter.match(statement);
        if (!table.hasMatch()) continue;
        for (auto it = unique.globalMatch(statement); it.hasNext();) {
            const QRegularExpressionMatch key = it.next();
            QStringList columns = key.captured(2).split(QLatin1Char(','));
            for (QString& column : columns)
                column = column.trimmed().remove(QLatin1Char('`'));
            keys.push_back({step.version, table.captured(1), key.captured(1), columns});
        }
    }
    return keys;
}

bool HasTable(TZConnection& connection, const char* table) {
    return !connection
                .Select(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                       "WHERE table_schema = DATABASE() AND table_name = ") +
                        connection.Quote(QString::fromLatin1(table)))
                .rows.empty();
}

// The steps the database holds; none before versions were recorded.
std::set<int> RecordedSteps(TZConnection& connection) {
    std::set<int> versions;
    if (!HasTable(connection, "horloschema")) return versions;
    for (const auto& row : connection.Select(QStringLiteral("SELECT version FROM horloschema")).rows)
        versions.insert(row[0].toInt());
    return versions;
}

} // namespace

const std::vector<TSchemaStep>& SchemaSteps() {
    static const std::vector<TSchemaStep> steps = ReadSteps();
    return steps;
}

int ProgramSchemaVersion() {
    return SchemaSteps().empty() ? 0 : SchemaSteps().back().version;
}

int DatabaseSchemaVersion(TZConnection& connection) {
    if (HasTable(connection, "horloschema")) {
        const std::set<int> recorded = RecordedSteps(connection);
        if (!recorded.empty() && *recorded.rbegin() > ProgramSchemaVersion()) return *recorded.rbegin();
        // the newest version up to which it holds every step this program knows: a step
        // that landed after a higher-numbered one may be missing below it
        int held = 0;
        for (const TSchemaStep& step : SchemaSteps()) {
            if (!recorded.contains(step.version)) break;
            held = step.version;
        }
        return held;
    }
    return HasTable(connection, "employeeeventtype") ? 0 : kNoHorloSchema;
}

QString SchemaRefusal(int databaseVersion) {
    const int program = ProgramSchemaVersion();
    if (databaseVersion == kNoHorloSchema) return QString::fromUtf8(_SCHEMA_NONE_ERR);
    if (databaseVersion < program) return Format(_SCHEMA_OLDER_FMT, {databaseVersion, program});
    if (databaseVersion > program) return Format(_SCHEMA_NEWER_FMT, {databaseVersion, program});
    return {};
}

void InitSchema(TZConnection& connection) {
    const TResultSet tables = connection.Select(
        QStringLiteral("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = DATABASE()"));
    if (tables.rows.empty() || tables.rows[0][0].toLongLong() != 0) throw ESchemaError(_SCHEMA_NOT_EMPTY_ERR);
    RegisterSchemaResource();
    for (const char* file : {":/schema/host.sql", ":/schema/horlo.sql"})
        connection.ExecuteScript(ReadResource(QString::fromLatin1(file)));
}

QString TUniqueKey::DoublesStatement() const {
    QStringList present;
    for (const QString& column : columns)
        present << column + QStringLiteral(" IS NOT NULL");
    const QString list = columns.join(QStringLiteral(", "));
    // NULLs never repeat a unique key
    return QStringLiteral("SELECT %1, COUNT(*) FROM %2 WHERE %3 GROUP BY %1 HAVING COUNT(*) > 1;")
        .arg(list, table, present.join(QStringLiteral(" AND ")));
}

std::vector<TBlockingKey> BlockingKeys(TZConnection& connection) {
    const std::set<int> recorded = RecordedSteps(connection);
    std::vector<TBlockingKey> blocking;
    for (const TSchemaStep& step : SchemaSteps()) {
        if (recorded.contains(step.version)) continue;
        for (const TUniqueKey& key : UniqueKeysAdded(step)) {
            // a table or column that an earlier step has still to make holds no rows
            // yet; a key that is unique already holds no doubles
            QStringList names;
            for (const QString& column : key.columns)
                names << connection.Quote(column);
            const TResultSet found = connection.Select(
                QStringLiteral("SELECT COUNT(*), (SELECT MIN(non_unique) FROM information_schema.statistics "
                               "WHERE table_schema = DATABASE() AND table_name = %1 AND index_name = %2) "
                               "FROM information_schema.columns WHERE table_schema = DATABASE() AND "
                               "table_name = %1 AND column_name IN (%3)")
                    .arg(connection.Quote(key.table), connection.Quote(key.key), names.join(',')));
            const QVariant nonUnique = found.rows[0][1];
            if (found.rows[0][0].toLongLong() != key.columns.size() ||
                (!nonUnique.isNull() && nonUnique.toLongLong() == 0))
                continue;
            const QString statement = key.DoublesStatement();
            const qint64 doubled =
                connection
                    .Select(QStringLiteral("SELECT COUNT(*) FROM (%1) AS doubled").arg(statement.chopped(1)))
                    .rows[0][0]
                    .toLongLong();
            if (doubled > 0) blocking.push_back({key, doubled});
        }
    }
    return blocking;
}

int UpgradeSchema(TZConnection& connection, const std::function<void(const TSchemaStep&)>& onStep) {
    const int from = DatabaseSchemaVersion(connection);
    if (from == kNoHorloSchema || from > ProgramSchemaVersion()) throw ESchemaError(SchemaRefusal(from));
    const std::set<int> recorded = RecordedSteps(connection);
    // Every key that doubles would stop is named at once, before any step runs.
    const std::vector<TBlockingKey> blocking = BlockingKeys(connection);
    if (!blocking.empty()) {
        QString text = QString::fromUtf8(_SCHEMA_DOUBLES_ERR);
        for (const TBlockingKey& b : blocking)
            text += QLatin1Char('\n') +
                    Format(_SCHEMA_DOUBLES_KEY_FMT,
                           {b.key.step, b.key.key, b.key.table, b.doubled, b.key.DoublesStatement()});
        throw ESchemaError(text + QLatin1Char('\n') + QString::fromUtf8(_SCHEMA_DOUBLES_HINT));
    }
    int applied = 0;
    for (const TSchemaStep& step : SchemaSteps()) {
        if (recorded.contains(step.version)) continue;
        if (onStep) onStep(step);
        try {
            connection.ExecuteScript(step.sql);
            // another program upgrading at the same time records the step first
            connection.Execute(
                QStringLiteral("INSERT IGNORE INTO horloschema (version, name) VALUES (%1, %2)")
                    .arg(step.version)
                    .arg(connection.Quote(step.name)));
        } catch (const EDatabaseError& e) {
            QString why = e.Message();
            while (why.endsWith(QLatin1Char('.')))
                why.chop(1);
            throw ESchemaError(Format(applied > 0 ? _SCHEMA_STEP_AFTER_FMT : _SCHEMA_STEP_FMT,
                                      {step.version, step.name, why}));
        }
        ++applied;
    }
    return applied;
}

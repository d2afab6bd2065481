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

std::set<int> RecordedSteps(TZConnection& connection) {
    std::set<int> versions;
    for (const auto& row : connection.Select(QStringLiteral("SELECT version FROM horloschema")).rows)
        versions.insert(row[0].toInt());
    return versions;
}

bool HasTable(TZConnection& connection, const char* table) {
    return !connection
                .Select(QStringLiteral("SELECT 1 FROM information_schema.tables "
                                       "WHERE table_schema = DATABASE() AND table_name = ") +
                        connection.Quote(QString::fromLatin1(table)))
                .rows.empty();
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

int UpgradeSchema(TZConnection& connection, const std::function<void(const TSchemaStep&)>& onStep) {
    const int from = DatabaseSchemaVersion(connection);
    if (from == kNoHorloSchema || from > ProgramSchemaVersion()) throw ESchemaError(SchemaRefusal(from));
    const std::set<int> recorded =
        HasTable(connection, "horloschema") ? RecordedSteps(connection) : std::set<int>();
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
            throw ESchemaError(
                Format(_SCHEMA_STEP_ERR, {step.version, step.name, QString::fromUtf8(e.what())}));
        }
        ++applied;
    }
    return applied;
}

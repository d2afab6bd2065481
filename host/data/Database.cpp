// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/Database.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>

#include <QUrlQuery>
#include <algorithm>
#include <memory>

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

EDatabaseError::EDatabaseError(const QString& message, unsigned errorCode, TKind kind, QString duplicateKey)
    : std::runtime_error(message.toStdString()), m_message(message), m_errorCode(errorCode), m_kind(kind),
      m_duplicateKey(std::move(duplicateKey)) {}

bool EDatabaseError::IsConflict() const {
    // 1213: a deadlock, and how a cluster reports a certification conflict;
    // 1205: a lock wait that timed out
    return m_errorCode == ER_LOCK_DEADLOCK || m_errorCode == ER_LOCK_WAIT_TIMEOUT;
}

namespace {

// What the client library's and the server's error codes mean, in the users' words.
const char* ErrorMeaning(unsigned code) {
    switch (code) {
    case CR_CONNECTION_ERROR: // a socket, or (Connector/C) an address and port
    case CR_CONN_HOST_ERROR:
        return "server ne radi ili ne prima veze na toj adresi";
    case CR_UNKNOWN_HOST:
        return "računar sa tim imenom nije pronađen";
    case CR_SERVER_GONE_ERROR:
        return "server je zatvorio vezu";
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
        return "server je prestao da odgovara usred naredbe";
    case CR_SSL_CONNECTION_ERROR:
        return "zaštićena (SSL) veza ne može da se uspostavi";
    case ER_CON_COUNT_ERROR:
        return "server već ima najviše veza koje dozvoljava";
    case ER_ACCESS_DENIED_ERROR:
    case 1698: // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
        return "server ne prihvata to korisničko ime i lozinku";
    case ER_DBACCESS_DENIED_ERROR:
        return "korisnik nema pristup toj bazi";
    case ER_BAD_DB_ERROR:
        return "baza podataka ne postoji";
    case ER_UNKNOWN_COM_ERROR: // how a cluster node outside the synced cluster refuses work
        return "čvor klastera nije spreman za rad (nije usklađen sa ostalima)";
    case ER_ERROR_DURING_COMMIT:
        return "server nije mogao da potvrdi izmene";
    case ER_LOCK_WAIT_TIMEOUT:
        return "zapisi su predugo bili zaključani";
    case ER_LOCK_DEADLOCK:
        return "drugi program je u isto vreme menjao iste zapise";
    case ER_NO_SUCH_TABLE:
        return "tabela ne postoji";
    case ER_BAD_FIELD_ERROR:
        return "kolona ne postoji";
    case ER_PARSE_ERROR:
        return "naredba nije ispravna";
    case ER_TABLEACCESS_DENIED_ERROR:
    case ER_COLUMNACCESS_DENIED_ERROR:
    case ER_SPECIFIC_ACCESS_DENIED_ERROR:
        return "korisnik nema pravo na tu naredbu";
    case ER_CONNECTION_KILLED:
        return "server je prekinuo vezu";
    case 4031: // ER_CLIENT_INTERACTION_TIMEOUT
        return "server je zatvorio vezu posle dugog mirovanja";
    default:
        return nullptr;
    }
}

} // namespace

QString ServerErrorText(unsigned code, const QString& text) {
    const char* meaning = ErrorMeaning(code);
    const QString said = meaning ? QString::fromUtf8(meaning)
                                 : QStringLiteral("baza podataka je odbila naredbu (greška %1)").arg(code);
    return text.isEmpty() ? said : said + QStringLiteral(" (detalj: ") + text + QLatin1Char(')');
}

int TResultSet::ColumnIndex(const QString& name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

const QVariant& TResultSet::Value(size_t row, const QString& name) const {
    const int column = ColumnIndex(name);
    if (column < 0) throw EDatabaseError(QStringLiteral("Rezultat nema kolonu \"%1\".").arg(name));
    return rows.at(row)[size_t(column)];
}

// ---------------------------------------------------------------- parameters

namespace {

// "host", "host:port", "[v6]" or "[v6]:port"; false when it is none of them.
bool ParseServer(const QString& text, TServerAddress& server) {
    QString host = text, port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) return false;
            port = rest.mid(1);
        }
    } else if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        host = text.left(colon);
        port = text.mid(colon + 1);
    }
    host = QUrl::fromPercentEncoding(host.toUtf8());
    if (host.isEmpty() || host.contains(QLatin1Char(':')) != text.startsWith(QLatin1Char('['))) return false;
    server.host = host;
    server.port = 0;
    if (!port.isEmpty()) {
        bool ok = false;
        server.port = port.toInt(&ok);
        if (!ok || server.port < 1 || server.port > 65535) return false;
    }
    return true;
}

} // namespace

TConnectionParams TConnectionParams::FromUrl(const QString& url) {
    // Parsed by hand: a list of hosts is no URL authority that QUrl accepts. No part
    // but the query holds an unencoded '@', so that a password with an unencoded '/'
    // is never taken for a host and a database.
    static const QRegularExpression form(
        QStringLiteral("^(?:mysql|mariadb)://(?:([^@/?#]*)@)?([^@/?#]*)/([^@/?#]+)(?:\\?([^#]*))?$"));
    const QRegularExpressionMatch m = form.match(url.trimmed());
    auto refused = [&url](const char* why) {
        return EDatabaseError(
            Format(_CMN_DB_URL_ERR, {WithoutPassword(url.trimmed()), QString::fromUtf8(why)}));
    };
    if (!m.hasMatch()) throw refused(_CMN_DB_URL_SHAPE_ERR);
    auto decoded = [](const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); };
    TConnectionParams p;
    const QString userInfo = m.captured(1);
    const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
    p.user = decoded(colon < 0 ? userInfo : userInfo.left(colon));
    if (colon >= 0) p.password = decoded(userInfo.mid(colon + 1));
    p.database = decoded(m.captured(3));
    p.servers.clear();
    if (!m.captured(2).isEmpty())
        for (const QString& item : m.captured(2).split(QLatin1Char(','))) {
            TServerAddress server;
            if (!ParseServer(item, server)) throw refused(_CMN_DB_URL_SERVER_ERR);
            p.servers << server;
        }
    if (p.servers.isEmpty()) p.servers << TServerAddress{QStringLiteral("localhost"), 0};
    const QUrlQuery query(m.captured(4));
    p.socket = query.queryItemValue(QStringLiteral("socket"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("timeout"))) {
        bool ok = false;
        p.timeoutSeconds = query.queryItemValue(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || p.timeoutSeconds < 1 || p.timeoutSeconds > 3600) throw refused(_CMN_DB_URL_TIMEOUT_ERR);
    }
    return p;
}

TConnectionParams TConnectionParams::PrivateServer() {
    QString home = qEnvironmentVariable("HORLO_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.local/share/horlo");
    TConnectionParams p;
    p.socket = home + QStringLiteral("/run/mysqld.sock");
    p.user = QStringLiteral("root");
    p.database = QStringLiteral("horlo");
    return p;
}

TConnectionParams TConnectionParams::FromEnvironment() {
    const QString url = qEnvironmentVariable("HORLO_DB");
    return url.isEmpty() ? PrivateServer() : FromUrl(url);
}

TConnectionParams TConnectionParams::FromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const char* why = !file.exists()                            ? _CMN_DB_FILE_MISSING
                          : file.error() == QFile::PermissionsError ? _CMN_DB_FILE_DENIED
                                                                    : nullptr;
        throw EDatabaseError(
            Format(_CMN_DB_FILE_READ_ERR, {path, why ? QString::fromUtf8(why) : file.errorString()}));
    }
    // more than any URL needs; a wrong path (a device, a log) is not read whole
    constexpr qint64 kLongest = 64 * 1024;
    static const QRegularExpression assignment(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)=(.*)$"));
    QString url;
    for (const QString& raw : QString::fromUtf8(file.read(kLongest)).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QRegularExpressionMatch m = assignment.match(line);
        if (!m.hasMatch()) {
            url = line;
        } else if (m.captured(1) == QLatin1String("HORLO_DB")) {
            // quoted as an environment file may quote it
            url = m.captured(2).trimmed();
            if (url.size() >= 2 && (url.front() == QLatin1Char('"') || url.front() == QLatin1Char('\'')) &&
                url.back() == url.front())
                url = url.mid(1, url.size() - 2);
        }
    }
    if (url.isEmpty()) throw EDatabaseError(Format(_CMN_DB_FILE_UNSET_ERR, {path}));
    try {
        return FromUrl(url);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(path + QStringLiteral(": ") + e.Message());
    }
}

QString TConnectionParams::WithoutPassword(const QString& url) {
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    // Unencoded, a password may hold '@', '/', '?' and '#': all up to the last '@' is
    // taken for the user and the password.
    if (const qsizetype at = url.lastIndexOf(QLatin1Char('@')); at >= start) {
        const qsizetype colon = url.indexOf(QLatin1Char(':'), start);
        return colon < 0 || colon > at ? url : url.left(colon + 1) + QStringLiteral("…") + url.mid(at);
    }
    // Without an '@' a password can only stand where a port does (the '@' forgotten).
    qsizetype end = start;
    while (end < url.size() && !QStringLiteral("/?#").contains(url[end]))
        ++end;
    QStringList servers = url.mid(start, end - start).split(QLatin1Char(','));
    for (QString& server : servers) {
        const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
        if (colon < 0 || server.indexOf(QLatin1Char(']'), colon) >= 0) continue;
        const QString port = server.mid(colon + 1);
        if (std::any_of(port.begin(), port.end(), [](QChar c) { return !c.isDigit(); }))
            server = server.left(colon + 1) + QStringLiteral("…");
    }
    return url.left(start) + servers.join(QLatin1Char(',')) + url.mid(end);
}

QString TConnectionParams::WithoutPasswords(const QString& text) {
    // what a message repeats of its input stands in double quotes
    QStringList parts = text.split(QLatin1Char('"'));
    for (qsizetype i = 1; i < parts.size(); i += 2)
        if (parts[i].contains(QLatin1String("://"))) parts[i] = WithoutPassword(parts[i]);
    return parts.join(QLatin1Char('"'));
}

QString TServerAddress::ToString() const {
    const QString name = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return port ? name + QStringLiteral(":%1").arg(port) : name;
}

QString TConnectionParams::ToUrl() const {
    auto encoded = [](const QString& part) { return QString::fromUtf8(QUrl::toPercentEncoding(part)); };
    QStringList where;
    for (const TServerAddress& server : servers)
        where << server.ToString();
    QString url = QStringLiteral("mysql://") + encoded(user);
    if (!password.isEmpty()) url += QLatin1Char(':') + encoded(password);
    url += QLatin1Char('@') + where.join(QLatin1Char(',')) + QLatin1Char('/') + encoded(database);
    QUrlQuery query;
    if (!socket.isEmpty()) query.addQueryItem(QStringLiteral("socket"), encoded(socket));
    if (timeoutSeconds != TConnectionParams().timeoutSeconds)
        query.addQueryItem(QStringLiteral("timeout"), QString::number(timeoutSeconds));
    return query.isEmpty() ? url : url + QLatin1Char('?') + query.toString(QUrl::FullyEncoded);
}

QString TConnectionParams::ToDisplayString() const {
    QStringList where;
    if (!socket.isEmpty())
        where << socket;
    else
        for (const TServerAddress& server : servers)
            where << server.ToString();
    return QStringLiteral("%1@%2/%3").arg(user, where.join(QLatin1Char(',')), database);
}

// ---------------------------------------------------------------- values

namespace {

std::once_flag g_libraryInit;

TFieldType FieldTypeOf(const MYSQL_FIELD& f) {
    if (f.flags & ENUM_FLAG) return TFieldType::Boolean; // the schema keeps ENUM for 'y'/'n' only
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
        return TFieldType::SmallInt;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
        return TFieldType::Integer;
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_BIT:
        return TFieldType::LargeInt;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
        return TFieldType::Float;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return TFieldType::Date;
    case MYSQL_TYPE_TIME:
        return TFieldType::Time;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return TFieldType::DateTime;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
        return f.charsetnr == 63 ? TFieldType::Bytes : TFieldType::String;
    default:
        return TFieldType::String;
    }
}

int Digits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

QDate ParseDate(const char* p, unsigned long len) {
    if (len < 10) return {};
    return QDate(Digits(p, 4), Digits(p + 5, 2), Digits(p + 8, 2)); // "0000-00-00" gives an invalid date
}

QTime ParseTime(const char* p, unsigned long len) {
    if (len < 8) return {};
    return QTime(Digits(p, 2), Digits(p + 3, 2), Digits(p + 6, 2));
}

QVariant ValueOf(TFieldType type, const char* p, unsigned long len) {
    if (!p) return {};
    switch (type) {
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::LargeInt:
        return QVariant(QByteArray::fromRawData(p, int(len)).toLongLong());
    case TFieldType::Float:
        return QVariant(QByteArray::fromRawData(p, int(len)).toDouble());
    case TFieldType::Boolean:
        return QVariant(len == 1 && (p[0] == 'y' || p[0] == 'Y'));
    case TFieldType::Date: {
        const QDate d = ParseDate(p, len);
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TFieldType::Time: {
        const QTime t = ParseTime(p, len);
        return t.isValid() ? QVariant(t) : QVariant();
    }
    case TFieldType::DateTime: {
        const QDate d = ParseDate(p, len);
        const QTime t = len >= 19 ? ParseTime(p + 11, len - 11) : QTime(0, 0);
        if (!d.isValid() || !t.isValid()) return {};
        return QVariant(QDateTime(d, t, Qt::UTC));
    }
    case TFieldType::Bytes:
        return QVariant(QByteArray(p, int(len)));
    default:
        return QVariant(QString::fromUtf8(p, int(len)));
    }
}

bool IsLostConnection(unsigned code, const QString& server) {
    // A cluster node that left the primary component refuses the session's work
    // (1047), or its writes (1180 naming the component); another node takes it.
    return code == CR_SERVER_GONE_ERROR || code == CR_SERVER_LOST || code == CR_SERVER_LOST_EXTENDED ||
           code == CR_CONNECTION_ERROR || code == CR_CONN_HOST_ERROR || code == ER_UNKNOWN_COM_ERROR ||
           code == ER_CONNECTION_KILLED || code == 4031 ||
           (code == ER_ERROR_DURING_COMMIT && server.contains(QLatin1String("Primary Component")));
}

// A sentence of a phrase: its first letter upper case.
QString Sentence(const QString& phrase) {
    return phrase.isEmpty() ? phrase : phrase.front().toUpper() + phrase.mid(1);
}

// information_schema.COLUMNS.COLUMN_DEFAULT: quoted literals, bare numbers,
// NULL, or an expression (which the client cannot evaluate and leaves out).
bool ParseDefault(const QVariant& raw, QVariant& value) {
    if (raw.isNull()) return false;
    const QString text = raw.toString();
    if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) return false;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\''))) {
        value = text.mid(1, text.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
        return true;
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok) return false;
    value = text.contains(QLatin1Char('.')) || text.contains(QLatin1Char('e'), Qt::CaseInsensitive)
                ? QVariant(number)
                : QVariant(text.toLongLong());
    return true;
}

} // namespace

// ---------------------------------------------------------------- connection

TZConnection::TZConnection(TConnectionParams params) : m_params(std::move(params)) {}

TZConnection::~TZConnection() {
    Disconnect();
}

void TZConnection::SetParams(TConnectionParams params) {
    std::lock_guard lock(m_mutex);
    m_params = std::move(params);
}

st_mysql* TZConnection::ConnectTo(const TServerAddress& server, QString& error) {
    MYSQL* m = mysql_init(nullptr);
    if (!m) throw EDatabaseError(_CMN_DB_CONNECT_ERR);
    mysql_options(m, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // A server that stops answering ends the run instead of holding it for ever.
    const unsigned timeout = unsigned(std::max(1, m_params.timeoutSeconds));
    const unsigned connectTimeout = std::min(10u, timeout);
    mysql_options(m, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(m, MYSQL_OPT_READ_TIMEOUT, &timeout);
    mysql_options(m, MYSQL_OPT_WRITE_TIMEOUT, &timeout);
    const QByteArray host = server.host.toUtf8(), user = m_params.user.toUtf8(),
                     password = m_params.password.toUtf8(), database = m_params.database.toUtf8(),
                     socket = m_params.socket.toUtf8();
    auto failed = [&](const QString& why) {
        error = why;
        mysql_close(m);
        return nullptr;
    };
    auto failedHere = [&] {
        return failed(ServerErrorText(mysql_errno(m), QString::fromUtf8(mysql_error(m))));
    };
    if (!mysql_real_connect(m, host.constData(), user.constData(), password.constData(), database.constData(),
                            unsigned(server.port), socket.isEmpty() ? nullptr : socket.constData(),
                            CLIENT_FOUND_ROWS | CLIENT_MULTI_RESULTS)) {
        m_connectErrorCode = mysql_errno(m);
        return failedHere();
    }
    // A cluster node that is not Synced with the others (joining, a donor, desynced
    // for a backup) may answer from the past or stall; the next server is tried instead.
    auto status = [&](const char* statement, QHash<QByteArray, QByteArray>& values) {
        if (mysql_real_query(m, statement, qstrlen(statement)) != 0) return false;
        values.clear();
        if (MYSQL_RES* res = mysql_store_result(m)) {
            while (const MYSQL_ROW row = mysql_fetch_row(res))
                if (row[0] && row[1]) values.insert(QByteArray(row[0]).toLower(), row[1]);
            mysql_free_result(res);
        }
        return true;
    };
    QHash<QByteArray, QByteArray> wsrep;
    if (!status("SHOW VARIABLES LIKE 'wsrep_on'", wsrep)) return failedHere();
    const bool cluster = wsrep.value("wsrep_on") == "ON";
    if (cluster) {
        if (!status("SHOW STATUS WHERE Variable_name IN ('wsrep_ready', 'wsrep_local_state', "
                    "'wsrep_local_state_comment')",
                    wsrep))
            return failedHere();
        constexpr char kSynced[] = "4";
        if (wsrep.value("wsrep_ready") != "ON" || wsrep.value("wsrep_local_state") != kSynced)
            return failed(Format(_CMN_DB_NOT_SYNCED_FMT,
                                 {QString::fromUtf8(wsrep.value("wsrep_local_state_comment", "?")),
                                  QString::fromUtf8(wsrep.value("wsrep_ready", "?"))}));
    }
    // Lock waits end before the client's own wait does, so that they come back
    // as conflicts to retry rather than as a lost connection. On a cluster, reads,
    // updates and deletes wait until this node has applied what the others
    // committed before them, so that nothing is decided on an old state.
    QByteArray session =
        QStringLiteral("SET SESSION innodb_lock_wait_timeout = %1").arg(std::max(1u, timeout / 3)).toUtf8();
    if (cluster) session += ", wsrep_sync_wait = 3";
    if (mysql_real_query(m, session.constData(), session.size()) != 0) return failedHere();
    return m;
}

void TZConnection::Connect() {
    ConnectFrom(-1);
}

// The servers in order, the one whose session was lost (lost >= 0) last: it is
// most likely the one that is gone.
void TZConnection::ConnectFrom(int lost) {
    std::call_once(g_libraryInit, [] { mysql_library_init(0, nullptr, nullptr); });
    std::lock_guard lock(m_mutex);
    if (m_mysql) {
        mysql_close(m_mysql);
        m_mysql = nullptr;
    }
    QList<int> order;
    for (int i = 0; i < m_params.servers.size(); ++i)
        if (i != lost) order << i;
    if (lost >= 0 && lost < m_params.servers.size()) order << lost;
    QStringList errors;
    m_connectErrorCode = 0;
    for (int i : order) {
        const TServerAddress& server = m_params.servers[i];
        QString error;
        if (MYSQL* m = ConnectTo(server, error)) {
            m_mysql = m;
            m_server = i;
            m_lost = false;
            m_lastUse = std::chrono::steady_clock::now();
            m_defaults.clear();
            m_streamTimeoutSet = false;
            return;
        }
        errors << (m_params.servers.size() > 1 ? server.ToString() + QStringLiteral(": ") + error : error);
    }
    throw EDatabaseError(
        Format(_CMN_DB_CONNECT_FMT, {m_params.ToDisplayString(), errors.join(QStringLiteral("; "))}),
        m_connectErrorCode, EDatabaseError::TKind::NotConnected);
}

void TZConnection::Disconnect() {
    std::lock_guard lock(m_mutex);
    if (m_mysql) mysql_close(m_mysql);
    m_mysql = nullptr;
    m_lost = false;
    m_server = -1;
}

bool TZConnection::Connected() const {
    std::lock_guard lock(m_mutex);
    return m_mysql && !m_lost;
}

void TZConnection::EnsureOpen() {
    // a statement between the rows of a streamed result would break the protocol
    // (a window repainting while a long read shows its progress): refused instead
    if (m_streaming) throw EDatabaseError(_CMN_DB_STREAMING_ERR);
    // A connection lost between statements is opened again (on the first server
    // that answers), but never inside a transaction: what the transaction wrote
    // is gone with the old session. A failed attempt leaves it lost, so the next
    // statement tries again.
    if (m_lost) {
        if (m_transactionDepth > 0)
            throw EDatabaseError(_CMN_DB_LOST_ERR, CR_SERVER_LOST, EDatabaseError::TKind::SessionLost);
        ConnectFrom(m_server);
    }
    if (!m_mysql) throw EDatabaseError(_CMN_DB_NOT_CONNECTED_ERR);
    // A session that sat idle (a download of some minutes, a desk left alone) may
    // have died with its server meanwhile: found out now, while nothing is lost
    // with it, and replaced by one on the next server.
    if (m_transactionDepth == 0 && std::chrono::steady_clock::now() - m_lastUse >= IdleCheck) {
        if (mysql_ping(m_mysql) != 0) {
            mysql_close(m_mysql);
            m_mysql = nullptr;
            m_lost = true;
            ConnectFrom(m_server);
        }
        m_lastUse = std::chrono::steady_clock::now();
    }
}

void TZConnection::Fail() {
    Fail(mysql_errno(m_mysql), QString::fromUtf8(mysql_error(m_mysql)));
}

void TZConnection::Fail(unsigned code, const QString& server) {
    if (IsLostConnection(code, server)) {
        // the session is gone; the next statement outside a transaction connects again
        m_lost = true;
        if (m_mysql) mysql_close(m_mysql);
        m_mysql = nullptr;
        throw EDatabaseError(QString::fromUtf8(_CMN_DB_LOST_ERR) + QLatin1Char(' ') +
                                 Sentence(ServerErrorText(code, server)) + QLatin1Char('.'),
                             code, EDatabaseError::TKind::SessionLost);
    }
    if (code == ER_LOCK_DEADLOCK || code == ER_LOCK_WAIT_TIMEOUT)
        throw EDatabaseError(_CMN_DB_CONFLICT_ERR + QStringLiteral(" (detalj: ") + server + QLatin1Char(')'),
                             code);
    if (code == ER_DUP_ENTRY) {
        // "Duplicate entry '…' for key 'name'" (MySQL 8 names it 'table.name')
        static const QRegularExpression keyName(QStringLiteral("for key '(?:[^'.]*\\.)?([^'.]*)'$"));
        const QString key = keyName.match(server).captured(1);
        throw EDatabaseError(Format(_CMN_DB_DUPLICATE_FMT, {key}), code, EDatabaseError::TKind::Statement,
                             key);
    }
    // a text of Horlo's own, raised by a trigger, is said as it is
    if (code == ER_SIGNAL_EXCEPTION) throw EDatabaseError(server, code);
    throw EDatabaseError(Sentence(ServerErrorText(code, server)) + QLatin1Char('.'), code);
}

void TZConnection::Query(const QString& sql) {
    EnsureOpen();
    const QByteArray text = sql.toUtf8();
    if (mysql_real_query(m_mysql, text.constData(), text.size()) != 0) Fail();
    m_lastUse = std::chrono::steady_clock::now();
}

// A statement that changes nothing (a read, the start of a transaction) whose
// session died under it outside a transaction runs once more on a new session.
void TZConnection::QueryAgainIfLost(const QString& sql) {
    try {
        Query(sql);
    } catch (const EDatabaseError& e) {
        if (e.Kind() != EDatabaseError::TKind::SessionLost || m_transactionDepth > 0) throw;
        Query(sql);
    }
}

namespace {

std::vector<TColumnInfo> ColumnsOf(MYSQL_RES* res) {
    const unsigned count = mysql_num_fields(res);
    const MYSQL_FIELD* fields = mysql_fetch_fields(res);
    std::vector<TColumnInfo> columns(count);
    for (unsigned i = 0; i < count; ++i) {
        const MYSQL_FIELD& f = fields[i];
        TColumnInfo& c = columns[i];
        c.name = QString::fromUtf8(f.name, int(f.name_length));
        c.orgName = QString::fromUtf8(f.org_name, int(f.org_name_length));
        c.orgTable = QString::fromUtf8(f.org_table, int(f.org_table_length));
        c.table = QString::fromUtf8(f.table, int(f.table_length));
        c.fieldType = FieldTypeOf(f);
        unsigned charLen = 1;
        if (c.fieldType == TFieldType::String)
            if (const MARIADB_CHARSET_INFO* cs = mariadb_get_charset_by_nr(f.charsetnr))
                charLen = cs->char_maxlen ? cs->char_maxlen : 1;
        c.size = int(f.length / charLen);
        c.notNull = f.flags & NOT_NULL_FLAG;
        c.autoIncrement = f.flags & AUTO_INCREMENT_FLAG;
        c.primaryKey = f.flags & PRI_KEY_FLAG;
    }
    return columns;
}

void ReadRow(MYSQL_RES* res, MYSQL_ROW row, const std::vector<TColumnInfo>& columns,
             std::vector<QVariant>& values) {
    const unsigned long* lengths = mysql_fetch_lengths(res);
    values.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        values[i] = ValueOf(columns[i].fieldType, row[i], lengths[i]);
}

} // namespace

TResultSet TZConnection::Select(const QString& sql) {
    std::lock_guard lock(m_mutex);
    QueryAgainIfLost(sql);
    TResultSet result;
    MYSQL_RES* res = mysql_store_result(m_mysql);
    if (!res) {
        if (mysql_field_count(m_mysql) != 0) Fail();
        return result;
    }
    result.columns = ColumnsOf(res);
    result.rows.reserve(mysql_num_rows(res));
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        std::vector<QVariant> values;
        ReadRow(res, row, result.columns, values);
        result.rows.push_back(std::move(values));
    }
    mysql_free_result(res);
    return result;
}

void TZConnection::SelectEach(const QString& sql, const TColumnsTaker& columns, const TRowTaker& take) {
    std::lock_guard lock(m_mutex);
    EnsureOpen();
    if (!m_streamTimeoutSet) {
        // the server gives up on a reader that stops taking rows (a paused pager)
        // after this long, instead of the default minute
        Query(QStringLiteral("SET SESSION net_write_timeout = 600"));
        m_streamTimeoutSet = true;
    }
    QueryAgainIfLost(sql);
    MYSQL_RES* res = mysql_use_result(m_mysql);
    if (!res) {
        if (mysql_field_count(m_mysql) != 0) Fail();
        return;
    }
    // the rest of a result stopped early is read and dropped when it is freed
    const std::unique_ptr<MYSQL_RES, decltype(&mysql_free_result)> guard(res, &mysql_free_result);
    m_streaming = true;
    const auto endStream = qScopeGuard([this] { m_streaming = false; });
    const std::vector<TColumnInfo> info = ColumnsOf(res);
    if (columns) columns(info);
    std::vector<QVariant> values;
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        ReadRow(res, row, info, values);
        if (!take(values)) return;
    }
    if (mysql_errno(m_mysql) != 0) Fail(); // the connection broke off mid-result
}

quint64 TZConnection::Execute(const QString& sql, qint64* insertId) {
    std::lock_guard lock(m_mutex);
    Query(sql);
    if (MYSQL_RES* res = mysql_store_result(m_mysql)) mysql_free_result(res);
    const my_ulonglong affected = mysql_affected_rows(m_mysql);
    const qint64 id = qint64(mysql_insert_id(m_mysql));
    m_lastInsertIds[std::this_thread::get_id()] = id;
    if (insertId) *insertId = id;
    return affected == my_ulonglong(-1) ? 0 : affected;
}

qint64 TZConnection::LastInsertId() const {
    std::lock_guard lock(m_mutex);
    const auto it = m_lastInsertIds.find(std::this_thread::get_id());
    return it == m_lastInsertIds.end() ? 0 : it->second;
}

void TZConnection::ExecuteScript(const QString& script) {
    std::lock_guard lock(m_mutex);
    EnsureOpen();
    mysql_set_server_option(m_mysql, MYSQL_OPTION_MULTI_STATEMENTS_ON);
    const QByteArray text = script.toUtf8();
    int status = mysql_real_query(m_mysql, text.constData(), text.size());
    while (status == 0) {
        if (MYSQL_RES* res = mysql_store_result(m_mysql)) mysql_free_result(res);
        status = mysql_next_result(m_mysql); // 0: another result, -1: done, >0: error
    }
    if (status > 0) {
        const unsigned code = mysql_errno(m_mysql);
        const QString server = QString::fromUtf8(mysql_error(m_mysql));
        if (!IsLostConnection(code, server))
            mysql_set_server_option(m_mysql, MYSQL_OPTION_MULTI_STATEMENTS_OFF);
        Fail(code, server);
    }
    mysql_set_server_option(m_mysql, MYSQL_OPTION_MULTI_STATEMENTS_OFF);
}

QString TZConnection::Escape(const QString& text) const {
    std::lock_guard lock(m_mutex);
    const QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 1, Qt::Uninitialized);
    unsigned long n;
    if (m_mysql)
        n = mysql_real_escape_string(m_mysql, out.data(), in.constData(), in.size());
    else
        n = mysql_escape_string(out.data(), in.constData(), in.size()); // utf8 is safe without a session
    out.resize(int(n));
    return QString::fromUtf8(out);
}

QString TZConnection::Quote(const QString& text) const {
    return QLatin1Char('\'') + Escape(text) + QLatin1Char('\'');
}

QString TZConnection::Literal(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("'y'") : QStringLiteral("'n'");
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return QLatin1Char('\'') + SqlDate(value.toDate()) + QLatin1Char('\'');
    case QMetaType::QDateTime:
        return QLatin1Char('\'') + SqlDateTime(value.toDateTime()) + QLatin1Char('\'');
    case QMetaType::QTime:
        return QLatin1Char('\'') + value.toTime().toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('\'');
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex()) + QLatin1Char('\'');
    default:
        return Quote(value.toString());
    }
}

TTableDefaults TZConnection::Defaults(const QString& table) {
    std::lock_guard lock(m_mutex);
    const QString key = table.toLower();
    auto it = m_defaults.find(key);
    if (it != m_defaults.end()) return *it;
    const TResultSet rs =
        Select(QStringLiteral("SELECT COLUMN_NAME, COLUMN_DEFAULT FROM information_schema.COLUMNS "
                              "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = %1")
                   .arg(Quote(table)));
    TTableDefaults defaults;
    for (const auto& row : rs.rows) {
        QVariant value;
        if (ParseDefault(row[1], value)) defaults.values.insert(row[0].toString().toLower(), value);
    }
    m_defaults.insert(key, defaults);
    return defaults;
}

// ---------------------------------------------------------------- transaction

TTransaction::TTransaction(TZConnection& connection) : m_connection(connection), m_lock(connection.m_mutex) {
    m_outermost = m_connection.m_transactionDepth == 0;
    if (m_outermost) {
        m_connection.m_rollbackOnly = false;
        m_connection.QueryAgainIfLost(QStringLiteral("START TRANSACTION"));
    }
    ++m_connection.m_transactionDepth;
}

// The transaction stays counted until the server has answered its end, so that
// a lost session is never replaced under a COMMIT or ROLLBACK.
TTransaction::~TTransaction() {
    if (m_done) return;
    if (!m_outermost) {
        --m_connection.m_transactionDepth;
        m_connection.m_rollbackOnly = true; // the outer guard must not commit half of the work
        return;
    }
    if (!m_connection.m_lost) { // a lost session rolled back on the server with it
        try {
            m_connection.Query(QStringLiteral("ROLLBACK"));
        } catch (const EDatabaseError&) {
            // a session lost now has rolled back on the server already
        }
    }
    --m_connection.m_transactionDepth;
}

void TTransaction::Commit() {
    if (m_done) return;
    m_done = true;
    if (!m_outermost) {
        --m_connection.m_transactionDepth;
        return;
    }
    const bool lostBefore = m_connection.m_lost; // rolled back on the server with the session
    try {
        if (lostBefore)
            throw EDatabaseError(_CMN_DB_LOST_ERR, CR_SERVER_LOST, EDatabaseError::TKind::SessionLost);
        if (m_connection.m_rollbackOnly) {
            m_connection.Query(QStringLiteral("ROLLBACK"));
            throw EDatabaseError(_CMN_DB_ROLLED_BACK_ERR);
        }
        m_connection.Query(QStringLiteral("COMMIT"));
    } catch (const EDatabaseError& e) {
        --m_connection.m_transactionDepth;
        // the server may have committed before the answer was lost
        if (lostBefore || m_connection.m_rollbackOnly || e.Kind() != EDatabaseError::TKind::SessionLost)
            throw;
        throw EDatabaseError(QString::fromUtf8(_CMN_DB_LOST_AT_COMMIT_ERR) +
                                 e.Message().mid(QString::fromUtf8(_CMN_DB_LOST_ERR).size()),
                             e.ErrorCode(), EDatabaseError::TKind::CommitUncertain);
    }
    --m_connection.m_transactionDepth;
    m_lock.unlock();
}

// ---------------------------------------------------------------- batches

TBatchInsert::TBatchInsert(TZConnection& connection, QString head, int batchSize)
    : m_connection(connection), m_head(std::move(head)), m_batchSize(std::max(1, batchSize)) {}

void TBatchInsert::Add(const QString& row) {
    m_rows << row;
    if (m_rows.size() >= m_batchSize) Flush();
}

void TBatchInsert::Flush() {
    if (m_rows.isEmpty()) return;
    qint64 first = 0;
    m_connection.Execute(m_head + m_rows.join(QLatin1Char(',')), &first);
    if (m_firstInsertId == 0) m_firstInsertId = first;
    m_rows.clear();
}

void DatabaseDetail::RunAttempts(TZConnection& connection, const TRetryPolicy& policy,
                                 const std::function<void(const TAttempt&)>& attempt) {
    using Clock = std::chrono::steady_clock;
    // Only the thread that holds the connection can be inside a transaction:
    // another thread's is waited for, and then over.
    std::unique_lock hold(connection.Mutex());
    const bool nested = connection.TransactionDepth() > 0;
    hold.unlock();
    if (nested) { // joins the outer transaction, which reruns as a whole
        TTransaction transaction(connection);
        attempt(TAttempt{});
        transaction.Commit();
        return;
    }
    const Clock::time_point start = Clock::now();
    std::optional<Clock::time_point> lostSince;
    QString lostFirst; // what became of the work when its session was lost
    TAttempt next;
    int conflicts = 0, reconnects = 0;
    for (;;) {
        try {
            TTransaction transaction(connection);
            attempt(next);
            transaction.Commit();
            return;
        } catch (const EDatabaseError& e) {
            using TKind = EDatabaseError::TKind;
            const bool uncertain = e.Kind() == TKind::CommitUncertain;
            std::chrono::milliseconds pause{0};
            if (e.IsConflict() && !uncertain) {
                ++conflicts;
                const bool more = policy.deadline.count() > 0 ? Clock::now() - start < policy.deadline
                                                              : conflicts < kTransactionAttempts;
                if (!more) throw EDatabaseError(Format(_CMN_DB_BUSY_FMT, {conflicts}), e.ErrorCode());
                // a short random pause that grows, so that two sessions that met once
                // are unlikely to meet again
                const int ms = 20 * std::min(conflicts + 1, 25) +
                               int(QRandomGenerator::global()->bounded(30 * std::min(conflicts + 1, 25)));
                pause = std::chrono::milliseconds(ms);
            } else if ((e.Kind() == TKind::SessionLost || e.Kind() == TKind::NotConnected || uncertain) &&
                       (!uncertain || policy.rerunAfterUncertainCommit)) {
                // The server undid the work with the session (or, after an uncertain
                // COMMIT, the work finds out what was saved): a new session, on the
                // next server, runs it again. While a cluster is changing its view no
                // node may take it: that is waited out, up to a limit.
                if (!lostSince) {
                    lostSince = Clock::now();
                    lostFirst = e.Message();
                }
                const auto window = std::max<std::chrono::milliseconds>(policy.deadline, kReconnectWindow);
                if (Clock::now() - *lostSince >= window || ++reconnects > 60) {
                    if (e.Kind() != TKind::NotConnected) throw;
                    throw EDatabaseError(lostFirst + QLatin1Char(' ') + e.Message(), e.ErrorCode(), e.Kind());
                }
                // the first rerun at once (the next server is likely up); then waiting
                if (e.Kind() == TKind::NotConnected)
                    pause = std::chrono::milliseconds(250 * std::min(reconnects, 4));
            } else {
                throw;
            }
            next.number += 1;
            next.afterUncertainCommit = uncertain;
            if (pause.count() > 0) std::this_thread::sleep_for(pause);
        }
    }
}

QString SqlDateTime(const QDateTime& value) {
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString SqlDate(const QDate& value) {
    return value.toString(QStringLiteral("yyyy-MM-dd"));
}

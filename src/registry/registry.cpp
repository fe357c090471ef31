#include "registry.h"
#include "postgres_uri.h"
#include "registry_rows.h"

#include <QAtomicInteger>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QSysInfo>
#include <QThread>
#include <QVariant>

#include <cerrno>
#include <csignal>
#include <sys/types.h>

namespace qrt58 {
using registry_rows::now_text;
namespace {

QAtomicInteger<quint64> g_connections = 0;

bool process_alive(qint64 pid) {
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

QString local_host() { return QSysInfo::machineHostName(); }

// SQL for the database's clock as ISO 8601 UTC text, in the format of
// now_text(): heartbeats are written and judged by one clock, whatever the
// stations' own clocks say. database_now_minus() takes a bound number of
// seconds to go back.
QString database_now(bool postgres) {
    return postgres ? QStringLiteral("to_char(clock_timestamp() AT TIME ZONE 'UTC', "
                                     "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')")
                    : QStringLiteral("strftime('%Y-%m-%dT%H:%M:%fZ', 'now')");
}
QString database_now_minus(bool postgres) {
    return postgres ? QStringLiteral("to_char((clock_timestamp() - CAST(? AS integer) * interval '1 second') AT "
                                     "TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')")
                    : QStringLiteral("strftime('%Y-%m-%dT%H:%M:%fZ', 'now', '-' || CAST(? AS integer) || ' seconds')");
}

// Whether the station run of a receiver left "programming" is gone: ended, a
// process on this host that no longer exists, or (another host, where the
// process cannot be asked) no heartbeat within the limit. A process known to
// be alive here is never taken for dead, however long it has been paused.
bool station_gone(const QString& host, qint64 pid, bool ended, bool stale) {
    if (ended) return true;
    if (host == local_host()) return !process_alive(pid);
    return stale;
}

// One step of the schema, per dialect.
struct Migration {
    int version;
    QStringList sqlite;
    QStringList postgres;
};

const std::vector<Migration>& migrations() {
    static const std::vector<Migration> list = {
        {1,
         {
             "CREATE TABLE jobs (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
             "base_sha256 TEXT NOT NULL, base_image BLOB NOT NULL, plan_sha256 TEXT NOT NULL, "
             "receivers INTEGER NOT NULL, created_at TEXT NOT NULL)",
             "CREATE TABLE job_items (job_id INTEGER NOT NULL REFERENCES jobs(id), item INTEGER "
             "NOT NULL, line INTEGER NOT NULL, settings TEXT NOT NULL, capcodes TEXT NOT NULL, "
             "receiver_id INTEGER, PRIMARY KEY (job_id, item))",
             "CREATE TABLE reservations (capcode INTEGER PRIMARY KEY, job_id INTEGER NOT NULL "
             "REFERENCES jobs(id), item INTEGER NOT NULL)",
             "CREATE TABLE sessions (id INTEGER PRIMARY KEY, station TEXT NOT NULL, host TEXT NOT "
             "NULL, pid INTEGER NOT NULL, started_at TEXT NOT NULL, heartbeat_at TEXT NOT NULL, "
             "ended_at TEXT)",
             "CREATE TABLE receivers (id INTEGER PRIMARY KEY, job_id INTEGER REFERENCES jobs(id), "
             "item INTEGER, session_id INTEGER REFERENCES sessions(id), station TEXT NOT NULL, "
             "board TEXT NOT NULL, started_at TEXT NOT NULL, finished_at TEXT, capcodes TEXT NOT "
             "NULL DEFAULT '', image_sha256 TEXT NOT NULL DEFAULT '', result TEXT NOT NULL, "
             "released_at TEXT)",
             "CREATE TABLE issued (capcode INTEGER PRIMARY KEY, receiver_id INTEGER NOT NULL "
             "REFERENCES receivers(id), job_id INTEGER NOT NULL, item INTEGER NOT NULL)",
         },
         {
             "CREATE TABLE jobs (id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
             "base_sha256 TEXT NOT NULL, base_image BYTEA NOT NULL, plan_sha256 TEXT NOT NULL, "
             "receivers INTEGER NOT NULL, created_at TEXT NOT NULL)",
             "CREATE TABLE job_items (job_id BIGINT NOT NULL REFERENCES jobs(id), item INTEGER "
             "NOT NULL, line INTEGER NOT NULL, settings TEXT NOT NULL, capcodes TEXT NOT NULL, "
             "receiver_id BIGINT, PRIMARY KEY (job_id, item))",
             "CREATE TABLE reservations (capcode BIGINT PRIMARY KEY, job_id BIGINT NOT NULL "
             "REFERENCES jobs(id), item INTEGER NOT NULL)",
             "CREATE TABLE sessions (id BIGSERIAL PRIMARY KEY, station TEXT NOT NULL, host TEXT "
             "NOT NULL, pid BIGINT NOT NULL, started_at TEXT NOT NULL, heartbeat_at TEXT NOT "
             "NULL, ended_at TEXT)",
             "CREATE TABLE receivers (id BIGSERIAL PRIMARY KEY, job_id BIGINT REFERENCES jobs(id), "
             "item INTEGER, session_id BIGINT REFERENCES sessions(id), station TEXT NOT NULL, "
             "board TEXT NOT NULL, started_at TEXT NOT NULL, finished_at TEXT, capcodes TEXT NOT "
             "NULL DEFAULT '', image_sha256 TEXT NOT NULL DEFAULT '', result TEXT NOT NULL, "
             "released_at TEXT)",
             "CREATE TABLE issued (capcode BIGINT PRIMARY KEY, receiver_id BIGINT NOT NULL "
             "REFERENCES receivers(id), job_id BIGINT NOT NULL, item INTEGER NOT NULL)",
         }},
        // The look-ups a station makes for every receiver.
        {2,
         {
             "CREATE INDEX issued_item ON issued (job_id, item)",
             "CREATE INDEX receivers_result ON receivers (result)",
             "CREATE INDEX receivers_job ON receivers (job_id, item)",
             "CREATE INDEX job_items_free ON job_items (job_id, receiver_id, item)",
         },
         {
             "CREATE INDEX issued_item ON issued (job_id, item)",
             "CREATE INDEX receivers_result ON receivers (result)",
             "CREATE INDEX receivers_job ON receivers (job_id, item)",
             "CREATE INDEX job_items_free ON job_items (job_id, receiver_id, item)",
         }},
    };
    return list;
}

// The tables the migrations make (besides schema_version).
const QStringList& registry_tables() {
    static const QStringList names{QStringLiteral("jobs"),         QStringLiteral("job_items"),
                                   QStringLiteral("reservations"), QStringLiteral("sessions"),
                                   QStringLiteral("receivers"),    QStringLiteral("issued")};
    return names;
}

bool is_unique_violation(const QSqlError& e) {
    const QString code = e.nativeErrorCode();
    // PostgreSQL's unique_violation; SQLite's constraint codes (plain and extended).
    return code == QLatin1String("23505") || code == QLatin1String("19") || code == QLatin1String("2067") ||
           code == QLatin1String("1555") || e.databaseText().contains(QLatin1String("UNIQUE constraint failed"));
}

} // namespace

const char* receiver_result_text(ReceiverResult result) {
    switch (result) {
    case ReceiverResult::Programming: return "programming";
    case ReceiverResult::Ok: return "ok";
    case ReceiverResult::WriteError: return "write error";
    case ReceiverResult::VerifyError: return "verify error";
    case ReceiverResult::Stopped: return "stopped";
    case ReceiverResult::Died: return "died";
    }
    return "?";
}

QString capcode_list_text(const std::vector<qint64>& capcodes) {
    QString text = QStringLiteral(""); // never null: the columns are NOT NULL
    for (const qint64 c : capcodes) text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + QString::number(c);
    return text;
}

QString capcode_ranges_text(const std::vector<qint64>& capcodes, std::size_t most) {
    QStringList parts;
    for (std::size_t i = 0; i < capcodes.size();) {
        std::size_t end = i;
        while (end + 1 < capcodes.size() && capcodes[end + 1] == capcodes[end] + 1) ++end;
        if (static_cast<std::size_t>(parts.size()) == most) {
            parts << QStringLiteral("...");
            break;
        }
        parts << (end == i ? QString::number(capcodes[i])
                           : QStringLiteral("%1-%2").arg(capcodes[i]).arg(capcodes[end]));
        i = end + 1;
    }
    return parts.join(QStringLiteral(", "));
}

std::vector<qint64> capcode_list(const QString& text) {
    std::vector<qint64> list;
    for (const QString& part : text.split(' ', Qt::SkipEmptyParts)) list.push_back(part.toLongLong());
    return list;
}

Registry::Registry(RegistryLocation where) : where_(std::move(where)) {
    connection_ = QStringLiteral("qrt58-registry-%1").arg(++g_connections);
}

Registry::~Registry() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<Registry> Registry::open(const RegistryLocation& where, QString* error, const QString& application) {
    std::unique_ptr<Registry> r(new Registry(where));
    r->application_ = application;
    if (!r->connect_db() || !r->migrate()) {
        if (error) *error = r->error_;
        return nullptr;
    }
    return r;
}

bool Registry::connect_db() {
    if (postgres()) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            error_ = QStringLiteral("the PostgreSQL driver of Qt is not installed (Debian: libqt6sql6-psql)");
            return false;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection_);
        if (!where_.host.isEmpty()) db.setHostName(where_.host);
        if (where_.port >= 0) db.setPort(where_.port);
        if (!where_.user.isEmpty()) db.setUserName(where_.user);
        if (!where_.password.isEmpty()) db.setPassword(where_.password);
        if (!where_.database.isEmpty()) db.setDatabaseName(where_.database);
        QString name = application_;
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.:-]")), QStringLiteral("_"));
        // The server keeps 63 bytes of it (and says so in a notice when given more).
        name.truncate(63);
        db.setConnectOptions(postgres_connect_options(
            {where_.host, where_.port, where_.user, QString(), where_.database, where_.parameters},
            {{QStringLiteral("connect_timeout"), QStringLiteral("10")}, {QStringLiteral("application_name"), name}}));
        if (!db.open()) return fail(QStringLiteral("cannot open the registry %1").arg(where_.text()), db.lastError());
        return quiet_notices();
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        error_ = QStringLiteral("the SQLite driver of Qt is not installed (Debian: libqt6sql6-sqlite)");
        return false;
    }
    const QFileInfo info(where_.path);
    if (info.exists() && !info.isFile()) {
        error_ = QStringLiteral("the registry %1 is not a regular file").arg(where_.path);
        return false;
    }
    QDir().mkpath(info.absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(where_.path);
    // Writers wait for each other instead of failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
    if (!db.open()) return fail(QStringLiteral("cannot open the registry %1").arg(where_.path), db.lastError());
    if (!only_registry_tables()) return false;
    QSqlQuery q(db);
    // Readers never block the writer; every commit is on the disk before it counts.
    for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON"})
        if (!q.exec(QString::fromLatin1(pragma)))
            return fail_query(QStringLiteral("cannot set up the registry %1").arg(where_.path), q);
    return true;
}

bool Registry::quiet_notices() {
    // The server's notices ("relation ... already exists, skipping" of the
    // schema check) are for a database administrator, not the operator.
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SET client_min_messages TO warning")))
        return fail_query(QStringLiteral("cannot set up the registry %1").arg(where_.text()), q);
    return true;
}

bool Registry::only_registry_tables() {
    // Another program's database is not ours to change: it is refused before
    // anything (its journal mode included) is written to it.
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view', 'trigger')")))
        return fail_query(QStringLiteral("cannot read the registry %1").arg(where_.path), q);
    QStringList foreign;
    bool any = false, versioned = false;
    while (q.next()) {
        const QString name = q.value(0).toString();
        any = true;
        if (name == QLatin1String("schema_version")) versioned = true;
        else if (!registry_tables().contains(name) && !name.startsWith(QLatin1String("sqlite_"))) foreign << name;
    }
    if (!read_to_end(QStringLiteral("cannot read the registry %1").arg(where_.path), q)) return false;
    q.finish();
    if (foreign.isEmpty() && (versioned || !any)) return true;
    if (foreign.size() > 5) foreign = foreign.mid(0, 5) << QStringLiteral("...");
    error_ = QStringLiteral("%1 is not a production registry (it holds %2); nothing was changed in it. Give the "
                            "registry a file of its own (--registry FILE)")
                 .arg(where_.path, foreign.isEmpty()
                                       ? QStringLiteral("registry tables without a schema version")
                                       : QStringLiteral("the tables %1").arg(foreign.join(QStringLiteral(", "))));
    return false;
}

bool Registry::fail(const QString& what, const QSqlError& e) {
    last_unique_violation_ = is_unique_violation(e);
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.driverText().trimmed();
    error_ = what + QStringLiteral(": ") + text;
    return false;
}

bool Registry::fail_query(const QString& what, const QSqlQuery& q) { return fail(what, q.lastError()); }

bool Registry::read_to_end(const QString& what, const QSqlQuery& q) {
    // next() is false at the end and on a failed read (a damaged page, a
    // dropped connection): only the error tells them apart.
    if (q.lastError().type() == QSqlError::NoError) return true;
    return fail_query(what, q);
}

bool Registry::abandon(const QString& what, QSqlQuery& q) {
    fail_query(what, q);
    q.finish();
    rollback();
    return false;
}

bool Registry::begin() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // SQLite: take the write lock at once, so that two writers never both
    // read and then collide; PostgreSQL relies on row locks and the keys.
    if (!q.exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail_query(QStringLiteral("cannot begin a transaction"), q);
    return true;
}

bool Registry::commit() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("COMMIT"))) {
        fail_query(QStringLiteral("cannot commit"), q);
        rollback();
        return false;
    }
    return true;
}

void Registry::rollback() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.exec(QStringLiteral("ROLLBACK"));
}

bool Registry::migrate() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!begin()) return false;
    QSqlQuery q(db);
    // Two stations opening a new database at once: one migrates, the other waits.
    if (postgres() && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(5851958)")))
        return abandon(QStringLiteral("cannot lock the registry schema"), q);
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")))
        return abandon(QStringLiteral("cannot create the schema version table"), q);
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")))
        return abandon(QStringLiteral("cannot read the schema version"), q);
    int version = 0;
    bool have = false;
    if (q.next()) {
        version = q.value(0).toInt();
        have = true;
    } else if (!read_to_end(QString(), q)) {
        return abandon(QStringLiteral("cannot read the schema version"), q);
    }
    q.finish();
    if (version > kSchemaVersion) {
        rollback();
        error_ = QStringLiteral("the registry %1 has schema version %2, newer than this program's %3; "
                                "update the program")
                     .arg(where_.text())
                     .arg(version)
                     .arg(kSchemaVersion);
        return false;
    }
    if (!have && !q.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (0)")))
        return abandon(QStringLiteral("cannot set the schema version"), q);
    for (const Migration& m : migrations()) {
        if (m.version <= version) continue;
        for (const QString& statement : postgres() ? m.postgres : m.sqlite)
            if (!q.exec(statement))
                return abandon(QStringLiteral("cannot migrate the registry to version %1").arg(m.version), q);
        q.prepare(QStringLiteral("UPDATE schema_version SET version = ?"));
        q.addBindValue(m.version);
        if (!q.exec()) return abandon(QStringLiteral("cannot set the schema version"), q);
    }
    q.finish();
    return commit();
}

int Registry::schema_version() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()) {
        fail_query(QStringLiteral("cannot read the schema version"), q);
        return -1;
    }
    return q.value(0).toInt();
}

bool Registry::connection_alive() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    return q.exec(QStringLiteral("SELECT 1")) && q.next();
}

bool Registry::reconnect() {
    const QString kept = error_;
    for (const int wait_ms : {0, 100, 300, 600, 1000}) {
        QThread::msleep(static_cast<unsigned long>(wait_ms));
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
            if (db.open() && connection_alive()) {
                if (!postgres()) {
                    QSqlQuery q(db);
                    q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
                    q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
                } else {
                    quiet_notices();
                }
                error_ = kept;
                return true;
            }
        }
    }
    error_ = kept + QStringLiteral(" (the connection could not be made again)");
    return false;
}

bool Registry::retrying(const std::function<bool()>& op) {
    last_unique_violation_ = false;
    error_.clear();
    if (op()) return true;
    if (last_unique_violation_ || connection_alive()) return false;
    if (!reconnect()) return false;
    error_.clear();
    return op();
}

bool Registry::begin_session(const QString& station, const QString& host, qint64 pid) {
    return retrying([&] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        const QString now = now_text();
        q.prepare(QStringLiteral("INSERT INTO sessions (station, host, pid, started_at, heartbeat_at) "
                                 "VALUES (?, ?, ?, ?, %1) RETURNING id")
                      .arg(database_now(postgres())));
        q.addBindValue(station);
        q.addBindValue(host);
        q.addBindValue(pid);
        q.addBindValue(now);
        if (!q.exec() || !q.next()) return fail_query(QStringLiteral("cannot record the station"), q);
        session_ = q.value(0).toLongLong();
        return true;
    });
}

bool Registry::end_session() {
    if (session_ == 0) return true;
    return retrying([&] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        const QString now = now_text();
        q.prepare(QStringLiteral("UPDATE receivers SET result = ?, finished_at = ? WHERE session_id = ? "
                                 "AND result = ?"));
        q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Stopped)));
        q.addBindValue(now);
        q.addBindValue(session_);
        q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Programming)));
        if (!q.exec()) return fail_query(QStringLiteral("cannot close the station's receivers"), q);
        q.prepare(QStringLiteral("UPDATE sessions SET ended_at = ?, heartbeat_at = ? WHERE id = ?"));
        q.addBindValue(now);
        q.addBindValue(now);
        q.addBindValue(session_);
        if (!q.exec()) return fail_query(QStringLiteral("cannot close the station's run"), q);
        return true;
    });
}

int Registry::reap_interrupted(int stale_seconds) {
    int reaped = -1;
    retrying([&] {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT r.id, s.host, s.pid, s.ended_at, s.id, s.heartbeat_at < %1 FROM "
                                 "receivers r JOIN sessions s ON r.session_id = s.id WHERE r.result = ?")
                      .arg(database_now_minus(postgres())));
        q.addBindValue(stale_seconds);
        q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Programming)));
        if (!q.exec()) return fail_query(QStringLiteral("cannot look for interrupted receivers"), q);
        std::vector<qint64> gone;
        while (q.next()) {
            if (q.value(4).toLongLong() == session_) continue;
            if (station_gone(q.value(1).toString(), q.value(2).toLongLong(), !q.value(3).isNull(), q.value(5).toBool()))
                gone.push_back(q.value(0).toLongLong());
        }
        if (!read_to_end(QStringLiteral("cannot look for interrupted receivers"), q)) return false;
        q.finish();
        QSqlQuery u(db);
        for (const qint64 id : gone) {
            u.prepare(QStringLiteral("UPDATE receivers SET result = ?, finished_at = ? WHERE id = ? AND result = ?"));
            u.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Died)));
            u.addBindValue(now_text());
            u.addBindValue(id);
            u.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Programming)));
            if (!u.exec()) return fail_query(QStringLiteral("cannot mark an interrupted receiver"), u);
        }
        reaped = static_cast<int>(gone.size());
        return true;
    });
    return reaped;
}

bool Registry::beat() {
    if (session_ == 0) return true;
    return retrying([&] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("UPDATE sessions SET heartbeat_at = %1 WHERE id = ?").arg(database_now(postgres())));
        q.addBindValue(session_);
        if (!q.exec()) return fail_query(QStringLiteral("cannot record the station's heartbeat"), q);
        return true;
    });
}

JobOpen Registry::open_job(const JobSpec& job_order) {
    JobOpen result;
    const QString base_sha =
        QString::fromLatin1(QCryptographicHash::hash(job_order.base_image, QCryptographicHash::Sha256).toHex());
    // Two tries: a station that loses the race to create the job finds it made.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool done = retrying([&] {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            if (!begin()) return false;
            QSqlQuery q(db);
            // Jobs are made one at a time (SQLite: the write lock taken by
            // begin()): a station that comes second finds the job, or the
            // capcodes, the first one made.
            if (postgres() && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(5851959)")))
                return abandon(QStringLiteral("cannot lock the jobs"), q);
            q.prepare(QStringLiteral("SELECT id, plan_sha256, receivers FROM jobs WHERE name = ?"));
            q.addBindValue(job_order.name);
            if (!q.exec()) return abandon(QStringLiteral("cannot look up the job"), q);
            const bool found = q.next();
            if (!found && !read_to_end(QString(), q)) return abandon(QStringLiteral("cannot look up the job"), q);
            if (found) {
                const qint64 id = q.value(0).toLongLong();
                const bool same = q.value(1).toString() == job_order.plan_sha256;
                const int receivers = q.value(2).toInt();
                q.finish();
                if (!same) {
                    // What the job of that name holds: the first capcode of
                    // each of its receivers.
                    result.existing_capcodes.clear();
                    QSqlQuery items(db);
                    items.prepare(QStringLiteral("SELECT capcodes FROM job_items WHERE job_id = ? ORDER BY item"));
                    items.addBindValue(id);
                    if (!items.exec()) return abandon(QStringLiteral("cannot look up the job"), items);
                    while (items.next())
                        if (const auto list = capcode_list(items.value(0).toString()); !list.empty())
                            result.existing_capcodes.push_back(list.front());
                    if (!read_to_end(QString(), items)) {
                        result.existing_capcodes.clear(); // never a part of the list
                        return abandon(QStringLiteral("cannot look up the job"), items);
                    }
                    items.finish();
                }
                rollback();
                if (!same) {
                    error_ = QStringLiteral("job '%1' already exists with %2 receivers of another "
                                            "base file or list; name this one otherwise (--job NAME)")
                                 .arg(job_order.name)
                                 .arg(receivers);
                    return false;
                }
                result.job_id = id;
                result.ok = true;
                return true;
            }
            q.finish();
            // A new job: its capcodes must be free, held neither for another
            // job nor by a receiver programmed outside a job.
            for (std::size_t i = 0; i < job_order.items.size(); ++i) {
                for (const qint64 capcode : job_order.items[i].capcodes) {
                    CapcodeHolder holder;
                    bool found = false;
                    if (!find_holder(capcode, holder, found)) return false;
                    if (!found) continue;
                    const QString job = holder.receiver_holds ? holder.receiver.job : holder.job;
                    result.conflicts.push_back(
                        {static_cast<int>(i), capcode, job, job.isEmpty() ? capcode_holder_text(holder) : QString()});
                }
            }
            if (!result.conflicts.empty()) {
                rollback();
                error_ =
                    QStringLiteral("%1 capcodes of the job are taken in the registry").arg(result.conflicts.size());
                return false;
            }
            q.prepare(QStringLiteral("INSERT INTO jobs (name, base_sha256, base_image, plan_sha256, receivers, "
                                     "created_at) VALUES (?, ?, ?, ?, ?, ?) RETURNING id"));
            q.addBindValue(job_order.name);
            q.addBindValue(base_sha);
            q.addBindValue(job_order.base_image);
            q.addBindValue(job_order.plan_sha256);
            q.addBindValue(static_cast<int>(job_order.items.size()));
            q.addBindValue(now_text());
            if (!q.exec() || !q.next()) return abandon(QStringLiteral("cannot store the job"), q);
            const qint64 id = q.value(0).toLongLong();
            q.finish();
            QSqlQuery item(db), reserve(db);
            item.prepare(QStringLiteral("INSERT INTO job_items (job_id, item, line, settings, capcodes) "
                                        "VALUES (?, ?, ?, ?, ?)"));
            reserve.prepare(QStringLiteral("INSERT INTO reservations (capcode, job_id, item) VALUES (?, ?, ?)"));
            for (std::size_t i = 0; i < job_order.items.size(); ++i) {
                const JobSpec::Item& it = job_order.items[i];
                item.addBindValue(id);
                item.addBindValue(static_cast<int>(i));
                item.addBindValue(it.line);
                item.addBindValue(it.settings.isNull() ? QStringLiteral("") : it.settings);
                item.addBindValue(capcode_list_text(it.capcodes));
                if (!item.exec()) return abandon(QStringLiteral("cannot store the job's receivers"), item);
                for (const qint64 capcode : it.capcodes) {
                    reserve.addBindValue(capcode);
                    reserve.addBindValue(id);
                    reserve.addBindValue(static_cast<int>(i));
                    if (!reserve.exec()) {
                        // Another job took it since the check (or the job twice).
                        if (is_unique_violation(reserve.lastError()))
                            result.conflicts.push_back({static_cast<int>(i), capcode, QString(), QString()});
                        return abandon(QStringLiteral("cannot reserve capcode %1").arg(capcode), reserve);
                    }
                }
            }
            if (!commit()) return false;
            result.job_id = id;
            result.created = true;
            result.ok = true;
            return true;
        });
        if (done) return result;
        if (!result.conflicts.empty()) break;
        // Lost the race to create it: the next attempt finds it.
        if (!last_unique_violation_) break;
    }
    result.ok = false;
    result.error = error_;
    return result;
}

bool Registry::insert_receiver(qint64 job_id, int item, const QString& board, const QString& now,
                               const std::vector<qint64>& capcodes, qint64& receiver_id) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("INSERT INTO receivers (job_id, item, session_id, station, board, started_at, capcodes, "
                             "result) SELECT ?, ?, id, station, ?, ?, ?, ? FROM sessions WHERE id = ? RETURNING id"));
    // A receiver outside any job has neither a job nor an item (NULL).
    q.addBindValue(job_id != 0 ? QVariant(job_id) : QVariant(QMetaType::fromType<qint64>()));
    q.addBindValue(job_id != 0 ? QVariant(item) : QVariant(QMetaType::fromType<int>()));
    q.addBindValue(board);
    q.addBindValue(now);
    q.addBindValue(capcode_list_text(capcodes));
    q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Programming)));
    q.addBindValue(session_);
    if (!q.exec() || !q.next()) return abandon(QStringLiteral("cannot record the receiver"), q);
    receiver_id = q.value(0).toLongLong();
    q.finish();
    return true;
}

TakeStatus Registry::take_next(qint64 job_id, const QString& board, TakenReceiver& taken,
                               const FinishedReceiver* finished) {
    TakeStatus status = TakeStatus::Failed;
    // A receiver is taken in one transaction: the next free item, the receiver
    // row and its capcodes in `issued`, whose key refuses a capcode twice. A
    // station that loses a race for an item rolls back and tries the next.
    for (int attempt = 0; attempt < 200; ++attempt) {
        last_unique_violation_ = false;
        const bool ok = retrying([&] {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            if (!begin()) return false;
            // The board's last receiver is recorded in the same commit.
            if (finished && !record_result(*finished)) {
                rollback();
                return false;
            }
            QSqlQuery q(db);
            // PostgreSQL: an item another station is taking right now is
            // skipped, and one it took meanwhile fails the re-check of
            // receiver_id under the row lock.
            q.prepare(QStringLiteral("SELECT item, capcodes FROM job_items WHERE job_id = ? AND receiver_id IS "
                                     "NULL ORDER BY item LIMIT 1") +
                      (postgres() ? QStringLiteral(" FOR UPDATE SKIP LOCKED") : QString()));
            q.addBindValue(job_id);
            if (!q.exec()) return abandon(QStringLiteral("cannot look for the next receiver"), q);
            if (!q.next()) {
                if (!read_to_end(QString(), q)) return abandon(QStringLiteral("cannot look for the next receiver"), q);
                q.finish();
                if (finished) {
                    if (!commit()) return false;
                } else {
                    rollback();
                }
                status = TakeStatus::NoneLeft;
                return true;
            }
            const int item = q.value(0).toInt();
            const std::vector<qint64> capcodes = capcode_list(q.value(1).toString());
            q.finish();
            const QString now = now_text();
            qint64 receiver = 0;
            if (!insert_receiver(job_id, item, board, now, capcodes, receiver)) return false;
            q.prepare(QStringLiteral("UPDATE job_items SET receiver_id = ? WHERE job_id = ? AND item = ? AND "
                                     "receiver_id IS NULL"));
            q.addBindValue(receiver);
            q.addBindValue(job_id);
            q.addBindValue(item);
            if (!q.exec()) return abandon(QStringLiteral("cannot take the receiver"), q);
            if (q.numRowsAffected() != 1) {
                // Taken by another station since the look-up: try the next.
                q.finish();
                rollback();
                last_unique_violation_ = true;
                return false;
            }
            q.prepare(QStringLiteral("INSERT INTO issued (capcode, receiver_id, job_id, item) VALUES (?, ?, ?, ?)"));
            for (const qint64 capcode : capcodes) {
                q.addBindValue(capcode);
                q.addBindValue(receiver);
                q.addBindValue(job_id);
                q.addBindValue(item);
                if (!q.exec()) return abandon(QStringLiteral("cannot issue capcode %1").arg(capcode), q);
            }
            q.prepare(
                QStringLiteral("UPDATE sessions SET heartbeat_at = %1 WHERE id = ?").arg(database_now(postgres())));
            q.addBindValue(session_);
            if (!q.exec()) return abandon(QStringLiteral("cannot record the station's heartbeat"), q);
            q.finish();
            if (!commit()) return false;
            taken = {receiver, item};
            status = TakeStatus::Taken;
            return true;
        });
        if (ok) return status;
        if (!last_unique_violation_) return TakeStatus::Failed;
    }
    return TakeStatus::Failed;
}

bool Registry::record_result(const FinishedReceiver& done) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // Only onto a row that is still this station's: one that another station
    // marked died (this one seemed gone) may have had its capcodes released
    // and programmed again, and an "ok" over it would hide a duplicate.
    q.prepare(QStringLiteral("UPDATE receivers SET result = ?, finished_at = ?, capcodes = ?, "
                             "image_sha256 = ? WHERE id = ? AND result = ? AND released_at IS NULL"));
    q.addBindValue(QString::fromLatin1(receiver_result_text(done.result)));
    q.addBindValue(now_text());
    q.addBindValue(capcode_list_text(done.capcodes));
    q.addBindValue(done.image_sha256.isNull() ? QStringLiteral("") : done.image_sha256);
    q.addBindValue(done.receiver_id);
    q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Programming)));
    if (!q.exec()) return fail_query(QStringLiteral("cannot record the receiver's result"), q);
    if (q.numRowsAffected() == 1) return true;
    q.prepare(QStringLiteral("SELECT result, released_at, capcodes FROM receivers WHERE id = ?"));
    q.addBindValue(done.receiver_id);
    if (!q.exec()) return fail_query(QStringLiteral("cannot record the receiver's result"), q);
    if (!q.next()) {
        if (!read_to_end(QStringLiteral("cannot record the receiver's result"), q)) return false;
        error_ = QStringLiteral("receiver %1 is not in the registry").arg(done.receiver_id);
        return false;
    }
    error_ = QStringLiteral("receiver %1 (capcode %2) was marked '%3'%4 by another station while this one "
                            "programmed it; its result '%5' is not recorded: its capcode may have been issued "
                            "again (qrt58cli registry show %6)")
                 .arg(done.receiver_id)
                 .arg(q.value(2).toString(), q.value(0).toString(),
                      q.value(1).isNull() ? QString() : QStringLiteral(" and released"),
                      QString::fromLatin1(receiver_result_text(done.result)), q.value(2).toString().section(' ', 0, 0));
    q.finish();
    return false;
}

bool Registry::finish(qint64 receiver_id, ReceiverResult result, const std::vector<qint64>& capcodes,
                      const QString& image_sha256) {
    const FinishedReceiver done{receiver_id, result, capcodes, image_sha256};
    return retrying([&] { return record_result(done); });
}

bool Registry::counts(qint64 job_id, JobCounts& counts) {
    return retrying([&] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("SELECT receivers FROM jobs WHERE id = ?"));
        q.addBindValue(job_id);
        if (!q.exec() || !q.next()) return fail_query(QStringLiteral("cannot count the job"), q);
        counts = {};
        counts.receivers = q.value(0).toInt();
        q.finish();
        // The receivers that hold the job's items now (one per item at most).
        q.prepare(QStringLiteral("SELECT r.result, COUNT(DISTINCT r.id) FROM issued i JOIN receivers r ON "
                                 "i.receiver_id = r.id WHERE i.job_id = ? GROUP BY r.result"));
        q.addBindValue(job_id);
        if (!q.exec()) return fail_query(QStringLiteral("cannot count the job"), q);
        while (q.next()) {
            const QString result = q.value(0).toString();
            const int n = q.value(1).toInt();
            if (result == QLatin1String("ok")) counts.done += n;
            else if (result == QLatin1String("programming")) counts.in_progress += n;
            else counts.held += n;
        }
        return read_to_end(QStringLiteral("cannot count the job"), q);
    });
}

std::vector<HeldReceiver> Registry::held(qint64 job_id) {
    std::vector<HeldReceiver> list;
    retrying([&] {
        list.clear();
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("SELECT DISTINCT r.id, r.item, r.result, r.capcodes FROM issued i JOIN receivers r "
                                 "ON i.receiver_id = r.id WHERE i.job_id = ? AND r.result NOT IN ('ok', "
                                 "'programming') ORDER BY r.item"));
        q.addBindValue(job_id);
        if (!q.exec()) return fail_query(QStringLiteral("cannot list the held receivers"), q);
        while (q.next()) {
            HeldReceiver h;
            h.receiver_id = q.value(0).toLongLong();
            h.item = q.value(1).toInt();
            h.result = q.value(2).toString();
            h.capcodes = capcode_list(q.value(3).toString());
            list.push_back(h);
        }
        return read_to_end(QStringLiteral("cannot list the held receivers"), q);
    });
    return list;
}

bool Registry::release(qint64 capcode, QString& message, bool scrapped) {
    return retrying([&] {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (!begin()) return false;
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT r.id, r.result, r.station, r.job_id, s.host, s.pid, s.ended_at, "
                                 "s.heartbeat_at < %1 FROM issued i JOIN receivers r ON i.receiver_id = r.id LEFT "
                                 "JOIN sessions s ON r.session_id = s.id WHERE i.capcode = ?")
                      .arg(database_now_minus(postgres())));
        q.addBindValue(kStaleSeconds);
        q.addBindValue(capcode);
        if (!q.exec()) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
        if (!q.next()) {
            if (!read_to_end(QString(), q)) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
            q.finish();
            rollback();
            message = QStringLiteral("capcode %1 is not held by any receiver; nothing to release").arg(capcode);
            error_ = message;
            return false;
        }
        const qint64 receiver = q.value(0).toLongLong();
        QString result = q.value(1).toString();
        const QString station = q.value(2).toString();
        const bool of_job = !q.value(3).isNull();
        const bool programming = result == QLatin1String("programming");
        const bool gone =
            programming && (q.value(4).isNull() || station_gone(q.value(4).toString(), q.value(5).toLongLong(),
                                                                !q.value(6).isNull(), q.value(7).toBool()));
        q.finish();
        if (gone) {
            // Its station is gone: the receiver is recorded as died, as the
            // next job run would, and released at once.
            q.prepare(QStringLiteral("UPDATE receivers SET result = ?, finished_at = ? WHERE id = ? AND result = ?"));
            q.addBindValue(QString::fromLatin1(receiver_result_text(ReceiverResult::Died)));
            q.addBindValue(now_text());
            q.addBindValue(receiver);
            q.addBindValue(result);
            if (!q.exec()) return abandon(QStringLiteral("cannot release capcode %1").arg(capcode), q);
            result = QString::fromLatin1(receiver_result_text(ReceiverResult::Died));
        }
        // A receiver programmed ok keeps its capcodes unless the user says
        // that it was scrapped.
        if ((result == QLatin1String("ok") && !scrapped) || result == QLatin1String("programming")) {
            rollback();
            message = result == QLatin1String("ok")
                          ? QStringLiteral("capcode %1 was programmed into a receiver successfully; it stays "
                                           "taken (if that receiver was scrapped: qrt58cli registry release "
                                           "--scrapped %1)")
                                .arg(capcode)
                          : QStringLiteral("capcode %1 is being programmed now (station %2); it is released "
                                           "only when that receiver failed or its station is gone")
                                .arg(capcode)
                                .arg(station);
            error_ = message;
            return false;
        }
        q.prepare(QStringLiteral("SELECT capcode FROM issued WHERE receiver_id = ? ORDER BY capcode"));
        q.addBindValue(receiver);
        if (!q.exec()) return abandon(QStringLiteral("cannot list the receiver's capcodes"), q);
        std::vector<qint64> freed;
        while (q.next()) freed.push_back(q.value(0).toLongLong());
        if (!read_to_end(QString(), q)) return abandon(QStringLiteral("cannot list the receiver's capcodes"), q);
        q.finish();
        q.prepare(QStringLiteral("DELETE FROM issued WHERE receiver_id = ?"));
        q.addBindValue(receiver);
        if (!q.exec()) return abandon(QStringLiteral("cannot release capcode %1").arg(capcode), q);
        q.prepare(QStringLiteral("UPDATE job_items SET receiver_id = NULL WHERE receiver_id = ?"));
        q.addBindValue(receiver);
        if (!q.exec()) return abandon(QStringLiteral("cannot release capcode %1").arg(capcode), q);
        q.prepare(QStringLiteral("UPDATE receivers SET released_at = ? WHERE id = ?"));
        q.addBindValue(now_text());
        q.addBindValue(receiver);
        if (!q.exec()) return abandon(QStringLiteral("cannot release capcode %1").arg(capcode), q);
        q.finish();
        if (!commit()) return false;
        const QString it = freed.size() == 1 ? QStringLiteral("it") : QStringLiteral("them");
        message =
            QStringLiteral("Released capcode%1 %2 of the receiver programmed at station %3 (%4); %5")
                .arg(freed.size() == 1 ? QString() : QStringLiteral("s"), capcode_list_text(freed), station, result,
                     of_job ? QStringLiteral("its job programs %1 again").arg(it)
                            : QStringLiteral("a production run may program %1 again").arg(it));
        return true;
    });
}

namespace registry_rows {

QString now_text() { return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs); }

// Every receiver with its number: within its job the job's item (1 to the
// job's receivers), outside a job its place in its station's run.
const char* const kReceiverColumns =
    "SELECT r.id, r.job, r.item, r.station, r.board, r.started_at, r.finished_at, r.capcodes, r.image_sha256, "
    "r.result, r.released_at, r.num, r.total FROM (SELECT r.id, j.name AS job, r.item, r.station, r.board, "
    "r.started_at, r.finished_at, r.capcodes, r.image_sha256, r.result, r.released_at, CASE WHEN r.job_id IS "
    "NULL THEN ROW_NUMBER() OVER (PARTITION BY r.job_id, r.session_id ORDER BY r.id) ELSE r.item + 1 END AS "
    "num, CASE WHEN r.job_id IS NULL THEN COUNT(*) OVER (PARTITION BY r.job_id, r.session_id) ELSE "
    "j.receivers END AS total FROM receivers r LEFT JOIN jobs j ON r.job_id = j.id) r ";

ReceiverRecord record_of(const QSqlQuery& q) {
    ReceiverRecord r;
    r.id = q.value(0).toLongLong();
    r.job = q.value(1).toString();
    r.item = q.value(2).toInt();
    r.station = q.value(3).toString();
    r.board = q.value(4).toString();
    r.started_at = q.value(5).toString();
    r.finished_at = q.value(6).toString();
    r.capcodes = q.value(7).toString();
    r.image_sha256 = q.value(8).toString();
    r.result = q.value(9).toString();
    r.released_at = q.value(10).toString();
    r.number = q.value(11).toInt();
    r.of = q.value(12).toInt();
    return r;
}

} // namespace registry_rows

using registry_rows::kReceiverColumns;
using registry_rows::record_of;

std::vector<ReceiverRecord> Registry::receivers_with(qint64 capcode) {
    std::vector<ReceiverRecord> list;
    retrying([&] {
        list.clear();
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QString::fromLatin1(kReceiverColumns) +
                  QStringLiteral("WHERE (' ' || r.capcodes || ' ') LIKE ? OR r.id IN (SELECT receiver_id FROM "
                                 "issued WHERE capcode = ?) ORDER BY r.id"));
        q.addBindValue(QStringLiteral("% %1 %").arg(capcode));
        q.addBindValue(capcode);
        if (!q.exec()) return fail_query(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
        while (q.next()) list.push_back(record_of(q));
        return read_to_end(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    });
    return list;
}

QString Registry::job_holding(qint64 capcode) {
    QString job;
    retrying([&] {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(
            QStringLiteral("SELECT j.name FROM reservations r JOIN jobs j ON r.job_id = j.id WHERE r.capcode = ?"));
        q.addBindValue(capcode);
        if (!q.exec()) return fail_query(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
        if (q.next()) job = q.value(0).toString();
        return read_to_end(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    });
    return job;
}

bool Registry::for_each_receiver(const std::function<void(const ReceiverRecord&)>& fn) {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    if (!q.exec(QString::fromLatin1(kReceiverColumns) + QStringLiteral("ORDER BY r.id")))
        return fail_query(QStringLiteral("cannot read the receivers"), q);
    error_.clear();
    while (q.next()) fn(record_of(q));
    return read_to_end(QStringLiteral("cannot read the receivers"), q);
}

} // namespace qrt58

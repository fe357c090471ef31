// The production registry against a real database (SQLite here, PostgreSQL
// when the program runs under pg_virtualenv): the schema and its migrations,
// allocation, release, interrupted stations; then whole stations as separate
// qrt58cli processes: many at once on one job, one killed in the middle of a
// receiver, a dropped connection, a full disk, and input refused before
// anything is programmed.
#include "registry_backend.h"

#include "board.h"
#include "cli.h"
#include "cli_set.h"
#include "clock.h"
#include "default_image.h"
#include "job_station.h"
#include "table_file.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qrt58;
using namespace qrt58::test;

namespace {

JobSpec spec_of(const QString& name, qint64 first, int count) {
    JobSpec s;
    s.name = name;
    s.base_image = QByteArray(kImageSize, '\0');
    s.plan_sha256 = QStringLiteral("%1-%2-%3").arg(name).arg(first).arg(count);
    for (int i = 0; i < count; ++i)
        s.items.push_back({i + 1, QStringLiteral("capcodes.1.capcode=%1").arg(first + i), {first + i}});
    return s;
}

// Runs `sql` on the registry through a connection of its own (what another
// program or a station on another host would do); the first row's first value.
QVariant raw_sql(const RegistryLocation& where, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            where.kind == RegistryLocation::Kind::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"),
            QStringLiteral("raw-sql"));
        if (where.kind == RegistryLocation::Kind::Sqlite) db.setDatabaseName(where.path);
        else {
            db.setHostName(where.host);
            db.setPort(where.port);
            db.setUserName(where.user);
            db.setDatabaseName(where.database);
        }
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        if (q.next()) value = q.value(0);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw-sql"));
    return value;
}

QByteArray file_digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("(none)");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(backend.ok());
        where = backend.create();
        QString error;
        registry = Registry::open(where, &error);
        ASSERT_TRUE(registry) << error.toStdString();
    }
    Backend backend;
    RegistryLocation where;
    std::unique_ptr<Registry> registry;
};

TEST_F(RegistryTest, SchemaIsMigratedOnceAndANewerOneIsRefused) {
    EXPECT_EQ(registry->schema_version(), Registry::kSchemaVersion);
    registry.reset();
    {
        QString error;
        auto again = Registry::open(where, &error);
        ASSERT_TRUE(again) << error.toStdString();
        EXPECT_EQ(again->schema_version(), Registry::kSchemaVersion);
    }
    const auto set_version = [&](int version, bool drop_indexes) {
        if (drop_indexes) {
            for (const char* index : {"issued_item", "receivers_result", "receivers_job", "job_items_free"})
                raw_sql(where, QStringLiteral("DROP INDEX %1").arg(QLatin1String(index)));
        }
        raw_sql(where, QStringLiteral("UPDATE schema_version SET version = %1").arg(version));
    };
    // A database left at version 1 gets the steps after it.
    set_version(1, true);
    {
        QString error;
        auto migrated = Registry::open(where, &error);
        ASSERT_TRUE(migrated) << error.toStdString();
        EXPECT_EQ(migrated->schema_version(), 2);
    }
    set_version(Registry::kSchemaVersion + 1, false);
    QString error;
    EXPECT_FALSE(Registry::open(where, &error));
    EXPECT_NE(error.indexOf(QLatin1String("newer than this program")), -1) << error.toStdString();
}

// A socket folder as host and libpq's parameters passed through: the registry
// opens through the server's Unix socket under the application name given.
TEST_F(RegistryTest, PostgresThroughASocketFolderWithParameters) {
    if (where.kind != RegistryLocation::Kind::Postgres) GTEST_SKIP() << "PostgreSQL only";
    const auto raw = [&](const QString& name) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(where.host);
        db.setPort(where.port);
        db.setUserName(where.user);
        db.setDatabaseName(where.database);
        return db;
    };
    QString folder;
    {
        QSqlDatabase db = raw(QStringLiteral("socket-folder"));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SHOW unix_socket_directories")) && q.next());
        folder = q.value(0).toString().section(QLatin1Char(','), 0, 0).trimmed();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("socket-folder"));
    ASSERT_TRUE(folder.startsWith(QLatin1Char('/'))) << folder.toStdString();
    // Put together, not through arg(): the encoded folder holds "%2F".
    const QString url = QStringLiteral("postgresql://") + where.user + '@' +
                        QString::fromLatin1(QUrl::toPercentEncoding(folder)) + ':' + QString::number(where.port) + '/' +
                        where.database + QStringLiteral("?application_name=qrt58-socket&connect_timeout=5");
    QString error;
    const auto location = parse_registry_location(url, &error);
    ASSERT_TRUE(location) << error.toStdString();
    EXPECT_EQ(location->host, folder);
    registry.reset();
    auto through_socket = Registry::open(*location, &error);
    ASSERT_TRUE(through_socket) << error.toStdString();
    EXPECT_TRUE(through_socket->begin_session(QStringLiteral("socket"), QStringLiteral("host"), 1));
    {
        QSqlDatabase db = raw(QStringLiteral("socket-check"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE application_name = "
                                          "'qrt58-socket' AND client_addr IS NULL")) &&
                    q.next());
        EXPECT_GE(q.value(0).toInt(), 1);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("socket-check"));
}

TEST_F(RegistryTest, CapcodesAreTakenOnceHeldAfterAFailureAndFreedOnlyByRelease) {
    ASSERT_TRUE(registry->begin_session(QStringLiteral("s1"), QStringLiteral("h"), QCoreApplication::applicationPid()));
    const JobOpen a = registry->open_job(spec_of(QStringLiteral("a"), 500, 3));
    ASSERT_TRUE(a.ok) << a.error.toStdString();
    EXPECT_TRUE(a.created);
    // The same job again is found; another list under its name, or its capcodes in another job, are refused.
    const JobOpen again = registry->open_job(spec_of(QStringLiteral("a"), 500, 3));
    EXPECT_TRUE(again.ok && !again.created && again.job_id == a.job_id);
    EXPECT_FALSE(registry->open_job(spec_of(QStringLiteral("a"), 500, 4)).ok);
    const JobOpen b = registry->open_job(spec_of(QStringLiteral("b"), 502, 3));
    ASSERT_FALSE(b.ok);
    ASSERT_EQ(b.conflicts.size(), 1u);
    EXPECT_EQ(b.conflicts[0].capcode, 502);
    EXPECT_EQ(b.conflicts[0].job, QStringLiteral("a"));
    EXPECT_EQ(registry->job_holding(502), QStringLiteral("a"));
    EXPECT_TRUE(registry->job_holding(503).isEmpty());

    TakenReceiver t1, t2, t3, t4;
    ASSERT_EQ(registry->take_next(a.job_id, QStringLiteral("b1"), t1), TakeStatus::Taken);
    ASSERT_EQ(registry->take_next(a.job_id, QStringLiteral("b2"), t2), TakeStatus::Taken);
    EXPECT_EQ(t1.item, 0);
    EXPECT_EQ(t2.item, 1);
    ASSERT_TRUE(registry->finish(t1.receiver_id, ReceiverResult::Ok, {500}, QStringLiteral("aa")));
    ASSERT_TRUE(registry->finish(t2.receiver_id, ReceiverResult::VerifyError, {501}, QStringLiteral("bb")));
    ASSERT_EQ(registry->take_next(a.job_id, QStringLiteral("b1"), t3), TakeStatus::Taken);
    EXPECT_EQ(t3.item, 2);
    // The failed receiver's item is not handed out again.
    EXPECT_EQ(registry->take_next(a.job_id, QStringLiteral("b1"), t4), TakeStatus::NoneLeft);

    QString message;
    EXPECT_FALSE(registry->release(500, message)) << "an ok receiver keeps its capcode";
    EXPECT_FALSE(registry->release(502, message)) << "one being programmed keeps it";
    EXPECT_FALSE(registry->release(9999, message));
    EXPECT_TRUE(registry->release(501, message)) << message.toStdString();
    EXPECT_FALSE(registry->release(501, message)) << "released once";
    ASSERT_EQ(registry->take_next(a.job_id, QStringLiteral("b2"), t4), TakeStatus::Taken);
    EXPECT_EQ(t4.item, 1);
    ASSERT_TRUE(registry->finish(t4.receiver_id, ReceiverResult::Ok, {501}, QStringLiteral("cc")));

    JobCounts counts;
    ASSERT_TRUE(registry->counts(a.job_id, counts));
    EXPECT_EQ(counts.receivers, 3);
    EXPECT_EQ(counts.done, 2);
    EXPECT_EQ(counts.in_progress, 1);
    EXPECT_EQ(counts.held, 0);
    // The history keeps both receivers that had 501.
    const auto history = registry->receivers_with(501);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].result, QStringLiteral("verify error"));
    EXPECT_FALSE(history[0].released_at.isEmpty());
    EXPECT_EQ(history[1].result, QStringLiteral("ok"));
    EXPECT_EQ(history[1].image_sha256, QStringLiteral("cc"));

    // The run ends with a receiver unfinished: it is stopped and held.
    ASSERT_TRUE(registry->end_session());
    const auto held = registry->held(a.job_id);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].result, QStringLiteral("stopped"));
    EXPECT_EQ(held[0].capcodes, std::vector<qint64>{502});
}

TEST_F(RegistryTest, ReceiversOfAStationThatIsGoneAreMarkedDied) {
    const JobOpen job = [&] {
        registry->begin_session(QStringLiteral("gone"), QSysInfo::machineHostName(), 999999999);
        return registry->open_job(spec_of(QStringLiteral("j"), 700, 2));
    }();
    ASSERT_TRUE(job.ok);
    TakenReceiver t;
    ASSERT_EQ(registry->take_next(job.job_id, QStringLiteral("b"), t), TakeStatus::Taken);
    QString error;
    auto other = Registry::open(where, &error);
    ASSERT_TRUE(other);
    ASSERT_TRUE(
        other->begin_session(QStringLiteral("live"), QSysInfo::machineHostName(), QCoreApplication::applicationPid()));
    EXPECT_EQ(other->reap_interrupted(), 1);
    EXPECT_EQ(other->reap_interrupted(), 0);
    const auto held = other->held(job.job_id);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].result, QStringLiteral("died"));
    TakenReceiver next;
    ASSERT_EQ(other->take_next(job.job_id, QStringLiteral("b"), next), TakeStatus::Taken);
    EXPECT_EQ(next.item, 1) << "the died receiver's capcode is not reused";
}

// A station on this host that is paused (or slow) is alive: it is never taken
// for dead; one on another host is, after the limit by the database's clock.
// Capcodes of a receiver whose station is gone are released at once.
TEST_F(RegistryTest, OnlyStationsThatAreGoneLoseTheirReceivers) {
    const QString here = QSysInfo::machineHostName();
    struct Case {
        const char* name;
        QString host;
        qint64 pid;
        bool gone_at_once; // reaped by the next station with the usual limit, released at once
        bool gone_when_stale;
    };
    const Case cases[] = {
        {"alive here", here, QCoreApplication::applicationPid(), false, false},
        {"ended process here", here, 999999999, true, true},
        {"other host", QStringLiteral("elsewhere.example"), QCoreApplication::applicationPid(), false, true},
    };
    qint64 first = 7000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        auto station = Registry::open(where, &error);
        ASSERT_TRUE(station) << error.toStdString();
        ASSERT_TRUE(station->begin_session(QString::fromLatin1(c.name), c.host, c.pid));
        const JobOpen job = station->open_job(spec_of(QString::fromLatin1(c.name), first, 2));
        ASSERT_TRUE(job.ok) << job.error.toStdString();
        TakenReceiver t;
        ASSERT_EQ(station->take_next(job.job_id, QStringLiteral("b"), t), TakeStatus::Taken);
        auto other = Registry::open(where, &error);
        ASSERT_TRUE(other->begin_session(QStringLiteral("next"), here, QCoreApplication::applicationPid()));
        QString message;
        EXPECT_EQ(other->release(first, message), c.gone_at_once) << message.toStdString();
        if (!c.gone_at_once) {
            EXPECT_EQ(other->reap_interrupted(), 0);
            QThread::msleep(1100);
            EXPECT_EQ(other->reap_interrupted(1), c.gone_when_stale ? 1 : 0);
            // A station that was taken for dead and comes back records nothing over the row.
            const bool recorded = station->finish(t.receiver_id, ReceiverResult::Ok, {first}, QStringLiteral("aa"));
            EXPECT_EQ(recorded, !c.gone_when_stale);
            if (c.gone_when_stale) {
                EXPECT_TRUE(station->error().contains("not recorded")) << station->error().toStdString();
                EXPECT_EQ(other->receivers_with(first).at(0).result, QStringLiteral("died"));
            }
        } else {
            EXPECT_TRUE(message.contains("died")) << message.toStdString();
            TakenReceiver again;
            ASSERT_EQ(other->take_next(job.job_id, QStringLiteral("b"), again), TakeStatus::Taken);
            EXPECT_EQ(again.item, 0) << "the released receiver is programmed again";
            EXPECT_FALSE(station->finish(t.receiver_id, ReceiverResult::Ok, {first}, QStringLiteral("aa")));
        }
        first += 100;
    }
}

// A page of the file (1-based) whose b-tree header is overwritten with a page
// type no reader accepts.
void damage_page(const QString& path, int page) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray bytes = file.read(100);
    const int page_size = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
    ASSERT_GT(page, 1);
    file.seek(static_cast<qint64>(page - 1) * page_size);
    file.write(QByteArray(8, '\xFF'));
}

// The page (1-based) that holds `marker`; 0 when none does.
int page_holding(const QString& path, const QByteArray& marker) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray bytes = file.readAll();
    const int page_size = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
    const qsizetype at = bytes.indexOf(marker);
    return at < 0 ? 0 : static_cast<int>(at / page_size) + 1;
}
// The last leaf page of `table`'s b-tree: its rows with the highest keys,
// which a read in key order reaches last.
int last_leaf_of(const RegistryLocation& where, const char* table) {
    int page =
        raw_sql(where, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(QLatin1String(table)))
            .toInt();
    QFile file(where.path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray bytes = file.readAll();
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const int page_size = (byte(16) << 8) | byte(17);
    // Interior table pages (type 5) keep their right-most child at bytes 8-11.
    for (qsizetype at = qsizetype(page - 1) * page_size; byte(at) == 0x05; at = qsizetype(page - 1) * page_size)
        page = (byte(at + 8) << 24) | (byte(at + 9) << 16) | (byte(at + 10) << 8) | byte(at + 11);
    return page;
}

// A read that fails half-way (a damaged page) is a failure, never a short list
// or a wrong answer: the receivers (export, job counts), the receivers of a
// job found under a new job's name, the capcodes above a taken one.
TEST_F(RegistryTest, ADamagedPageFailsTheReadInsteadOfShorteningIt) {
    if (on_postgres()) GTEST_SKIP() << "the registry file (SQLite)";
    struct Case {
        const char* what;
        std::function<void(Registry&)> fill;
        std::function<int(const RegistryLocation&)> page; // the page to damage
        std::function<void(Registry&, const RegistryLocation&)> check;
    };
    const QString here = QSysInfo::machineHostName();
    const Case cases[] = {
        {"the receivers",
         [&](Registry& r) {
             const JobOpen job = r.open_job(spec_of(QStringLiteral("d"), 100, 50));
             ASSERT_TRUE(job.ok);
             for (int i = 0; i < 50; ++i) {
                 TakenReceiver t;
                 // Wide rows spread the receivers over several pages.
                 const QString board = QStringLiteral("board-%1-").arg(i, 2, 10, QChar('0')) + QString(400, 'x');
                 ASSERT_EQ(r.take_next(job.job_id, board, t), TakeStatus::Taken);
                 ASSERT_TRUE(r.finish(t.receiver_id, ReceiverResult::Ok, {100 + i}, QStringLiteral("aa")));
             }
         },
         [](const RegistryLocation& w) { return page_holding(w.path, "board-25-"); },
         [](Registry& r, const RegistryLocation& w) {
             int seen = 0;
             EXPECT_FALSE(r.for_each_receiver([&](const ReceiverRecord&) { ++seen; }));
             EXPECT_LT(seen, 50);
             EXPECT_FALSE(r.error().isEmpty());
             JobCounts counts;
             // Never a short count: the true one or a failure.
             if (r.counts(1, counts)) {
                 EXPECT_EQ(counts.done, 50);
             }
             QProcess export_run;
             export_run.start(QStringLiteral(QRT58CLI),
                              {QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                               QStringLiteral("--registry"), Backend::url(w)});
             ASSERT_TRUE(export_run.waitForFinished(60000));
             EXPECT_EQ(export_run.exitCode(), 1);
             EXPECT_FALSE(export_run.readAllStandardError().isEmpty());
         }},
        {"the receivers of a job whose name a new job takes",
         [](Registry& r) {
             JobSpec job = spec_of(QStringLiteral("named"), 100, 50);
             for (JobSpec::Item& item : job.items)
                 item.settings +=
                     QStringLiteral("\nprompts.1.text=item-%1-").arg(item.line, 2, 10, QChar('0')) + QString(400, 'x');
             ASSERT_TRUE(r.open_job(job).ok);
         },
         [](const RegistryLocation& w) { return page_holding(w.path, "item-25-"); },
         [](Registry& r, const RegistryLocation&) {
             const JobOpen other = r.open_job(spec_of(QStringLiteral("named"), 5000, 3));
             EXPECT_FALSE(other.ok);
             EXPECT_TRUE(other.error.contains("cannot look up the job")) << other.error.toStdString();
             EXPECT_TRUE(other.existing_capcodes.empty());
         }},
        {"the capcodes taken above one",
         [](Registry& r) {
             std::vector<qint64> capcodes;
             for (qint64 c = 5000; c < 6000; ++c) capcodes.push_back(c);
             qint64 receiver = 0;
             CapcodeHolder holder;
             ASSERT_EQ(r.claim_receiver(QStringLiteral("b"), capcodes, receiver, holder), ClaimStatus::Claimed)
                 << r.error().toStdString();
         },
         [](const RegistryLocation& w) { return last_leaf_of(w, "issued"); },
         [](Registry& r, const RegistryLocation&) {
             // 5000-5999 are taken: 6000 is the answer, or no answer at all.
             EXPECT_EQ(r.next_free_capcode(4999, 2031614), -1);
             EXPECT_TRUE(r.error().contains("free capcode")) << r.error().toStdString();
         }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryLocation damaged;
        damaged.path = backend.path(QStringLiteral("damaged-%1.sqlite").arg(++n));
        QString error;
        {
            auto r = Registry::open(damaged, &error);
            ASSERT_TRUE(r) << error.toStdString();
            ASSERT_TRUE(r->begin_session(QStringLiteral("s"), here, QCoreApplication::applicationPid()));
            c.fill(*r);
            if (HasFatalFailure()) return;
        }
        const int page = c.page(damaged);
        damage_page(damaged.path, page);
        if (HasFatalFailure()) return;
        auto r = Registry::open(damaged, &error);
        ASSERT_TRUE(r) << error.toStdString();
        c.check(*r, damaged);
    }
}

// Another program's SQLite database is refused before anything is written:
// no registry tables, no journal mode change, not a byte changed.
TEST_F(RegistryTest, AForeignSqliteDatabaseIsLeftAsItIs) {
    if (on_postgres()) GTEST_SKIP() << "a database file (SQLite)";
    const char* const foreign[] = {
        "CREATE TABLE contacts (name TEXT, phone TEXT)",
        "CREATE VIEW numbers AS SELECT 1 AS n",
        "CREATE TABLE jobs (id INTEGER PRIMARY KEY, name TEXT)",
    };
    int n = 0;
    for (const char* sql : foreign) {
        SCOPED_TRACE(sql);
        RegistryLocation other;
        other.path = backend.path(QStringLiteral("foreign-%1.sqlite").arg(++n));
        raw_sql(other, QString::fromLatin1(sql));
        const QByteArray before = file_digest(other.path);
        QString error;
        EXPECT_FALSE(Registry::open(other, &error));
        EXPECT_TRUE(error.contains("not a production registry")) << error.toStdString();
        QProcess export_run;
        export_run.start(QStringLiteral(QRT58CLI),
                         {QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                          QStringLiteral("--registry"), QStringLiteral("sqlite:") + other.path});
        ASSERT_TRUE(export_run.waitForFinished(60000));
        EXPECT_EQ(export_run.exitCode(), 1);
        EXPECT_EQ(file_digest(other.path), before);
        EXPECT_FALSE(QFile::exists(other.path + QStringLiteral("-wal")));
        EXPECT_EQ(raw_sql(other, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
    }
}

// A station's heartbeat goes on while a receiver takes long to program.
TEST_F(RegistryTest, TheHeartbeatGoesOnWhileAReceiverIsProgrammed) {
    JobPlan plan;
    plan.name = QStringLiteral("beat");
    plan.base = build_default_image();
    plan_range(plan, {8800, 1, 1});
    const ApplySettings rules = [](PagerTable& image, const std::vector<std::string>& a, std::string& e) {
        return cli::apply_assignments(image, a, e);
    };
    ASSERT_TRUE(check_job(plan, rules).empty());
    StationOptions options;
    options.registry = where;
    options.station = QStringLiteral("beating");
    options.host = QSysInfo::machineHostName();
    options.apply = rules;
    options.heartbeat_ms = 100;
    JobStation station(plan, options);
    QString error;
    std::vector<JobProblem> problems;
    ASSERT_TRUE(station.prepare(error, problems)) << error.toStdString();
    // A board whose receiver takes about a second, asleep rather than busy.
    struct NappingClock : VirtualClock {
        void spin_until(std::int64_t deadline_ns) override {
            VirtualClock::spin_until(deadline_ns);
            if (++calls % 64 == 0) QThread::usleep(500);
        }
        std::uint64_t calls = 0;
    } clock;
    auto board =
        Board::create(*parse_board_choice(QStringLiteral("sim:") + backend.path(QStringLiteral("beat.bin"))), &clock);
    ASSERT_TRUE(board->start_driver().ok);
    struct Events : StationEvents {
        void result(int, const QString&, bool) override {}
    } events;
    std::atomic<bool> running{true};
    std::thread run([&] {
        station.run({board.get()}, {QStringLiteral("sim")}, events);
        running = false;
    });
    std::set<QString> beats;
    const QString sql = QStringLiteral("SELECT heartbeat_at FROM sessions WHERE station = 'beating'");
    while (running) {
        if (station.progress(0).state == QLatin1String("programming")) beats.insert(raw_sql(where, sql).toString());
        QThread::msleep(150);
    }
    run.join();
    board->stop_driver();
    EXPECT_EQ(station.ok_count(), 1);
    EXPECT_GE(beats.size(), 3u) << "heartbeats seen while the receiver was programmed";
    station.finish();
}

// ---- whole stations ----------------------------------------------------------

class Stations : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        base = backend.path(QStringLiteral("base.tbl"));
        ASSERT_TRUE(save_table_file(base, build_default_image()).ok);
        url = Backend::url(where);
    }
    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QRT58_SETTINGS"), backend.path(QStringLiteral("settings.ini")));
        e.insert(QStringLiteral("XDG_DATA_HOME"), backend.path(QStringLiteral("data")));
        return e;
    }
    std::unique_ptr<QProcess> start(const QStringList& args, std::function<void()> modifier = {}) const {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env());
        if (modifier) p->setChildProcessModifier(modifier);
        p->start(QStringLiteral(QRT58CLI), args);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    struct Done {
        int status;
        std::string out, err;
    };
    static Done finish(QProcess& p, int ms = 120000) {
        EXPECT_TRUE(p.waitForFinished(ms));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
                p.readAllStandardError().toStdString()};
    }
    Done run(const QStringList& args, std::function<void()> modifier = {}) const {
        return finish(*start(args, modifier));
    }
    QStringList job(const QString& name, const QString& range, const QStringList& boards) const {
        QStringList a{QStringLiteral("job"),
                      QStringLiteral("run"),
                      base,
                      QStringLiteral("--range"),
                      range,
                      QStringLiteral("--job"),
                      name,
                      QStringLiteral("--registry"),
                      url,
                      QStringLiteral("--virtual-clock")};
        for (const QString& b : boards) a << QStringLiteral("--board") << b;
        return a;
    }
    QString board(const QString& name) const { return QStringLiteral("sim-i2c:") + backend.path(name + ".bin"); }
    Census now() { return census(*registry); }
    // Until a station has taken a receiver (at most 30 s).
    void wait_until_programming() {
        QElapsedTimer timer;
        timer.start();
        while (now().results[QStringLiteral("programming")] == 0 && timer.elapsed() < 30000) QThread::msleep(20);
    }

    QString base, url;
};

TEST_F(Stations, EightStationsWithTwoBoardsEachShareOneJobWithoutADuplicate) {
    constexpr int kStations = 8, kReceivers = 800;
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int s = 0; s < kStations; ++s) {
        QStringList args = job(QStringLiteral("order-17"), QStringLiteral("100000:%1").arg(kReceivers),
                               {board(QStringLiteral("s%1a").arg(s)), board(QStringLiteral("s%1b").arg(s))});
        args << QStringLiteral("--station") << QStringLiteral("station-%1").arg(s);
        stations.push_back(start(args));
    }
    for (auto& p : stations) {
        const Done d = finish(*p);
        EXPECT_EQ(d.status, 0) << d.err;
    }
    const Census c = now();
    EXPECT_EQ(c.receivers, kReceivers);
    EXPECT_EQ(c.results.at(QStringLiteral("ok")), kReceivers);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    ASSERT_EQ(c.ok_capcodes.size(), static_cast<std::size_t>(kReceivers));
    EXPECT_EQ(*c.ok_capcodes.begin(), 100000);
    EXPECT_EQ(*c.ok_capcodes.rbegin(), 100000 + kReceivers - 1);
    // Stations share the job (one started late by a busy machine may find it done).
    EXPECT_GE(c.stations.size(), 2u);

    // The job again: nothing left, nothing programmed twice.
    const Done again =
        run(job(QStringLiteral("order-17"), QStringLiteral("100000:%1").arg(kReceivers), {board("late")}));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("800 of 800 receivers done; this station 0 ok"), std::string::npos) << again.out;
    const Done exported = run({QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                               QStringLiteral("--registry"), url});
    EXPECT_EQ(std::count(exported.out.begin(), exported.out.end(), '\n'), kReceivers + 1);
}

TEST_F(Stations, AtATerminalARoundIsOfferedOnlyWhileTheJobHasReceiversLeft) {
    const auto run_here = [&](const QStringList& args, const std::string& keys) {
        std::vector<std::string> a;
        for (const QString& s : args) a.push_back(s.toStdString());
        std::istringstream in(keys);
        std::ostringstream out, err;
        const qrt58::cli::Streams streams{in, out, err, false, true, false}; // the operator at the terminal
        const int status = qrt58::cli::run(a, streams);
        return Done{status, out.str(), err.str()};
    };
    const std::string question = "Put new receivers on the boards";
    const auto asked = [&](const Done& d) {
        int n = 0;
        for (std::size_t at = d.err.find(question); at != std::string::npos; at = d.err.find(question, at + 1)) ++n;
        return n;
    };
    // Two receivers on one board: two rounds, one question between them, none after the last.
    const Done two =
        run_here(job(QStringLiteral("rj2"), QStringLiteral("3000:2"), {board(QStringLiteral("t"))}), "\n\n\n");
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(asked(two), 1) << two.err;
    EXPECT_NE(two.out.find("Job rj2: 2 receivers (new), 0 done"), std::string::npos) << two.out;
    EXPECT_NE(two.out.find("Job rj2: 2 of 2 receivers done"), std::string::npos) << two.out;
    // One receiver: no question at all, and one receiver is one.
    const Done one = run_here(job(QStringLiteral("rj3"), QStringLiteral("3100:1"), {board(QStringLiteral("t"))}), "\n");
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(asked(one), 0) << one.err;
    EXPECT_NE(one.out.find("Job rj3: 1 receiver (new), 0 done"), std::string::npos) << one.out;
    EXPECT_NE(one.out.find("Job rj3: 1 of 1 receiver done"), std::string::npos) << one.out;
    // The operator stops with q: the receiver left stays for the next run.
    const Done stopped =
        run_here(job(QStringLiteral("rj4"), QStringLiteral("3200:2"), {board(QStringLiteral("t"))}), "q\n");
    EXPECT_EQ(asked(stopped), 1) << stopped.err;
    EXPECT_NE(stopped.out.find("Job rj4: 1 of 2 receivers done"), std::string::npos) << stopped.out;
}

TEST_F(Stations, AStationKilledInTheMiddleOfAReceiverLeavesItHeldAndTheJobResumes) {
    // On the real clock a receiver takes seconds on the simulated parallel-port board.
    auto victim =
        start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"), QStringLiteral("300:5"),
               QStringLiteral("--job"), QStringLiteral("k"), QStringLiteral("--registry"), url,
               QStringLiteral("--board"), QStringLiteral("sim:") + backend.path(QStringLiteral("slow.bin"))});
    wait_until_programming();
    ASSERT_EQ(now().results[QStringLiteral("programming")], 1);
    QThread::msleep(150);
    ::kill(static_cast<pid_t>(victim->processId()), SIGKILL);
    victim->waitForFinished();

    const Done resumed = run(job(QStringLiteral("k"), QStringLiteral("300:5"), {board("k1")}));
    EXPECT_EQ(resumed.status, 1) << "a receiver is held";
    EXPECT_NE(resumed.err.find("300 (died)"), std::string::npos) << resumed.err;
    Census c = now();
    EXPECT_EQ(c.results[QStringLiteral("died")], 1);
    EXPECT_EQ(c.results[QStringLiteral("ok")], 4);
    EXPECT_EQ(c.ok_capcodes.count(300), 0u);
    const Done shown = run(
        {QStringLiteral("registry"), QStringLiteral("show"), QStringLiteral("300"), QStringLiteral("--registry"), url});
    EXPECT_NE(shown.out.find("died"), std::string::npos) << shown.out;
    const Done unknown = run(
        {QStringLiteral("registry"), QStringLiteral("show"), QStringLiteral("299"), QStringLiteral("--registry"), url});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("capcode 299 is in no receiver"), std::string::npos) << unknown.err;

    EXPECT_EQ(run({QStringLiteral("registry"), QStringLiteral("release"), QStringLiteral("300"),
                   QStringLiteral("--registry"), url})
                  .status,
              0);
    const Done finished = run(job(QStringLiteral("k"), QStringLiteral("300:5"), {board("k1")}));
    EXPECT_EQ(finished.status, 0) << finished.err;
    c = now();
    EXPECT_EQ(c.results[QStringLiteral("ok")], 5);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
}

TEST_F(Stations, ADroppedDatabaseConnectionIsMadeAgainAndNoCapcodeIsIssuedTwice) {
    if (!on_postgres()) GTEST_SKIP() << "a server connection (PostgreSQL)";
    constexpr int kReceivers = 600;
    auto station =
        start(job(QStringLiteral("drop"), QStringLiteral("20000:%1").arg(kReceivers), {board("d1"), board("d2")})
              << QStringLiteral("--station") << QStringLiteral("dropper"));
    QElapsedTimer timer;
    timer.start();
    while (now().results[QStringLiteral("ok")] < 40 && timer.elapsed() < 30000) QThread::msleep(10);
    QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("dropper"));
    admin.setDatabaseName(where.database);
    ASSERT_TRUE(admin.open());
    QSqlQuery q(admin);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                                      "application_name LIKE 'qrt58_dropper%'")));
    ASSERT_TRUE(q.next());
    EXPECT_GE(q.value(0).toInt(), 1);
    q.finish();
    admin.close();
    const int ok_at_drop = now().results[QStringLiteral("ok")];
    EXPECT_LT(ok_at_drop, kReceivers) << "the job ended before the drop";
    const Done d = finish(*station);
    Census c = now();
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    EXPECT_EQ(c.results[QStringLiteral("programming")], 0);
    // Every receiver is done, or held when the drop hid a commit's outcome.
    EXPECT_EQ(c.results[QStringLiteral("ok")] + c.results[QStringLiteral("stopped")], kReceivers) << d.err;
    EXPECT_EQ(d.status == 0, c.results[QStringLiteral("stopped")] == 0) << d.err;
}

TEST_F(Stations, AFullDiskStopsTheStationAndTheJobResumesWithoutADuplicate) {
    if (on_postgres()) GTEST_SKIP() << "the registry file (SQLite)";
    constexpr int kReceivers = 40;
    const auto full_disk = [] {
        rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
    };
    registry.reset(); // the station makes the database
    const Done stopped =
        run(job(QStringLiteral("disk"), QStringLiteral("40000:%1").arg(kReceivers), {board("f1")}), full_disk);
    EXPECT_EQ(stopped.status, 1);
    EXPECT_FALSE(stopped.err.empty());
    QString error;
    registry = Registry::open(where, &error);
    ASSERT_TRUE(registry) << error.toStdString();
    const int ok_before = now().results[QStringLiteral("ok")];
    EXPECT_LT(ok_before, kReceivers) << stopped.out;
    EXPECT_GT(ok_before, 0) << "the disk filled up before the first receiver: " << stopped.err;

    // Room again: the job resumes; a receiver cut off stays held until released.
    const Done resumed = run(job(QStringLiteral("disk"), QStringLiteral("40000:%1").arg(kReceivers), {board("f1")}));
    Census c = now();
    EXPECT_EQ(c.results[QStringLiteral("programming")], 0);
    const int held = c.results[QStringLiteral("died")] + c.results[QStringLiteral("stopped")];
    EXPECT_EQ(c.results[QStringLiteral("ok")] + held, kReceivers) << resumed.err;
    EXPECT_EQ(resumed.status == 0, held == 0);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    JobCounts counts;
    for (const ReceiverRecord& r : [&] {
             std::vector<ReceiverRecord> list;
             registry->for_each_receiver([&](const ReceiverRecord& rec) { list.push_back(rec); });
             return list;
         }()) {
        if (r.result == QLatin1String("ok")) continue;
        QString message;
        EXPECT_TRUE(registry->release(capcode_list(r.capcodes).front(), message)) << message.toStdString();
    }
    EXPECT_EQ(run(job(QStringLiteral("disk"), QStringLiteral("40000:%1").arg(kReceivers), {board("f1")})).status, 0);
    c = now();
    EXPECT_EQ(c.results[QStringLiteral("ok")], kReceivers);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    (void)counts;
}

// The bus trace never goes over a file the run uses (links included): the run
// is refused before anything is opened for writing.
TEST_F(Stations, TheTraceGoesOverNoFileOfTheJob) {
    const QString rows = backend.path(QStringLiteral("rows.csv"));
    {
        QFile f(rows);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("capcodes.1.capcode\n6100\n6101\n");
    }
    const QString memory = backend.path(QStringLiteral("t.bin"));
    ASSERT_EQ(run(job(QStringLiteral("t0"), QStringLiteral("6000:1"), {QStringLiteral("sim:") + memory})).status, 0);
    const QString link = backend.path(QStringLiteral("base-link.tbl"));
    ASSERT_EQ(::link(QFile::encodeName(base).constData(), QFile::encodeName(link).constData()), 0);
    const bool sqlite = !on_postgres();
    struct Case {
        const char* name;
        QString trace;
        QString victim; // the file that must stay as it is
    };
    const std::vector<Case> cases = {
        {"the base table", base, base},
        {"a hard link of the base table", link, base},
        {"the rows file", rows, rows},
        {"the receiver file", memory, memory},
        {"the registry", sqlite ? where.path : QString(), where.path},
        {"the registry's log", sqlite ? where.path + QStringLiteral("-wal") : QString(),
         where.path + QStringLiteral("-wal")},
    };
    const int receivers = now().receivers;
    for (const Case& c : cases) {
        if (c.trace.isEmpty()) continue;
        SCOPED_TRACE(c.name);
        const QByteArray before = file_digest(c.victim);
        QStringList args = job(QStringLiteral("t1"), QStringLiteral("6200:2"), {QStringLiteral("sim:") + memory});
        if (c.victim == rows) {
            args[3] = QStringLiteral("--rows");
            args[4] = rows;
        }
        args << QStringLiteral("--trace-vcd") << c.trace;
        const Done d = run(args);
        EXPECT_NE(d.status, 0);
        EXPECT_NE(d.err.find("give each its own file"), std::string::npos) << d.err;
        EXPECT_EQ(file_digest(c.victim), before);
    }
    EXPECT_EQ(now().receivers, receivers) << "nothing programmed";
    // A trace of its own is written.
    const Done traced = run(job(QStringLiteral("t2"), QStringLiteral("6300:1"), {QStringLiteral("sim:") + memory})
                            << QStringLiteral("--trace-vcd") << backend.path(QStringLiteral("bus.vcd")));
    EXPECT_EQ(traced.status, 0) << traced.err;
    EXPECT_GT(QFileInfo(backend.path(QStringLiteral("bus.vcd"))).size(), 0);
}

// A station paused in the middle of a receiver (Ctrl+Z, a suspended laptop):
// alive on this host, it keeps its receiver; taken for dead on another host,
// its receiver is programmed again by another station, and its own late
// result is refused instead of recorded as a second "ok".
TEST_F(Stations, APausedStationNeverLeavesACapcodeTwice) {
    auto paused = start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"),
                         QStringLiteral("300:3"), QStringLiteral("--job"), QStringLiteral("p"),
                         QStringLiteral("--registry"), url, QStringLiteral("--station"), QStringLiteral("paused"),
                         QStringLiteral("--board"), QStringLiteral("sim:") + backend.path(QStringLiteral("slow.bin"))});
    wait_until_programming();
    ASSERT_EQ(now().results[QStringLiteral("programming")], 1);
    ::kill(static_cast<pid_t>(paused->processId()), SIGSTOP);
    QThread::msleep(1100);
    ASSERT_TRUE(registry->begin_session(QStringLiteral("next"), QSysInfo::machineHostName(),
                                        QCoreApplication::applicationPid()));
    EXPECT_EQ(registry->reap_interrupted(1), 0) << "a paused process on this host is alive";
    // The same station as seen from another host: its heartbeat is all there is.
    raw_sql(where, QStringLiteral("UPDATE sessions SET host = 'elsewhere.example' WHERE station = 'paused'"));
    EXPECT_EQ(registry->reap_interrupted(1), 1);
    EXPECT_EQ(run({QStringLiteral("registry"), QStringLiteral("release"), QStringLiteral("300"),
                   QStringLiteral("--registry"), url})
                  .status,
              0);
    const Done other = run(job(QStringLiteral("p"), QStringLiteral("300:3"), {board("p2")}));
    EXPECT_EQ(other.status, 0) << other.err;
    ::kill(static_cast<pid_t>(paused->processId()), SIGCONT);
    const Done late = finish(*paused);
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(late.err.find("not recorded"), std::string::npos) << late.err;
    const Census c = now();
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
    EXPECT_EQ(c.results.at(QStringLiteral("ok")), 3);
    EXPECT_EQ(c.results.at(QStringLiteral("died")), 1);
}

// A receiver file created by another program that has not filled it yet (or
// was killed before it could) is taken as new, not refused for good.
TEST_F(Stations, AnEmptyReceiverFileIsTakenAsNew) {
    const QString memory = backend.path(QStringLiteral("empty.bin"));
    // The other creator: the file made, nothing in it yet.
    const int fd = ::open(QFile::encodeName(memory).constData(), O_RDWR | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const Done d = run(job(QStringLiteral("e"), QStringLiteral("6500:1"), {QStringLiteral("sim-i2c:") + memory}));
    EXPECT_EQ(d.status, 0) << d.err;
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    EXPECT_EQ(st.st_size, kImageSize);
    ::close(fd);
}

// A save cut short by the file-size limit fails with its reason and keeps the
// table file; the program is not ended by the kernel's signal half-way.
TEST_F(Stations, ASaveOverTheFileSizeLimitKeepsTheTableFile) {
    QDir(backend.path(QString())).mkpath(QStringLiteral("limited"));
    const QString table = backend.path(QStringLiteral("limited/t.tbl"));
    ASSERT_TRUE(QFile::copy(base, table));
    const QByteArray before = file_digest(table);
    const auto small_limit = [] {
        rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const Done d = run({QStringLiteral("set"), table, QStringLiteral("capcodes.1.capcode=1234")}, small_limit);
    EXPECT_EQ(d.status, 1) << "ended by a signal: " << d.err;
    EXPECT_FALSE(d.err.empty());
    EXPECT_EQ(file_digest(table), before);
    EXPECT_EQ(QDir(backend.path(QStringLiteral("limited"))).entryList(QDir::Files),
              QStringList{QStringLiteral("t.tbl")});
}

// Names other stations chose reach the terminal escaped; the export quotes a
// field with a carriage return.
TEST_F(Stations, RegistryTextIsEscapedOnTheTerminalAndQuotedInTheExport) {
    ASSERT_TRUE(registry->begin_session(QStringLiteral("evil\x1b]0;title\x07\r"), QStringLiteral("h"),
                                        QCoreApplication::applicationPid()));
    const JobOpen job = registry->open_job(spec_of(QStringLiteral("job\x1b[2J"), 9100, 1));
    ASSERT_TRUE(job.ok);
    TakenReceiver t;
    ASSERT_EQ(registry->take_next(job.job_id, QStringLiteral("b"), t), TakeStatus::Taken);
    ASSERT_TRUE(registry->finish(t.receiver_id, ReceiverResult::VerifyError, {9100}, QStringLiteral("aa")));
    for (const char* action : {"show", "release"}) {
        SCOPED_TRACE(action);
        const Done shown = run({QStringLiteral("registry"), QString::fromLatin1(action), QStringLiteral("9100"),
                                QStringLiteral("--registry"), url});
        EXPECT_EQ(shown.status, 0) << shown.err;
        EXPECT_EQ((shown.out + shown.err).find('\x1b'), std::string::npos) << shown.out;
        EXPECT_EQ((shown.out + shown.err).find('\r'), std::string::npos) << shown.out;
    }
    EXPECT_NE(run({QStringLiteral("registry"), QStringLiteral("show"), QStringLiteral("9100"),
                   QStringLiteral("--registry"), url})
                  .out.find("evil\\x1B]0;title\\x07\\x0D"),
              std::string::npos);
    const Done exported = run({QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                               QStringLiteral("--registry"), url});
    EXPECT_NE(exported.out.find(",\"evil\x1b]0;title\x07\r\","), std::string::npos) << exported.out;
    // A job that refuses a row echoes its cell escaped too.
    const QString rows = backend.path(QStringLiteral("evil.csv"));
    QFile f(rows);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("capcodes.1.capcode\n12\x1b[31m\n");
    f.close();
    const Done refused = run({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--rows"), rows,
                              QStringLiteral("--registry"), url});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.find('\x1b'), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("\\x1B[31m"), std::string::npos) << refused.err;
}

// Names that name nothing, or too much, are refused before anything happens;
// no server notice reaches the operator.
TEST_F(Stations, EmptyAndOverlongNamesAreRefused) {
    const QStringList refusals[] = {
        {QStringLiteral("--job"), QString()},
        {QStringLiteral("--station"), QStringLiteral(" ")},
        {QStringLiteral("--station"), QString(kMaxStationName + 1, 's')},
    };
    for (const QStringList& extra : refusals) {
        SCOPED_TRACE(extra.join(' ').left(20).toStdString());
        const Done d = run(job(QStringLiteral("names"), QStringLiteral("6600:1"), {board("n")}) << extra);
        EXPECT_NE(d.status, 0);
        EXPECT_NE(d.err.find(extra[0] == QLatin1String("--job") ? "--job takes a name" : "station"), std::string::npos)
            << d.err;
    }
    // A range past the largest capcode: one line at once.
    const Done huge = run(job(QStringLiteral("names"), QStringLiteral("1:1000000:9223372036854775807"), {board("n")}));
    EXPECT_EQ(huge.status, 2);
    EXPECT_EQ(std::count(huge.err.begin(), huge.err.end(), '\n'), 1) << huge.err;
    EXPECT_NE(huge.err.find("goes past the largest capcode"), std::string::npos) << huge.err;
    EXPECT_TRUE(huge.out.empty()) << huge.out.substr(0, 200);
    EXPECT_EQ(now().receivers, 0);
    const QString longest(kMaxStationName, 's');
    for (int pass = 0; pass < 2; ++pass) {
        const Done d = run(job(QStringLiteral("names"), QStringLiteral("6600:1"), {board("n")})
                           << QStringLiteral("--station") << longest);
        EXPECT_EQ(d.status, 0) << d.err;
        EXPECT_EQ(d.err.find("NOTICE"), std::string::npos) << d.err;
    }
    EXPECT_EQ(*now().stations.begin(), longest);
}

// Ctrl+C lets the board finish its receiver and says what was stopped.
TEST_F(Stations, CtrlCSaysWhatWasStopped) {
    auto station =
        start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"), QStringLiteral("400:3"),
               QStringLiteral("--job"), QStringLiteral("c"), QStringLiteral("--registry"), url,
               QStringLiteral("--board"), QStringLiteral("sim:") + backend.path(QStringLiteral("c.bin"))});
    wait_until_programming();
    ::kill(static_cast<pid_t>(station->processId()), SIGINT);
    const Done d = finish(*station);
    EXPECT_EQ(d.status, 1);
    EXPECT_NE(d.err.find("stopped by Ctrl+C"), std::string::npos) << d.err;
    Census c = now();
    EXPECT_EQ(c.results[QStringLiteral("ok")], 1) << "the receiver begun is finished";
    EXPECT_EQ(c.results[QStringLiteral("programming")], 0);
}

// Bad input: refused before any receiver is programmed, with the line.
TEST_F(Stations, BadRowsAreRefusedWithTheirLineAndNothingIsProgrammed) {
    // A job that holds 4000..4004 in the registry.
    ASSERT_EQ(run(job(QStringLiteral("held"), QStringLiteral("4000:5"), {board("h")})).status, 0);
    struct Case {
        const char* name;
        const char* csv; // empty: the range below
        const char* range;
        const char* expected;
    };
    const Case cases[] = {
        {"unknown setting", "capcodes.1.capcode,prompts.0.colour\n3000,x\n", nullptr,
         "rows.csv line 1: prompts.0.colour=x: no setting"},
        {"refused value", "capcodes.1.capcode\n3001\nabc\n", nullptr,
         "rows.csv line 3: capcodes.1.capcode=abc: Please insert a numeric!"},
        {"duplicate in the job", "capcodes.1.capcode,prompts.1.text\n3002,A\n3003,B\n\n3002,C\n", nullptr,
         "rows.csv line 5: capcode 3002 is already in the job (rows.csv line 2)"},
        {"held by another job", "capcodes.1.capcode\n4100\n4003\n", nullptr,
         "rows.csv line 3: capcode 4003 is held for job 'held'"},
        {"ragged row", "capcodes.1.capcode,prompts.1.text\n3004,A\n3005\n", nullptr,
         "rows.csv line 3: 1 fields, the header names 2"},
        {"no own capcode", "prompts.1.text\nA\n", nullptr, "rows.csv line 1: no capcodes.N.capcode column"},
        {"quoting", "capcodes.1.capcode,prompts.1.text\n3006,\"A\"B\n", nullptr,
         "rows.csv line 2: text after the closing quote"},
        {"range onto the short limit", nullptr, "2031611:5",
         "receiver 5 of the range: capcodes.1.capcode=2031615: Invalid Capcode!"},
        {"range into another job", nullptr, "3990:12", "receiver 11 of the range: capcode 4000 is held for job 'held'"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString memory = board(QStringLiteral("bad%1").arg(++n));
        QStringList args{QStringLiteral("job"),
                         QStringLiteral("run"),
                         base,
                         QStringLiteral("--job"),
                         QStringLiteral("bad%1").arg(n),
                         QStringLiteral("--registry"),
                         url,
                         QStringLiteral("--board"),
                         memory,
                         QStringLiteral("--virtual-clock")};
        if (c.csv) {
            const QString rows = backend.path(QStringLiteral("rows.csv"));
            QFile f(rows);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.csv);
            f.close();
            args << QStringLiteral("--rows") << rows;
        } else {
            args << QStringLiteral("--range") << QString::fromLatin1(c.range);
        }
        const Done d = run(args);
        EXPECT_EQ(d.status, 1);
        EXPECT_NE(d.err.find(c.expected), std::string::npos) << d.err;
        EXPECT_NE(d.err.find("nothing programmed"), std::string::npos) << d.err;
        EXPECT_FALSE(QFile::exists(memory.mid(8))) << "a board was touched";
    }
    EXPECT_EQ(now().receivers, 5) << "only the first job's receivers";
}

} // namespace

int main(int argc, char** argv) {
    // The window's station runs here too (offscreen); its production log goes
    // to a data folder of this run's own.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data_home;
    qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

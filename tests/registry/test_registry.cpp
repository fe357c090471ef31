// The production registry against a real database (SQLite here, PostgreSQL
// when the program runs under pg_virtualenv): the schema and its migrations,
// allocation, release, interrupted stations; then whole stations as separate
// qrt58cli processes: many at once on one job, one killed in the middle of a
// receiver, a dropped connection, a full disk, and input refused before
// anything is programmed.
#include "registry_backend.h"

#include "cli.h"
#include "default_image.h"
#include "table_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <sstream>
#include <sys/resource.h>

using namespace qrt58;
using namespace qrt58::test;

namespace {

JobSpec spec_of(const QString& name, qint64 first, int count) {
    JobSpec s;
    s.name = name;
    s.base_image = QByteArray(kImageSize, '\0');
    s.plan_sha256 = QStringLiteral("%1-%2-%3").arg(name).arg(first).arg(count);
    for (int i = 0; i < count; ++i) s.items.push_back({i + 1, QStringLiteral("capcodes.1.capcode=%1").arg(first + i), {first + i}});
    return s;
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
        QSqlDatabase db = QSqlDatabase::addDatabase(
            where.kind == RegistryLocation::Kind::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"),
            QStringLiteral("raw"));
        if (where.kind == RegistryLocation::Kind::Sqlite) db.setDatabaseName(where.path);
        else {
            db.setHostName(where.host);
            db.setPort(where.port);
            db.setUserName(where.user);
            db.setDatabaseName(where.database);
        }
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        if (drop_indexes) {
            for (const char* index : {"issued_item", "receivers_result", "receivers_job", "job_items_free"})
                ASSERT_TRUE(q.exec(QStringLiteral("DROP INDEX %1").arg(QLatin1String(index))))
                    << q.lastError().text().toStdString();
        }
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(version)));
        q.finish();
        db.close();
    };
    // A database left at version 1 gets the steps after it.
    set_version(1, true);
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    {
        QString error;
        auto migrated = Registry::open(where, &error);
        ASSERT_TRUE(migrated) << error.toStdString();
        EXPECT_EQ(migrated->schema_version(), 2);
    }
    set_version(Registry::kSchemaVersion + 1, false);
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
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
                        QString::fromLatin1(QUrl::toPercentEncoding(folder)) + ':' + QString::number(where.port) +
                        '/' + where.database + QStringLiteral("?application_name=qrt58-socket&connect_timeout=5");
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
                                          "'qrt58-socket' AND client_addr IS NULL")) && q.next());
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
    ASSERT_TRUE(other->begin_session(QStringLiteral("live"), QSysInfo::machineHostName(),
                                     QCoreApplication::applicationPid()));
    EXPECT_EQ(other->reap_interrupted(), 1);
    EXPECT_EQ(other->reap_interrupted(), 0);
    const auto held = other->held(job.job_id);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].result, QStringLiteral("died"));
    TakenReceiver next;
    ASSERT_EQ(other->take_next(job.job_id, QStringLiteral("b"), next), TakeStatus::Taken);
    EXPECT_EQ(next.item, 1) << "the died receiver's capcode is not reused";
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
    Done run(const QStringList& args, std::function<void()> modifier = {}) const { return finish(*start(args, modifier)); }
    QStringList job(const QString& name, const QString& range, const QStringList& boards) const {
        QStringList a{QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"), range,
                      QStringLiteral("--job"), name, QStringLiteral("--registry"), url, QStringLiteral("--virtual-clock")};
        for (const QString& b : boards) a << QStringLiteral("--board") << b;
        return a;
    }
    QString board(const QString& name) const { return QStringLiteral("sim-i2c:") + backend.path(name + ".bin"); }
    Census now() { return census(*registry); }

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
    const Done again = run(job(QStringLiteral("order-17"), QStringLiteral("100000:%1").arg(kReceivers), {board("late")}));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("800 of 800 receivers done; this station 0 ok"), std::string::npos) << again.out;
    const Done exported = run({QStringLiteral("registry"), QStringLiteral("export"), QStringLiteral("--csv"),
                               QStringLiteral("--registry"), url});
    EXPECT_EQ(std::count(exported.out.begin(), exported.out.end(), '\n'), kReceivers + 1);
}

TEST_F(Stations, AStationKilledInTheMiddleOfAReceiverLeavesItHeldAndTheJobResumes) {
    // On the real clock a receiver takes seconds on the simulated parallel-port board.
    auto victim = start({QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--range"),
                         QStringLiteral("300:5"), QStringLiteral("--job"), QStringLiteral("k"), QStringLiteral("--registry"),
                         url, QStringLiteral("--board"), QStringLiteral("sim:") + backend.path(QStringLiteral("slow.bin"))});
    QElapsedTimer timer;
    timer.start();
    while (now().results[QStringLiteral("programming")] == 0 && timer.elapsed() < 30000) QThread::msleep(20);
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
    const Done shown = run({QStringLiteral("registry"), QStringLiteral("show"), QStringLiteral("300"),
                            QStringLiteral("--registry"), url});
    EXPECT_NE(shown.out.find("died"), std::string::npos) << shown.out;
    const Done unknown = run({QStringLiteral("registry"), QStringLiteral("show"), QStringLiteral("299"),
                              QStringLiteral("--registry"), url});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("capcode 299 is in no receiver"), std::string::npos) << unknown.err;

    EXPECT_EQ(run({QStringLiteral("registry"), QStringLiteral("release"), QStringLiteral("300"), QStringLiteral("--registry"), url}).status, 0);
    const Done finished = run(job(QStringLiteral("k"), QStringLiteral("300:5"), {board("k1")}));
    EXPECT_EQ(finished.status, 0) << finished.err;
    c = now();
    EXPECT_EQ(c.results[QStringLiteral("ok")], 5);
    EXPECT_EQ(duplicates(c.ok_capcodes), 0);
}

TEST_F(Stations, ADroppedDatabaseConnectionIsMadeAgainAndNoCapcodeIsIssuedTwice) {
    if (!on_postgres()) GTEST_SKIP() << "a server connection (PostgreSQL)";
    constexpr int kReceivers = 600;
    auto station = start(job(QStringLiteral("drop"), QStringLiteral("20000:%1").arg(kReceivers), {board("d1"), board("d2")})
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
    const Done stopped = run(job(QStringLiteral("disk"), QStringLiteral("40000:%1").arg(kReceivers), {board("f1")}), full_disk);
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
        {"unknown setting", "capcodes.1.capcode,prompts.0.colour\n3000,x\n", nullptr, "rows.csv line 1: prompts.0.colour=x: no setting"},
        {"refused value", "capcodes.1.capcode\n3001\nabc\n", nullptr, "rows.csv line 3: capcodes.1.capcode=abc: Please insert a numeric!"},
        {"duplicate in the job", "capcodes.1.capcode,prompts.1.text\n3002,A\n3003,B\n\n3002,C\n", nullptr,
         "rows.csv line 5: capcode 3002 is already in the job (rows.csv line 2)"},
        {"held by another job", "capcodes.1.capcode\n4100\n4003\n", nullptr, "rows.csv line 3: capcode 4003 is held for job 'held'"},
        {"ragged row", "capcodes.1.capcode,prompts.1.text\n3004,A\n3005\n", nullptr, "rows.csv line 3: 1 fields, the header names 2"},
        {"no own capcode", "prompts.1.text\nA\n", nullptr, "rows.csv line 1: no capcodes.N.capcode column"},
        {"quoting", "capcodes.1.capcode,prompts.1.text\n3006,\"A\"B\n", nullptr, "rows.csv line 2: text after the closing quote"},
        {"range past the short limit", nullptr, "2031612:5", "receiver 4 of the range: capcodes.1.capcode=2031615: Invalid Capcode!"},
        {"range into another job", nullptr, "3990:12", "receiver 11 of the range: capcode 4000 is held for job 'held'"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString memory = board(QStringLiteral("bad%1").arg(++n));
        QStringList args{QStringLiteral("job"), QStringLiteral("run"), base, QStringLiteral("--job"),
                         QStringLiteral("bad%1").arg(n), QStringLiteral("--registry"), url,
                         QStringLiteral("--board"), memory, QStringLiteral("--virtual-clock")};
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
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

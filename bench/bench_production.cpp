// Production figures: receivers per hour of a job on 1, 2, 4 and 8 simulated
// I2C adapters (100 kHz, the real clock, one worker thread each), and what the
// registry costs per receiver (allocation and result, each a transaction
// committed to the disk) on SQLite and, when a server is at hand (make bench
// starts one with pg_virtualenv), PostgreSQL.
#include "board.h"
#include "cli_set.h"
#include "default_image.h"
#include "i2c_bus.h"
#include "job_station.h"
#include "registry.h"
#include "sim_i2c.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <QFile>

#include <chrono>
#include <cstdio>
#include <optional>
#include <unistd.h>

using namespace qrt58;

namespace {

struct Quiet : StationEvents {
    void result(int, const QString& line, bool good) override {
        if (!good) std::fprintf(stderr, "%s\n", qPrintable(line));
    }
};

ApplySettings set_rules() {
    return [](PagerTable& image, const std::vector<std::string>& assignments, std::string& error) {
        return cli::apply_assignments(image, assignments, error);
    };
}

// Receivers per hour with `boards` adapters, each programming `per_board`.
double receivers_per_hour(int boards, int per_board, const QString& folder, qint64 first) {
    RegistryLocation where;
    where.path = folder + QStringLiteral("/boards-%1.sqlite").arg(boards);
    JobPlan plan;
    plan.name = QStringLiteral("bench-%1").arg(boards);
    plan.base = build_default_image();
    plan_range(plan, {first, boards * per_board, 1});
    if (!check_job(plan, set_rules()).empty()) return 0;
    StationOptions options;
    options.registry = where;
    options.station = QStringLiteral("bench");
    options.host = QStringLiteral("bench");
    options.apply = set_rules();
    JobStation station(plan, options);
    QString error;
    std::vector<JobProblem> problems;
    if (!station.prepare(error, problems)) {
        std::fprintf(stderr, "registry: %s\n", qPrintable(error));
        return 0;
    }
    std::vector<std::unique_ptr<SteadyClock>> clocks;
    std::vector<std::unique_ptr<Board>> owned;
    std::vector<Board*> list;
    QStringList labels;
    for (int b = 0; b < boards; ++b) {
        clocks.push_back(std::make_unique<SteadyClock>());
        auto adapter = std::make_unique<SimI2cAdapter>(*clocks.back(), 100000);
        adapter->blocking = true;
        auto board =
            std::make_unique<Board>(std::move(adapter), QStringLiteral("/dev/i2c-sim%1").arg(b), clocks.back().get());
        board->start_driver();
        list.push_back(board.get());
        labels << QStringLiteral("sim%1").arg(b);
        owned.push_back(std::move(board));
    }
    Quiet quiet;
    const auto t0 = std::chrono::steady_clock::now();
    station.run(list, labels, quiet);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    station.finish();
    if (station.ok_count() != boards * per_board) std::fprintf(stderr, "only %d receivers ok\n", station.ok_count());
    return station.ok_count() * 3600.0 / wall;
}

// Milliseconds the registry adds per receiver: take + finish, one after another.
double registry_ms(const RegistryLocation& where, int receivers) {
    QString error;
    auto registry = Registry::open(where, &error);
    if (!registry) {
        std::fprintf(stderr, "registry: %s\n", qPrintable(error));
        return -1;
    }
    registry->begin_session(QStringLiteral("bench"), QStringLiteral("bench"), QCoreApplication::applicationPid());
    JobSpec job_order;
    job_order.name = QStringLiteral("cost");
    job_order.base_image = QByteArray(kImageSize, '\0');
    job_order.plan_sha256 = QStringLiteral("cost");
    for (int i = 0; i < receivers; ++i) job_order.items.push_back({i + 1, QString(), {900000 + i}});
    const JobOpen job = registry->open_job(job_order);
    if (!job.ok) return -1;
    const auto t0 = std::chrono::steady_clock::now();
    // As a board does: each receiver's result goes in with the allocation of the next.
    std::optional<FinishedReceiver> previous;
    for (int i = 0; i < receivers; ++i) {
        TakenReceiver taken;
        if (registry->take_next(job.job_id, QStringLiteral("b"), taken, previous ? &*previous : nullptr) !=
            TakeStatus::Taken)
            return -1;
        previous = FinishedReceiver{taken.receiver_id, ReceiverResult::Ok, {900000 + i}, QStringLiteral("0")};
    }
    if (!registry->finish(previous->receiver_id, previous->result, previous->capcodes, previous->image_sha256))
        return -1;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    registry->end_session();
    return wall * 1000.0 / receivers;
}

// What one flush to the disk costs here: the floor under a committed transaction.
double flush_ms(const QString& folder) {
    QFile f(folder + QStringLiteral("/flush.bin"));
    if (!f.open(QIODevice::WriteOnly)) return -1;
    const QByteArray page(4096, 'x');
    constexpr int kFlushes = 50;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kFlushes; ++i) {
        f.write(page);
        f.flush();
        ::fdatasync(f.handle());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() * 1000.0 / kFlushes;
}

} // namespace

void production_figures() {
    std::printf("\nProduction job on simulated I2C adapters (100 kHz, 5 ms write cycle, real clock, "
                "registry on SQLite)\n");
    std::printf("%-7s %15s %10s\n", "boards", "receivers/hour", "vs 1 board");
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/qrt58-bench-XXXXXX"));
    double one = 0;
    qint64 first = 10000;
    for (const int boards : {1, 2, 4, 8}) {
        const double rate = receivers_per_hour(boards, 3, folder.path(), first);
        first += 1000;
        if (boards == 1) one = rate;
        std::printf("%-7d %15.0f %9.2fx\n", boards, rate, one > 0 ? rate / one : 0.0);
    }
    std::printf("Target: 4 boards at least 3.5x the rate of one.\n");

    std::printf("\nRegistry cost per receiver (its result and the next allocation in one commit), 300 "
                "receivers\n");
    RegistryLocation sqlite;
    sqlite.path = folder.filePath(QStringLiteral("cost.sqlite"));
    std::printf("%-12s %8.2f ms  (%s; one flush to that disk takes %.2f ms)\n", "SQLite", registry_ms(sqlite, 300),
                qPrintable(QDir::tempPath()), flush_ms(folder.path()));
    if (postgres_environment()) {
        RegistryLocation pg;
        pg.kind = RegistryLocation::Kind::Postgres;
        pg.database = QStringLiteral("qrt58_bench_%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
            admin.setDatabaseName(QStringLiteral("postgres"));
            if (admin.open()) QSqlQuery(admin).exec(QStringLiteral("CREATE DATABASE ") + pg.database);
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
        std::printf("%-12s %8.2f ms  (%s)\n", "PostgreSQL", registry_ms(pg, 300),
                    qPrintable(qEnvironmentVariable("PGHOST", QStringLiteral("local socket"))));
    } else {
        std::printf("%-12s not measured: no PG* variables (make bench starts a throwaway server)\n", "PostgreSQL");
    }
    std::printf("Target: under 5 ms per receiver.\n");
}

// The database the registry tests run against: SQLite in a temporary folder,
// or, with QRT58_TEST_REGISTRY=postgresql (set by the CTest entry that runs the
// program under pg_virtualenv), a fresh database per test in the throwaway
// PostgreSQL cluster, reached through the PG* variables pg_virtualenv sets.
#pragma once

#include "registry.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace qrt58::test {

inline bool on_postgres() { return qEnvironmentVariable("QRT58_TEST_REGISTRY") == QLatin1String("postgresql"); }

// A folder on a memory file system when there is one: the tests check the
// registry's logic, and a disk's flushes would only make them slow (the
// benchmark measures those).
inline QString scratch_root() {
    const QDir shm(QStringLiteral("/dev/shm"));
    if (shm.exists() && QFileInfo(shm.path()).isWritable()) return shm.path() + QStringLiteral("/qrt58-test-XXXXXX");
    return QDir::tempPath() + QStringLiteral("/qrt58-test-XXXXXX");
}

class Backend {
public:
    Backend() : dir_(scratch_root()) {}

    // Makes the database (a new one each call on PostgreSQL).
    RegistryLocation create() {
        RegistryLocation where;
        if (!on_postgres()) {
            where.path = dir_.filePath(QStringLiteral("registry-%1.sqlite").arg(++count_));
            return where;
        }
        where.kind = RegistryLocation::Kind::Postgres;
        where.host = qEnvironmentVariable("PGHOST", QStringLiteral("localhost"));
        where.port = qEnvironmentVariable("PGPORT", QStringLiteral("5432")).toInt();
        where.user = qEnvironmentVariable("PGUSER", QStringLiteral("postgres"));
        where.database = QStringLiteral("qrt58_%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("qrt58-test-admin"));
            admin.setDatabaseName(QStringLiteral("postgres"));
            EXPECT_TRUE(admin.open()) << admin.lastError().text().toStdString()
                                      << " (is this run under pg_virtualenv?)";
            QSqlQuery q(admin);
            EXPECT_TRUE(q.exec(QStringLiteral("CREATE DATABASE ") + where.database))
                << q.lastError().text().toStdString();
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("qrt58-test-admin"));
        return where;
    }

    // As --registry takes it.
    static QString url(const RegistryLocation& where) {
        if (where.kind == RegistryLocation::Kind::Sqlite) return QStringLiteral("sqlite:") + where.path;
        return QStringLiteral("postgresql://%1@%2:%3/%4")
            .arg(where.user, where.host)
            .arg(where.port)
            .arg(where.database);
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    bool ok() const { return dir_.isValid(); }

private:
    QTemporaryDir dir_;
    int count_ = 0;
};

// What the registry holds, for the checks.
struct Census {
    int receivers = 0;
    std::map<QString, int> results;    // result -> receivers
    std::multiset<qint64> ok_capcodes; // own capcodes of the receivers programmed ok
    std::set<QString> stations;
};

inline Census census(Registry& r) {
    Census c;
    r.for_each_receiver([&](const ReceiverRecord& rec) {
        ++c.receivers;
        ++c.results[rec.result];
        c.stations.insert(rec.station);
        if (rec.result == QLatin1String("ok"))
            for (const qint64 v : capcode_list(rec.capcodes)) c.ok_capcodes.insert(v);
    });
    return c;
}

inline int duplicates(const std::multiset<qint64>& values) {
    int n = 0;
    for (auto it = values.begin(); it != values.end(); it = values.upper_bound(*it))
        n += static_cast<int>(values.count(*it)) - 1;
    return n;
}

} // namespace qrt58::test

// The registry's side of production outside jobs (the window's station and
// `qrt58cli write --count`): a receiver's own capcodes are claimed against the
// same unique key of `issued` that jobs allocate with, so no path can program
// a capcode that another path has.
#include "registry.h"
#include "registry_rows.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace qrt58 {
namespace {

// `issued` rows of receivers outside any job carry this job id (jobs count from 1).
constexpr qint64 kNoJob = 0;

// Serialises claims with the making of jobs on PostgreSQL (the lock open_job
// takes): a job never reserves a capcode a claim is taking, nor the reverse.
// SQLite's write lock (BEGIN IMMEDIATE) does the same there.
const char* const kJobsLock = "SELECT pg_advisory_xact_lock(5851959)";

// "2026-12-09 10:15:02 UTC" from the stored ISO time.
QString shown_time(const QString& stored) {
    const QDateTime t = QDateTime::fromString(stored, Qt::ISODateWithMs);
    return t.isValid() ? t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'")) : stored;
}

} // namespace

QString capcode_holder_text(const CapcodeHolder& holder) {
    if (!holder.receiver_holds) return QStringLiteral("is held for job '%1'").arg(holder.job);
    const ReceiverRecord& r = holder.receiver;
    const QString which = r.job.isEmpty()
                              ? QStringLiteral("receiver %1 of %2 of a production run").arg(r.number).arg(r.of)
                              : QStringLiteral("receiver %1 of %2 of job %3").arg(r.number).arg(r.of).arg(r.job);
    const QString where = QStringLiteral("at station %1 on board %2 (%3)").arg(r.station, r.board, which);
    if (r.result == QLatin1String("ok"))
        return QStringLiteral("was programmed ok on %1 %2").arg(shown_time(r.finished_at), where);
    if (r.result == QLatin1String("programming"))
        return QStringLiteral("is being programmed now (since %1) %2").arg(shown_time(r.started_at), where);
    return QStringLiteral("is held by a receiver whose programming ended with %1 on %2 %3")
        .arg(r.result, shown_time(r.finished_at.isEmpty() ? r.started_at : r.finished_at), where);
}

bool Registry::find_holder(qint64 capcode, CapcodeHolder& holder, bool& found) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    holder = {};
    holder.capcode = capcode;
    found = false;
    q.prepare(QStringLiteral("SELECT receiver_id FROM issued WHERE capcode = ?"));
    q.addBindValue(capcode);
    if (!q.exec()) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    const bool issued = q.next();
    // No row and a failed read look the same to next(): a capcode is free only
    // when the read ended cleanly.
    if (!issued && !read_to_end(QString(), q))
        return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    if (issued) {
        const qint64 receiver = q.value(0).toLongLong();
        q.finish();
        q.prepare(QString::fromLatin1(registry_rows::kReceiverColumns) + QStringLiteral("WHERE r.id = ?"));
        q.addBindValue(receiver);
        if (!q.exec() || !q.next()) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
        holder.receiver = registry_rows::record_of(q);
        holder.receiver_holds = true;
        q.finish();
        found = true;
        return true;
    }
    q.finish();
    q.prepare(QStringLiteral("SELECT j.name FROM reservations r JOIN jobs j ON r.job_id = j.id WHERE r.capcode = ?"));
    q.addBindValue(capcode);
    if (!q.exec()) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    if (q.next()) {
        holder.job = q.value(0).toString();
        found = true;
    } else if (!read_to_end(QString(), q)) {
        return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
    }
    q.finish();
    return true;
}

ClaimStatus Registry::claim_receiver(const QString& board, const std::vector<qint64>& capcodes, qint64& receiver_id,
                                     CapcodeHolder& holder) {
    ClaimStatus status = ClaimStatus::Failed;
    // A claim that loses a race for a capcode (PostgreSQL: the unique key
    // refuses the second insert) is made again, and then finds it taken.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const bool done = retrying([&] {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            if (!begin()) return false;
            QSqlQuery q(db);
            if (postgres() && !q.exec(QString::fromLatin1(kJobsLock)))
                return abandon(QStringLiteral("cannot lock the jobs"), q);
            // Receivers of this run that failed with a capcode now tried again.
            std::vector<qint64> handed_over;
            for (const qint64 capcode : capcodes) {
                q.prepare(QStringLiteral("SELECT r.id, r.session_id, r.result FROM issued i JOIN receivers r ON "
                                         "i.receiver_id = r.id WHERE i.capcode = ?"));
                q.addBindValue(capcode);
                if (!q.exec()) return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
                if (q.next()) {
                    const qint64 receiver = q.value(0).toLongLong();
                    const bool own_run = q.value(1).toLongLong() == session_ && session_ != 0;
                    const QString result = q.value(2).toString();
                    q.finish();
                    if (own_run && result != QLatin1String("ok") && result != QLatin1String("programming")) {
                        if (std::find(handed_over.begin(), handed_over.end(), receiver) == handed_over.end())
                            handed_over.push_back(receiver);
                        continue;
                    }
                } else if (!read_to_end(QString(), q)) {
                    return abandon(QStringLiteral("cannot look up capcode %1").arg(capcode), q);
                }
                q.finish();
                bool found = false;
                if (!find_holder(capcode, holder, found)) return false;
                if (found) {
                    rollback();
                    status = ClaimStatus::Refused;
                    return true;
                }
            }
            const QString now = registry_rows::now_text();
            qint64 receiver = 0;
            if (!insert_receiver(kNoJob, 0, board, now, capcodes, receiver)) return false;
            for (const qint64 old : handed_over) {
                q.prepare(QStringLiteral("DELETE FROM issued WHERE receiver_id = ?"));
                q.addBindValue(old);
                if (!q.exec()) return abandon(QStringLiteral("cannot take over the failed receiver's capcodes"), q);
                q.prepare(QStringLiteral("UPDATE receivers SET released_at = ? WHERE id = ?"));
                q.addBindValue(now);
                q.addBindValue(old);
                if (!q.exec()) return abandon(QStringLiteral("cannot take over the failed receiver's capcodes"), q);
            }
            q.prepare(QStringLiteral("INSERT INTO issued (capcode, receiver_id, job_id, item) VALUES (?, ?, ?, 0)"));
            for (const qint64 capcode : capcodes) {
                q.addBindValue(capcode);
                q.addBindValue(receiver);
                q.addBindValue(kNoJob);
                if (!q.exec()) return abandon(QStringLiteral("cannot issue capcode %1").arg(capcode), q);
            }
            q.prepare(QStringLiteral("UPDATE sessions SET heartbeat_at = ? WHERE id = ?"));
            q.addBindValue(now);
            q.addBindValue(session_);
            if (!q.exec()) return abandon(QStringLiteral("cannot record the station's heartbeat"), q);
            q.finish();
            if (!commit()) return false;
            receiver_id = receiver;
            status = ClaimStatus::Claimed;
            return true;
        });
        if (done) return status;
        if (!last_unique_violation_) return ClaimStatus::Failed;
    }
    return ClaimStatus::Failed;
}

qint64 Registry::next_free_capcode(qint64 capcode, qint64 limit) {
    qint64 candidate = capcode + 1;
    bool ok = true;
    // The taken capcodes above, in order, a chunk at a time: the first gap.
    for (bool more = true; more && ok && candidate <= limit;) {
        ok = retrying([&] {
            QSqlQuery q(QSqlDatabase::database(connection_, false));
            q.prepare(QStringLiteral("SELECT capcode FROM issued WHERE capcode >= ? UNION SELECT capcode FROM "
                                     "reservations WHERE capcode >= ? ORDER BY 1 LIMIT 1000"));
            q.addBindValue(candidate);
            q.addBindValue(candidate);
            if (!q.exec()) return fail_query(QStringLiteral("cannot look for a free capcode"), q);
            int rows = 0;
            more = false;
            while (q.next()) {
                ++rows;
                const qint64 taken = q.value(0).toLongLong();
                if (taken > candidate) return true; // a gap
                candidate = taken + 1;
            }
            // A read that failed half-way is no "nothing free above".
            if (!read_to_end(QStringLiteral("cannot look for a free capcode"), q)) return false;
            more = rows == 1000;
            return true;
        });
    }
    if (!ok) return -1;
    return candidate <= limit ? candidate : 0;
}

} // namespace qrt58

// The production registry: which receiver got which capcodes and image, kept in
// a real database through Qt SQL (an SQLite file by default, PostgreSQL when
// several stations share it).
//
// Tables (schema_version holds the version; open() runs the migrations):
//   jobs          one row per job: name, base image, digest of its receiver list
//   job_items     the receivers a job makes: settings, their own capcodes, and
//                 the receiver that holds the item now
//   reservations  capcode -> job: a capcode belongs to one job only
//   sessions      one row per station run (station, host, process, heartbeat)
//   receivers     one row per receiver programmed or begun: time, station,
//                 board, every capcode programmed, SHA-256 of the image
//                 written, result (programming / ok / write error / verify
//                 error / stopped / died)
//   issued        capcode -> receiver, unique: the allocation. A receiver takes
//                 its capcodes by inserting these rows in one transaction; the
//                 primary key makes a second receiver with the same capcode
//                 impossible. Rows of receivers that failed, were stopped or
//                 whose station died stay until `release` removes them.
//
// One Registry is one database connection and must be used by the thread that
// opened it; a station opens one per board.
#pragma once

#include "registry_location.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qrt58 {

enum class ReceiverResult { Programming, Ok, WriteError, VerifyError, Stopped, Died };
const char* receiver_result_text(ReceiverResult result);

// What a job is, as open_job() stores it or checks it against the stored one.
struct JobSpec {
    QString name;
    QByteArray base_image; // the base table file's 2048 bytes
    QString plan_sha256;   // digest of the base image and every receiver's settings
    struct Item {
        int line = 0;                 // where the receiver came from (CSV line or range number)
        QString settings;             // NAME=VALUE lines
        std::vector<qint64> capcodes; // the receiver's own capcodes
    };
    std::vector<Item> items;
};

struct CapcodeConflict {
    int item = 0;
    qint64 capcode = 0;
    QString job; // the job that holds it
    // Empty job: a receiver programmed outside any job has it (its result,
    // when, where, as capcode_holder_text says).
    QString programmed;
};

struct JobOpen {
    bool ok = false;
    bool created = false; // false: an existing job of that name, resumed
    qint64 job_id = 0;
    QString error;
    std::vector<CapcodeConflict> conflicts; // capcodes held for other jobs
    // Refused because a job of that name holds other receivers: the first
    // capcode of each of them.
    std::vector<qint64> existing_capcodes;
};

struct FinishedReceiver {
    qint64 receiver_id = 0;
    ReceiverResult result = ReceiverResult::Ok;
    std::vector<qint64> capcodes; // every capcode programmed, slot order
    QString image_sha256;
};

struct TakenReceiver {
    qint64 receiver_id = 0;
    int item = 0;
};
enum class TakeStatus { Taken, NoneLeft, Failed };

struct JobCounts {
    int receivers = 0;   // in the job
    int done = 0;        // programmed ok
    int in_progress = 0; // being programmed now
    int held = 0;        // held by a failed, stopped or interrupted receiver
};

struct ReceiverRecord {
    qint64 id = 0;
    QString job;
    int item = 0;
    QString station, board, started_at, finished_at, capcodes, image_sha256, result, released_at;
    // Numbered within its job (1 to the job's receivers), or, outside a job,
    // within its station's run.
    int number = 0, of = 0;
};

// Who has a capcode now: the receiver whose issued row holds it (programmed
// ok, being programmed, or held after a failure), or only the job that
// reserves it.
struct CapcodeHolder {
    qint64 capcode = 0;
    bool receiver_holds = false;
    ReceiverRecord receiver;
    QString job; // reserving job (when no receiver holds it yet)
};
enum class ClaimStatus { Claimed, Refused, Failed };

struct HeldReceiver {
    qint64 receiver_id = 0;
    int item = 0;
    QString result;
    std::vector<qint64> capcodes;
};

class Registry {
public:
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Opens a connection of its own and brings the schema up to date. nullptr
    // with `error` set when the database cannot be opened or migrated.
    // `application` names the connection on the server (PostgreSQL).
    static std::unique_ptr<Registry> open(const RegistryLocation& where, QString* error,
                                          const QString& application = QStringLiteral("qrt58"));

    static constexpr int kSchemaVersion = 2;
    int schema_version();
    const RegistryLocation& location() const { return where_; }
    // The failure of the last operation; empty after one that succeeded
    // (also for those that return a list).
    const QString& error() const { return error_; }

    // A station run: receivers taken are recorded under it. end_session()
    // marks receivers it left unfinished as stopped.
    bool begin_session(const QString& station, const QString& host, qint64 pid);
    bool end_session();
    qint64 session_id() const { return session_; }
    // Records receivers under a run begun on another connection (a station's
    // board workers share its run).
    void use_session(qint64 id) { session_ = id; }

    // Marks as died the receivers left "programming" by station runs that are
    // gone: an ended run, a process on this host that no longer exists, or, on
    // another host, no heartbeat for `stale_seconds` by the database's clock.
    // A process alive on this host is never reaped. Returns how many (-1 on a
    // failure).
    int reap_interrupted(int stale_seconds = kStaleSeconds);
    static constexpr int kStaleSeconds = 600;
    // Refreshes the station run's heartbeat (the station does so while it
    // programs a receiver, which may take longer than the limit above).
    bool beat();

    // Stores a new job with its capcode reservations, or checks that the job
    // of that name is this one. Capcodes held for another job are refused:
    // ok false with `conflicts` listed.
    JobOpen open_job(const JobSpec& job_order);

    // Allocates the next receiver of the job that no receiver holds: inserts
    // it ("programming") and its capcodes in one transaction. `finished`, the
    // board's previous receiver, is recorded in the same transaction: one
    // commit (one flush to the disk) per receiver.
    TakeStatus take_next(qint64 job_id, const QString& board, TakenReceiver& taken,
                         const FinishedReceiver* finished = nullptr);
    // Records a receiver's end: result, every capcode programmed into it
    // (values, slot order), digest of the image written. Refused (false, with
    // the reason) when the receiver is no longer this station's: marked died
    // by another station meanwhile, or released.
    bool finish(qint64 receiver_id, ReceiverResult result, const std::vector<qint64>& capcodes,
                const QString& image_sha256);

    bool counts(qint64 job_id, JobCounts& counts);
    std::vector<HeldReceiver> held(qint64 job_id);

    // Frees the capcodes of the failed, stopped or interrupted receiver that
    // holds `capcode`, so that its job can program them again; with
    // `scrapped` also those of a receiver programmed ok. `message` says what
    // was done or why not.
    bool release(qint64 capcode, QString& message, bool scrapped = false);
    // Every receiver whose capcodes include `capcode`, oldest first.
    std::vector<ReceiverRecord> receivers_with(qint64 capcode);
    // The job that holds `capcode` (empty when none).
    QString job_holding(qint64 capcode);
    // Every receiver, oldest first.
    bool for_each_receiver(const std::function<void(const ReceiverRecord&)>& fn);

    // ---- Production outside jobs (the window's station, write --count) ----
    // Claims `capcodes` (the receiver's own ones) for a new receiver of no
    // job on `board`, in one transaction against the unique key of `issued`
    // that jobs use: the receiver row ("programming") and its capcodes.
    // Refused, with the first capcode that is not free in `holder`, when a
    // receiver has it or a job reserves it; a capcode held by a receiver of
    // this same run that failed is handed over to the new one (the operator
    // tries again with both at hand). Its end is recorded with finish().
    ClaimStatus claim_receiver(const QString& board, const std::vector<qint64>& capcodes, qint64& receiver_id,
                               CapcodeHolder& holder);
    // The lowest capcode above `capcode` (and at most `limit`) that no
    // receiver has and no job reserves; 0 when there is none, -1 when the
    // registry could not be read (error()).
    qint64 next_free_capcode(qint64 capcode, qint64 limit);

    // Re-opens a dropped connection (a few tries over about two seconds).
    bool reconnect();

private:
    explicit Registry(RegistryLocation where);
    bool connect_db();
    bool migrate();
    // SQLite: whether the file holds the registry's tables only (or none).
    bool only_registry_tables();
    // PostgreSQL: no notices on the program's standard error.
    bool quiet_notices();
    bool begin();
    bool commit();
    void rollback();
    bool fail(const QString& what, const class QSqlError& e);
    bool fail_query(const QString& what, const class QSqlQuery& q);
    // After a loop over next(): true when it ended at the last row, false
    // (with the error recorded as `what`) when a read failed on the way.
    bool read_to_end(const QString& what, const class QSqlQuery& q);
    // Records the failure of `q`, ends it and rolls the transaction back; false.
    bool abandon(const QString& what, class QSqlQuery& q);
    // Runs `op`; when it fails because the connection dropped, reconnects and
    // runs it once more.
    bool retrying(const std::function<bool()>& op);
    bool connection_alive();
    bool record_result(const FinishedReceiver& done);
    // In a transaction: the row of a receiver this station starts programming
    // on `board` now ("programming", with its capcodes), for item `item` of job
    // `job_id`, or outside any job when `job_id` is 0. False (the failure
    // recorded, the transaction rolled back) when it cannot be written.
    bool insert_receiver(qint64 job_id, int item, const QString& board, const QString& now,
                         const std::vector<qint64>& capcodes, qint64& receiver_id);
    // In a transaction: the holder of `capcode` (found false when free).
    bool find_holder(qint64 capcode, CapcodeHolder& holder, bool& found);
    bool postgres() const { return where_.kind == RegistryLocation::Kind::Postgres; }

    RegistryLocation where_;
    QString connection_;
    QString application_;
    QString error_;
    bool last_unique_violation_ = false;
    qint64 session_ = 0;
};

// "programmed ok on 2026-12-09 10:15:02 UTC at station S on board B (receiver 3 of 5 of job J)":
// what happened to the receiver that has a capcode.
QString capcode_holder_text(const CapcodeHolder& holder);

// "a1 b2 ..." <-> values.
QString capcode_list_text(const std::vector<qint64>& capcodes);
// "3000-3003, 3010": runs of consecutive capcodes joined, at most `most` parts
// and "..." for the rest.
QString capcode_ranges_text(const std::vector<qint64>& capcodes, std::size_t most = 6);
std::vector<qint64> capcode_list(const QString& text);

} // namespace qrt58

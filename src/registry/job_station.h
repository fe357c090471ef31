// A production station running a job on one or more boards at once: one worker
// thread per board, each with its own registry connection, each taking the
// next receiver of the job from the registry, writing and verifying it and
// recording the result. A failing board or receiver stops only its own worker.
//
//   JobStation station(plan, options);
//   if (!station.prepare(error, conflicts)) ...   // session, interrupted receivers, the job
//   station.run(boards, events);                   // blocks until the boards are done
//   station.finish();                              // closes the station's run
#pragma once

#include "job_plan.h"
#include "registry.h"

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace qrt58 {

class Board;

// One board's state, as the station shows it.
struct BoardProgress {
    QString board; // the board's name (as --board takes it)
    QString state; // "starting", "searching", "programming", "waiting", "done", "failed"
    QString phase; // "Writing", "Verifying" while programming
    int percent = 0;
    int line = 0;       // the receiver being programmed (its line or range number)
    QString capcodes;   // its own capcodes
    int ok = 0;         // receivers programmed ok by this board
    int failed = 0;     // receivers that failed on it
    QString last;       // the last result line or the reason it stopped
    bool active = true; // may take more receivers
};

// Called from the worker threads (serialise what they do).
class StationEvents {
public:
    virtual ~StationEvents() = default;
    // One line per receiver and per board that stops: "BOARD: receiver ... ok".
    virtual void result(int board, const QString& line, bool good) = 0;
    virtual void changed(int /*board*/) {}
};

// The longest station name a registry takes.
constexpr int kMaxStationName = 100;

struct StationOptions {
    RegistryLocation registry;
    QString station; // the station's name in the registry
    QString host;
    ApplySettings apply;
    std::atomic<bool>* stop = nullptr; // set: take no further receivers
    // Each board programs one receiver per run() (the operator puts new
    // receivers in between); otherwise they go on until the job is done.
    bool one_per_round = false;
    // How often the station's heartbeat is refreshed while its boards program
    // (well inside Registry::kStaleSeconds).
    int heartbeat_ms = 60000;
};

class JobStation {
public:
    JobStation(JobPlan plan, StationOptions options);
    ~JobStation();

    // In the calling thread: opens the registry, records the station's run,
    // marks receivers of dead stations as died, and stores or finds the job.
    // Capcodes held for other jobs come back as problems (with lines).
    bool prepare(QString& error, std::vector<JobProblem>& problems);
    bool created_job() const { return created_; }
    // After prepare() refused the job's name: the first capcodes of the
    // receivers of the job that has it.
    const std::vector<qint64>& existing_capcodes() const { return existing_capcodes_; }
    qint64 job_id() const { return job_id_; }

    // Runs every active board in a thread of its own until it has no receiver
    // left, fails or is stopped (or has done one, with one_per_round).
    // `boards` must have their drivers started; `labels` name them in results.
    void run(const std::vector<Board*>& boards, const QStringList& labels, StationEvents& events);

    // Thread-safe copy of a board's state.
    BoardProgress progress(std::size_t board) const;
    std::size_t boards() const;
    bool any_active() const;
    // Receivers this station programmed ok / failed, over all boards.
    int ok_count() const;
    int failed_count() const;
    // Whether a board stopped for another reason than a finished job.
    bool any_board_failed() const;

    bool counts(JobCounts& counts);
    // `ok` (when given) is false when the list could not be read to its end.
    std::vector<HeldReceiver> held(bool* ok = nullptr);
    // Closes the station's run (receivers left unfinished are marked stopped).
    bool finish();
    const QString& error() const { return error_; }
    const JobPlan& plan() const { return plan_; }

private:
    void work(std::size_t index, Board* board, StationEvents& events);
    void update(std::size_t index, const std::function<void(BoardProgress&)>& fn, StationEvents& events);

    JobPlan plan_;
    StationOptions options_;
    std::unique_ptr<Registry> registry_; // the calling thread's
    qint64 job_id_ = 0;
    bool created_ = false;
    std::vector<qint64> existing_capcodes_;
    QString error_;
    mutable std::mutex mutex_;
    std::vector<BoardProgress> progress_;
    std::vector<bool> found_;   // board searched and found
    std::vector<bool> failed_;  // board stopped by a failure
    std::vector<bool> no_work_; // board stopped: nothing left
};

} // namespace qrt58

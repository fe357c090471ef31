#include "job_station.h"

#include "board.h"
#include "transfer.h"
#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace qrt58 {
namespace {

// The transfer engine's face for one board: its phase and percentage go to
// the board's progress, a failure text is kept for the result line.
class BoardView : public TransferView {
public:
    explicit BoardView(std::function<void(const QString&, int)> show) : show_(std::move(show)) {}
    void set_status(const QString& text) override {
        phase_ = text.section(QStringLiteral(" Now"), 0, 0);
        last_pct_ = -1;
        report(0);
    }
    void set_progress_max(int max) override { max_ = max; }
    void set_progress_position(int position) override {
        report(max_ > 0 ? std::min(100, std::max(0, position * 100 / max_)) : 0);
    }
    void set_progress_colour(std::uint32_t) override {}
    void message(const QString& text, MessageKind kind) override {
        if (kind != MessageKind::Info) last_error = text;
    }
    QString last_error;

private:
    void report(int pct) {
        if (pct == last_pct_) return;
        last_pct_ = pct;
        show_(phase_, pct);
    }
    std::function<void(const QString&, int)> show_;
    QString phase_;
    int max_ = 0;
    int last_pct_ = -1;
};

} // namespace

JobStation::JobStation(JobPlan plan, StationOptions options) : plan_(std::move(plan)), options_(std::move(options)) {}

JobStation::~JobStation() = default;

bool JobStation::prepare(QString& error, std::vector<JobProblem>& problems) {
    // One limit on every database (a PostgreSQL server would cut the name it
    // shows for the connection, SQLite none).
    if (options_.station.size() > kMaxStationName) {
        error = QStringLiteral("the station name has %1 characters; it may have %2 at most")
                    .arg(options_.station.size())
                    .arg(kMaxStationName);
        return false;
    }
    registry_ = Registry::open(options_.registry, &error, QStringLiteral("qrt58 %1").arg(options_.station));
    if (!registry_) return false;
    if (!registry_->begin_session(options_.station, options_.host, QCoreApplication::applicationPid())) {
        error = registry_->error();
        return false;
    }
    // Receivers whose station died are recorded as such before the job
    // resumes; their capcodes stay held.
    if (registry_->reap_interrupted() < 0) {
        error = registry_->error();
        return false;
    }
    const JobOpen opened = registry_->open_job(job_spec(plan_));
    if (!opened.ok) {
        for (const CapcodeConflict& c : opened.conflicts) {
            const JobReceiver& r = plan_.receivers[static_cast<std::size_t>(c.item)];
            problems.push_back(
                {r.line,
                 !c.programmed.isEmpty() ? QStringLiteral("capcode %1 %2").arg(c.capcode).arg(c.programmed)
                 : c.job.isEmpty()
                     ? QStringLiteral("capcode %1 is held for another job").arg(c.capcode)
                     : QStringLiteral("capcode %1 is held for job '%2' in the registry").arg(c.capcode).arg(c.job)});
        }
        error = opened.error;
        existing_capcodes_ = opened.existing_capcodes;
        return false;
    }
    job_id_ = opened.job_id;
    created_ = opened.created;
    return true;
}

void JobStation::update(std::size_t index, const std::function<void(BoardProgress&)>& fn, StationEvents& events) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fn(progress_[index]);
    }
    events.changed(static_cast<int>(index));
}

void JobStation::run(const std::vector<Board*>& boards, const QStringList& labels, StationEvents& events) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (progress_.size() != boards.size()) {
            progress_.assign(boards.size(), BoardProgress{});
            found_.assign(boards.size(), false);
            failed_.assign(boards.size(), false);
            no_work_.assign(boards.size(), false);
            for (std::size_t i = 0; i < boards.size(); ++i) {
                progress_[i].board = i < static_cast<std::size_t>(labels.size())
                                         ? labels[static_cast<int>(i)]
                                         : QStringLiteral("board %1").arg(i + 1);
                progress_[i].state = QStringLiteral("starting");
            }
        }
    }
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        if (!progress(i).active) continue;
        workers.emplace_back([this, i, board = boards[i], &events] { work(i, board, events); });
    }
    // The station's heartbeat goes on while its boards program: one receiver
    // may take longer than the limit after which other stations take a
    // silent station for dead.
    std::mutex beat_mutex;
    std::condition_variable beat_wake;
    bool boards_done = false;
    std::thread heart([&] {
        std::unique_ptr<Registry> beats;
        std::unique_lock<std::mutex> lock(beat_mutex);
        while (
            !beat_wake.wait_for(lock, std::chrono::milliseconds(options_.heartbeat_ms), [&] { return boards_done; })) {
            if (!beats) {
                QString ignored; // a failing registry stops the boards themselves
                beats = Registry::open(options_.registry, &ignored,
                                       QStringLiteral("qrt58 %1 heartbeat").arg(options_.station));
                if (beats) beats->use_session(registry_->session_id());
            }
            if (beats) beats->beat();
        }
    });
    for (std::thread& t : workers) t.join();
    {
        std::lock_guard<std::mutex> lock(beat_mutex);
        boards_done = true;
    }
    beat_wake.notify_all();
    heart.join();
}

void JobStation::work(std::size_t index, Board* board, StationEvents& events) {
    const QString label = progress(index).board;
    const auto stop_board = [&](const QString& why, bool failure) {
        update(
            index,
            [&](BoardProgress& p) {
                p.active = false;
                p.state = failure ? QStringLiteral("failed") : QStringLiteral("done");
                p.phase.clear();
                p.last = why;
            },
            events);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            (failure ? failed_ : no_work_)[index] = true;
        }
        events.result(static_cast<int>(index), label + QStringLiteral(": ") + why, !failure);
    };
    QString error;
    auto registry =
        Registry::open(options_.registry, &error, QStringLiteral("qrt58 %1 %2").arg(options_.station, label));
    if (!registry) {
        stop_board(QStringLiteral("stopped: ") + error, true);
        return;
    }
    registry->use_session(registry_->session_id());
    BoardView view([&](const QString& phase, int pct) {
        update(
            index,
            [&](BoardProgress& p) {
                p.phase = phase;
                p.percent = pct;
            },
            events);
    });
    TransferEngine engine(board->bus(), view);
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        found = found_[index];
    }
    if (!found) {
        update(
            index, [](BoardProgress& p) { p.state = QStringLiteral("searching"); }, events);
        board->bus().calibrate_delay();
        if (!engine.find_board()) {
            stop_board(QStringLiteral("stopped: ") + (view.last_error.isEmpty()
                                                          ? QStringLiteral("The Board is not responding!")
                                                          : view.last_error),
                       true);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        found_[index] = true;
    }
    // A receiver's result is recorded in the same transaction that takes the
    // board's next one; the last one, a failed one and one before a stop are
    // recorded alone.
    std::optional<FinishedReceiver> pending;
    QString pending_line;
    const auto report_pending = [&] {
        const bool good = pending->result == ReceiverResult::Ok;
        update(
            index,
            [&](BoardProgress& p) {
                (good ? p.ok : p.failed) += 1;
                p.last = pending_line;
            },
            events);
        events.result(static_cast<int>(index), pending_line, good);
        pending.reset();
    };
    const auto record_pending = [&] {
        if (!pending) return true;
        if (!registry->finish(pending->receiver_id, pending->result, pending->capcodes, pending->image_sha256)) {
            stop_board(
                QStringLiteral("stopped: %1, but it cannot be recorded: %2").arg(pending_line, registry->error()),
                true);
            return false;
        }
        report_pending();
        return true;
    };
    bool one_done = false;
    while (true) {
        if ((options_.stop && options_.stop->load()) || (options_.one_per_round && one_done)) {
            if (record_pending())
                update(
                    index,
                    [&](BoardProgress& p) {
                        p.state = one_done && !(options_.stop && options_.stop->load()) ? QStringLiteral("waiting")
                                                                                        : QStringLiteral("stopped");
                        p.phase.clear();
                    },
                    events);
            break;
        }
        TakenReceiver taken;
        const TakeStatus status = registry->take_next(job_id_, label, taken, pending ? &*pending : nullptr);
        if (status == TakeStatus::Failed) {
            stop_board(QStringLiteral("stopped: ") + registry->error() +
                           (pending ? QStringLiteral(" (%1 is not recorded)").arg(pending_line) : QString()),
                       true);
            break;
        }
        if (pending) report_pending();
        if (status == TakeStatus::NoneLeft) {
            stop_board(QStringLiteral("no receiver of the job left"), false);
            break;
        }
        const JobReceiver& receiver = plan_.receivers[static_cast<std::size_t>(taken.item)];
        const QString own = capcode_list_text(receiver.capcodes);
        update(
            index,
            [&](BoardProgress& p) {
                p.state = QStringLiteral("programming");
                p.line = receiver.line;
                p.capcodes = own;
                p.percent = 0;
            },
            events);
        std::string why;
        std::optional<PagerTable> image =
            receiver_image(plan_, static_cast<std::size_t>(taken.item), options_.apply, &why);
        bool written = false, verified = false, kept = false;
        QString detail;
        if (image) {
            view.last_error.clear();
            engine.tbl_writeall(*image);
            board->bus().bus_stop();
            written = !engine.abort_flag();
            if (written) engine.verify(*image);
            board->bus().bus_stop();
            verified = written && !engine.abort_flag();
            kept = verified;
            // The simulated receiver's memory must be on disk before it counts.
            if (verified) {
                QString lost;
                if (!board->bus().keep_memory(&lost)) {
                    kept = false;
                    detail = lost;
                }
            }
            if (!view.last_error.isEmpty() && detail.isEmpty()) detail = view.last_error;
        } else {
            detail = QString::fromStdString(why);
        }
        const ReceiverResult result = !written || (verified && !kept) ? ReceiverResult::WriteError
                                      : !verified                     ? ReceiverResult::VerifyError
                                                                      : ReceiverResult::Ok;
        const PagerTable& programmed = image ? *image : plan_.base;
        pending = FinishedReceiver{taken.receiver_id, result, recorded_capcodes(programmed, receiver.capcodes),
                                   image ? written_image_sha256(*image) : QString()};
        pending_line =
            QStringLiteral("%1: %2, capcode %3: %4")
                .arg(label, plan_.numbered(taken.item), own, QString::fromLatin1(receiver_result_text(result)));
        if (!detail.isEmpty() && result != ReceiverResult::Ok) pending_line += QStringLiteral(" (") + detail + ')';
        update(
            index,
            [&](BoardProgress& p) {
                p.phase.clear();
                p.state = QStringLiteral("recording");
            },
            events);
        one_done = true;
        if (result != ReceiverResult::Ok) {
            // The receiver or the board needs a look: this board stops, the others go on.
            if (record_pending()) stop_board(QStringLiteral("stopped after a failed receiver"), true);
            break;
        }
    }
    board->bus().board_idle();
}

BoardProgress JobStation::progress(std::size_t board) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return board < progress_.size() ? progress_[board] : BoardProgress{};
}

std::size_t JobStation::boards() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_.size();
}

bool JobStation::any_active() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const BoardProgress& p : progress_)
        if (p.active) return true;
    return false;
}

int JobStation::ok_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const BoardProgress& p : progress_) n += p.ok;
    return n;
}

int JobStation::failed_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const BoardProgress& p : progress_) n += p.failed;
    return n;
}

bool JobStation::any_board_failed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const bool f : failed_)
        if (f) return true;
    return false;
}

bool JobStation::counts(JobCounts& counts) {
    if (registry_ && registry_->counts(job_id_, counts)) return true;
    error_ = registry_ ? registry_->error() : QStringLiteral("the registry is not open");
    return false;
}

std::vector<HeldReceiver> JobStation::held(bool* ok) {
    if (!registry_) return {};
    std::vector<HeldReceiver> list = registry_->held(job_id_);
    if (!registry_->error().isEmpty()) error_ = registry_->error();
    if (ok) *ok = registry_->error().isEmpty();
    return list;
}

bool JobStation::finish() {
    if (!registry_) return true;
    if (registry_->end_session()) return true;
    error_ = registry_->error();
    return false;
}

} // namespace qrt58

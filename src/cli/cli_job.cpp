#include "cli_job.h"

#include "cli_model.h"
#include "cli_set.h"

#include "board.h"
#include "capcode.h"
#include "clock.h"
#include "job_station.h"
#include "registry.h"
#include "safe_file.h"
#include "table_file.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>
#include <QThread>
#include <atomic>
#include <chrono>
#include <csignal>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

namespace qrt58::cli {
namespace {

std::atomic<bool> g_stop{false};
extern "C" void on_interrupt(int) {
    // The first Ctrl+C lets the boards finish their receivers; the second ends at once.
    if (g_stop.exchange(true)) std::_Exit(130);
}

ApplySettings set_rules() {
    return [](PagerTable& image, const std::vector<std::string>& assignments, std::string& error) {
        return apply_assignments(image, assignments, error);
    };
}

std::optional<RegistryLocation> registry_of(const QString& given, std::ostream& err, const char* command) {
    auto settings = open_board_settings();
    QString error;
    const auto where = resolve_registry_location(given, *settings, &error);
    if (!where) err << "qrt58cli: " << command << ": " << error.toStdString() << '\n';
    return where;
}

// Result lines on `out` as they come; on a terminal, one live line per board
// on `err` below them, redrawn by the main thread.
class Screen : public StationEvents {
public:
    Screen(const CommandIo& io, JobStation& station) : io_(io), station_(station) {}
    void result(int, const QString& line, bool good) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (io_.bar) {
            pending_.push_back({line.toStdString(), good});
            return;
        }
        print(line.toStdString(), good);
    }
    // Main thread, while the boards run.
    void redraw() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!io_.bar) return;
        clear_block();
        for (const auto& [line, good] : pending_) print(line, good);
        pending_.clear();
        const std::size_t n = station_.boards();
        for (std::size_t i = 0; i < n; ++i) {
            const BoardProgress p = station_.progress(i);
            std::string text = p.board.toStdString() + ": " + p.state.toStdString();
            if (p.state == QLatin1String("programming"))
                text += " receiver " + std::to_string(p.line) + ", capcode " + p.capcodes.toStdString() + ", " +
                        p.phase.toStdString() + ' ' + std::to_string(p.percent) + '%';
            text += "  (" + std::to_string(p.ok) + " ok";
            if (p.failed) text += ", " + std::to_string(p.failed) + " failed";
            text += ')';
            io_.err << "\x1b[2K" << fit_to_terminal(printable(text), io_.columns ? io_.columns() : 0) << '\n';
        }
        io_.err.flush();
        drawn_ = n;
    }
    void done() {
        redraw();
        drawn_ = 0;
    }

private:
    void clear_block() {
        for (std::size_t i = 0; i < drawn_; ++i) io_.err << "\x1b[1A\x1b[2K";
        drawn_ = 0;
    }
    void print(const std::string& line, bool good) {
        (good ? io_.out : io_.err) << printable(line) << '\n';
        (good ? io_.out : io_.err).flush();
    }
    const CommandIo& io_;
    JobStation& station_;
    std::mutex mutex_;
    std::vector<std::pair<std::string, bool>> pending_;
    std::size_t drawn_ = 0;
};

// Runs one round of the boards in a thread while the screen is redrawn.
void run_round(JobStation& station, const std::vector<Board*>& boards, const QStringList& labels, Screen& screen) {
    std::atomic<bool> running{true};
    std::thread round([&] {
        station.run(boards, labels, screen);
        running = false;
    });
    while (running) {
        screen.redraw();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    round.join();
    screen.done();
}

// A capcode as the capcode box and the --log file show it: seven digits, ten
// for one beyond the short range.
QString padded_capcode(qint64 value) {
    return QString::fromStdString(
        format_capcode(static_cast<double>(value), value > static_cast<qint64>(kLargestShort)));
}
QString padded_capcodes(const QString& list) {
    QStringList out;
    for (const qint64 v : capcode_list(list)) out << padded_capcode(v);
    return out.join(' ');
}

// "receiver 3 of 5 of job stopj", or of a production run outside jobs.
std::string receiver_text(const ReceiverRecord& r) {
    return QStringLiteral("receiver %1 of %2 of %3")
        .arg(r.number)
        .arg(r.of)
        .arg(r.job.isEmpty() ? QStringLiteral("a production run (no job)") : QStringLiteral("job ") + r.job)
        .toStdString();
}

std::string csv_field(const QString& text) {
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text.toStdString();
    QString quoted = text;
    quoted.replace('"', QStringLiteral("\"\""));
    return '"' + quoted.toStdString() + '"';
}

// The files of a run: none of them may be another (a trace written over the
// registry would start an empty one, and every capcode could be issued again).
NamedFiles job_files(const JobRequest& request, const JobPlan& plan, const RegistryLocation& registry,
                     const std::vector<BoardChoice>& boards) {
    NamedFiles files{{QStringLiteral("the base table file"), QString::fromStdString(request.base)}};
    if (!plan.source.isEmpty()) files.emplace_back(QStringLiteral("the rows file"), plan.source);
    if (registry.kind == RegistryLocation::Kind::Sqlite)
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            files.emplace_back(QStringLiteral("the registry"), registry.path + QLatin1String(suffix));
    if (!request.options.trace_vcd.isEmpty())
        files.emplace_back(QStringLiteral("the bus trace"), request.options.trace_vcd);
    for (const BoardChoice& board : boards)
        if (board.simulated()) files.emplace_back(QStringLiteral("the simulated EEPROM file"), board.memory_file());
    return files;
}

} // namespace

int cmd_job_run(const JobRequest& request, const CommandIo& terminal) {
    const char* command = "job";
    // Names and cells come from files and from other stations: escaped. The
    // live board lines keep the terminal's own (the screen escapes its text).
    PrintableStream out(terminal.out), err(terminal.err);
    const CommandIo io{terminal.in,    terminal.data, out,          err,
                       terminal.quiet, terminal.bar,  terminal.ask, terminal.out_terminal};
    JobPlan plan;
    const QString base = QString::fromStdString(request.base);
    const LoadResult loaded = load_table_file(base, plan.base);
    if (loaded.status == LoadStatus::WrongSignature)
        return fail(io.err, command, request.base + " is not a QRT58 table file");
    if (loaded.status != LoadStatus::Ok) return fail(io.err, command, loaded.error.toStdString());
    plan.name = request.job.isEmpty() ? QFileInfo(base).fileName() : request.job;

    std::vector<JobProblem> problems;
    if (!request.rows.isEmpty()) {
        problems = plan_rows(plan, request.rows);
    } else {
        QString error;
        const auto range = parse_job_range(request.range, &error, range_limit(plan.base));
        if (!range) {
            io.err << "qrt58cli: job: " << error.toStdString() << '\n';
            return kExitUsage;
        }
        plan_range(plan, *range);
    }
    const ApplySettings apply = set_rules();
    if (problems.empty() || !plan.receivers.empty()) {
        const auto more = check_job(plan, apply);
        problems.insert(problems.end(), more.begin(), more.end());
    }
    const auto report = [&](const std::vector<JobProblem>& list) {
        for (const JobProblem& p : list)
            io.err << "qrt58cli: job: " << (p.line > 0 ? plan.where(p.line).toStdString() + ": " : std::string())
                   << p.text.toStdString() << '\n';
        io.err << "qrt58cli: job: nothing programmed\n";
        return kExitFailed;
    };
    if (!problems.empty()) return report(problems);

    const auto where = registry_of(request.registry, io.err, command);
    if (!where) return kExitUsage;
    // The boards: each named one, or the remembered board.
    auto settings = open_board_settings();
    const BoardSettings remembered = resolve_board_settings(request.options, *settings);
    std::vector<BoardChoice> choices = request.boards;
    if (choices.empty()) choices.push_back(remembered.choice);
    if (const QString clash = files_in_conflict(job_files(request, plan, *where, choices)); !clash.isEmpty())
        return fail(io.err, command, clash.toStdString());
    StationOptions options;
    options.registry = *where;
    options.host = QSysInfo::machineHostName();
    options.station = request.station.isEmpty() ? options.host : request.station;
    options.apply = apply;
    options.stop = &g_stop;
    options.one_per_round = io.ask;
    JobStation station(plan, options);
    QString error;
    if (!station.prepare(error, problems)) {
        if (!problems.empty()) return report(problems);
        return fail(io.err, command, error.toStdString());
    }

    if (!request.options.trace_vcd.isEmpty() && choices.size() > 1) {
        station.finish();
        io.err << "qrt58cli: job: --trace-vcd records one board; give one --board with it\n";
        return kExitUsage;
    }
    std::vector<std::unique_ptr<VirtualClock>> clocks;
    std::vector<std::unique_ptr<Board>> owned;
    std::vector<Board*> boards;
    QStringList labels;
    int status = 0;
    for (const BoardChoice& choice : choices) {
        Clock* clock = nullptr;
        if (request.virtual_clock && choice.simulated()) {
            clocks.push_back(std::make_unique<VirtualClock>());
            clock = clocks.back().get();
        }
        BoardSettings setup = remembered;
        setup.choice = choice;
        auto board = Board::create(setup, clock);
        const BoardOpening opened = board->open();
        if (!opened.driver.ok) {
            // This board stays out; the others run.
            io.err << "qrt58cli: job: " << choice.text().toStdString() << ": " << opened.driver.error.toStdString()
                   << '\n';
            status = kExitFailed;
            continue;
        }
        if (!opened.trace_error.isEmpty()) {
            station.finish();
            return fail(io.err, command, opened.trace_error.toStdString());
        }
        labels << choice.text();
        boards.push_back(board.get());
        owned.push_back(std::move(board));
    }
    JobCounts before;
    if (station.counts(before))
        io.out << "Job " << plan.name.toStdString() << ": " << before.receivers
               << (before.receivers == 1 ? " receiver" : " receivers") << (station.created_job() ? " (new)" : "")
               << ", " << before.done << " done, " << boards.size() << (boards.size() == 1 ? " board" : " boards")
               << " at station " << options.station.toStdString() << '\n';
    io.out.flush();

    g_stop = false;
    void (*previous)(int) = std::signal(SIGINT, on_interrupt);
    Screen screen(terminal, station);
    if (!boards.empty()) {
        run_round(station, boards, labels, screen);
        // With the operator at a terminal, each board programs one receiver a
        // round; new receivers go in between.
        // No round is offered once every receiver of the job is done or
        // taken (a receiver count that cannot be read offers one: its board
        // finds out).
        const auto receivers_left = [&station] {
            JobCounts now;
            return !station.counts(now) || now.receivers - now.done - now.in_progress - now.held > 0;
        };
        while (io.ask && !g_stop && station.any_active() && receivers_left()) {
            io.err << "Put new receivers on the boards: press Enter to program them, q to stop: ";
            std::string answer;
            if (!std::getline(io.in, answer) || answer == "q") break;
            run_round(station, boards, labels, screen);
        }
    }
    std::signal(SIGINT, previous);

    for (auto& board : owned) {
        board->bus().board_idle();
        const DriverStatus stopped = board->stop_driver();
        if (!stopped.ok) {
            io.err << "qrt58cli: job: " << stopped.error.toStdString() << '\n';
            status = kExitFailed;
        }
    }
    const bool closed = station.finish();
    if (station.failed_count() > 0 || station.any_board_failed() || boards.empty()) status = kExitFailed;
    JobCounts after;
    if (!closed || !station.counts(after))
        return fail(io.err, command, "the registry: " + station.error().toStdString());
    io.out << "Job " << plan.name.toStdString() << ": " << after.done << " of " << after.receivers
           << (after.receivers == 1 ? " receiver" : " receivers") << " done; this station " << station.ok_count()
           << " ok, " << station.failed_count() << " failed\n";
    bool read = true;
    const auto held = station.held(&read);
    if (!read) return fail(io.err, command, "the registry: " + station.error().toStdString());
    if (!held.empty()) {
        io.err << "qrt58cli: job: " << held.size() << (held.size() == 1 ? " receiver is" : " receivers are")
               << " held by a failed, stopped or interrupted receiver (qrt58cli registry release CAPCODE "
                  "frees one once it is dealt with):";
        for (const HeldReceiver& h : held)
            io.err << ' ' << capcode_list_text(h.capcodes).toStdString() << " (" << h.result.toStdString() << ')';
        io.err << '\n';
        status = kExitFailed;
    }
    if (g_stop) {
        io.err << "qrt58cli: job: stopped by Ctrl+C: the boards finished the receivers they had and took no "
                  "more; run the job again to resume it\n";
        status = kExitFailed;
    }
    return status;
}

int cmd_registry(const QString& action, const QStringList& args, const QString& given, bool csv, bool scrapped,
                 const CommandIo& terminal) {
    const char* command = "registry";
    // What the registry holds was written by other stations: escaped on the
    // way to a terminal (the export goes unchanged into a file or pipe).
    PrintableStream escaped_out(terminal.out), err(terminal.err);
    const bool raw_out = action == QLatin1String("export") && !terminal.out_terminal;
    const CommandIo io{terminal.in,  terminal.data,        raw_out ? terminal.out : escaped_out,
                       err,          terminal.quiet,       terminal.bar,
                       terminal.ask, terminal.out_terminal};
    const auto capcode_arg = [&](qint64& capcode) {
        bool ok = false;
        if (args.size() == 1) capcode = args[0].toLongLong(&ok);
        if (!ok || capcode <= 0) {
            io.err << "qrt58cli: registry: " << action.toStdString() << " takes one CAPCODE (a whole number)\n";
            return false;
        }
        return true;
    };
    qint64 capcode = 0;
    if (action == QLatin1String("release") || action == QLatin1String("show")) {
        if (!capcode_arg(capcode)) return kExitUsage;
    } else if (action == QLatin1String("export")) {
        if (!csv || !args.isEmpty()) {
            io.err << "qrt58cli: registry: export takes --csv (and no other argument)\n";
            return kExitUsage;
        }
    } else {
        io.err << "qrt58cli: registry: unknown action '" << action.toStdString() << "' (release, export, show)\n";
        return kExitUsage;
    }
    const auto where = registry_of(given, io.err, command);
    if (!where) return kExitUsage;
    QString error;
    auto registry = Registry::open(*where, &error, QStringLiteral("qrt58 registry"));
    if (!registry) return fail(io.err, command, error.toStdString());

    if (action == QLatin1String("release")) {
        QString message;
        if (!registry->release(capcode, message, scrapped))
            return fail(io.err, command, (message.isEmpty() ? registry->error() : message).toStdString());
        io.out << message.toStdString() << '\n';
        return 0;
    }
    if (action == QLatin1String("show")) {
        const auto list = registry->receivers_with(capcode);
        if (!registry->error().isEmpty()) return fail(io.err, command, registry->error().toStdString());
        if (list.empty()) {
            const QString job = registry->job_holding(capcode);
            if (!registry->error().isEmpty()) return fail(io.err, command, registry->error().toStdString());
            if (!job.isEmpty()) {
                io.out << "Capcode " << capcode << ": held for job " << job.toStdString() << ", not programmed yet\n";
                return 0;
            }
            return fail(io.err, command, "capcode " + std::to_string(capcode) + " is in no receiver of the registry");
        }
        for (const ReceiverRecord& r : list) {
            // A receiver that failed keeps its capcodes until they are released.
            const bool held =
                r.released_at.isEmpty() && r.result != QLatin1String("ok") && r.result != QLatin1String("programming");
            io.out << "Capcode " << capcode << ": " << receiver_text(r) << ", " << r.result.toStdString()
                   << (r.released_at.isEmpty() ? "" : ", released " + r.released_at.toStdString())
                   << (held ? ", held until released (qrt58cli registry release " + std::to_string(capcode) + ")"
                            : std::string())
                   << "\n  programmed " << r.started_at.toStdString() << " to "
                   << (r.finished_at.isEmpty() ? std::string("(not finished)") : r.finished_at.toStdString())
                   << " at station " << r.station.toStdString() << " on board " << r.board.toStdString()
                   << "\n  image SHA-256 "
                   << (r.image_sha256.isEmpty() ? std::string("(none written)") : r.image_sha256.toStdString())
                   << "\n  capcodes " << padded_capcodes(r.capcodes).toStdString() << '\n';
        }
        return 0;
    }
    // export --csv: the production log, one line per receiver.
    io.out << "time,capcode,result,station,board,job,receiver,capcodes,image_sha256\n";
    const bool ok = registry->for_each_receiver([&](const ReceiverRecord& r) {
        const QString capcodes = padded_capcodes(r.capcodes);
        // The time as the --log file writes it (whole seconds, UTC).
        const QString stored = r.finished_at.isEmpty() ? r.started_at : r.finished_at;
        const QDateTime when = QDateTime::fromString(stored, Qt::ISODateWithMs);
        io.out << csv_field(when.isValid() ? when.toUTC().toString(Qt::ISODate) : stored) << ','
               << csv_field(capcodes.section(' ', 0, 0)) << ',' << csv_field(r.result) << ',' << csv_field(r.station)
               << ',' << csv_field(r.board) << ',' << csv_field(r.job) << ',' << r.number << ',' << csv_field(capcodes)
               << ',' << csv_field(r.image_sha256) << '\n';
    });
    io.out.flush();
    if (!ok) return fail(io.err, command, registry->error().toStdString());
    return 0;
}

} // namespace qrt58::cli

#include "cli_transfer.h"

#include "production_log.h"
#include "production_run.h"
#include "safe_file.h"

#include "board.h"
#include "capcode.h"
#include "default_image.h"
#include "table_file.h"
#include "transfer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QString>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace qrt58::cli {
namespace {

Clock* g_clock = nullptr;

// Messages as lines (results on `out`, failures on `err`); a progress bar on the
// terminal when stderr is one. Results ("Read success!", "Verify Success!") are
// held back until the command knows that everything it does has succeeded
// (the output file, the simulated EEPROM's file, the bus trace): a run that
// fails after all never prints a success.
class TerminalView : public TransferView {
public:
    TerminalView(std::ostream& out, std::ostream& err, bool bar) : out_(out), err_(err), bar_(bar) {}
    // "Writing Now......." and the like: the bar shows the word before " Now",
    // padded so that the bars of the phases line up.
    void set_status(const QString& text) override {
        const QString phase = text.section(QStringLiteral(" Now"), 0, 0);
        phase_ = phase.leftJustified(9).toStdString();
        end_bar();
        last_pct_ = -1;
        draw();
    }
    void set_progress_max(int max) override { max_ = max; }
    void set_progress_position(int position) override {
        position_ = position;
        draw();
    }
    void set_progress_colour(std::uint32_t) override {}
    void message(const QString& text, MessageKind kind) override {
        if (kind == MessageKind::Info) {
            results_.push_back(text.toStdString() + suffix_);
            return;
        }
        if (kind == MessageKind::Warning && hold_warnings_) {
            held_ << text;
            return;
        }
        if (text == QLatin1String("Verify Error!")) {
            // The caller reports what differs, in one line of its own.
            verify_failed_ = true;
            return;
        }
        line(text.toStdString() + (kind == MessageKind::Error ? suffix_ : std::string()));
    }
    // A line on standard error, after the bar.
    void line(const std::string& text) {
        end_bar();
        err_ << text << '\n';
        err_.flush();
    }
    // " (simulated receiver FILE)": every result line names the board.
    void set_suffix(const QString& suffix) { suffix_ = ' ' + suffix.toStdString(); }
    const std::string& suffix() const { return suffix_; }
    // While the board is searched its messages are kept for one line.
    void hold_warnings(bool hold) { hold_warnings_ = hold; }
    QStringList take_held() { return std::exchange(held_, {}); }
    bool take_verify_failed() { return std::exchange(verify_failed_, false); }
    void drop_results() { results_.clear(); }
    // Prints the results held back so far.
    void print_results() {
        end_bar();
        for (const std::string& r : results_) out_ << r << '\n';
        out_.flush();
        results_.clear();
    }
    void end_bar() {
        if (drawn_) err_ << '\n';
        drawn_ = false;
    }

private:
    void draw() {
        if (!bar_ || max_ <= 0 || phase_.empty()) return;
        // The bar only grows within a phase (the engine puts the position
        // back to 0 when it is done).
        const int pct = std::min(100, std::max(0, position_ * 100 / max_));
        if (pct <= last_pct_) return;
        constexpr int kWidth = 40;
        const int fill = pct * kWidth / 100;
        err_ << '\r' << phase_ << " [" << std::string(static_cast<std::size_t>(fill), '#')
             << std::string(static_cast<std::size_t>(kWidth - fill), '.') << "] " << pct << "%";
        err_.flush();
        drawn_ = true;
        last_pct_ = pct;
    }

    std::ostream& out_;
    std::ostream& err_;
    bool bar_;
    std::string suffix_;
    bool hold_warnings_ = false;
    QStringList held_;
    bool verify_failed_ = false;
    std::vector<std::string> results_;
    bool drawn_ = false;
    int last_pct_ = -1;
    std::string phase_;
    int max_ = 0;
    int position_ = 0;
};

// Raises the first capcode of `image` by one as the production station does.
// False (with the limit message on the view) when it cannot.
bool raise_first_capcode(PagerTable& image, TerminalView& view) {
    const bool long_pair = pair_is_long_in_image(image, 0);
    const DecodedCapcode shown = decode_capcode(capcode_word(image, 0), capcode_word(image, 1), long_pair);
    const CapcodeIncrement step = next_first_capcode(QString::fromStdString(shown.text), long_pair);
    if (step.result != CapcodeIncrement::Result::Next) {
        view.message(step.message, MessageKind::Warning);
        return false;
    }
    store_capcode(image, 0, static_cast<double>(step.next), long_pair);
    // Keep the frame map in step with the new capcode, as an edit of the box does.
    apply_frame_rule(image, long_pairs_from_image(image));
    return true;
}

// What a successful cycle leaves behind must be kept before it counts: the
// simulated receiver's memory file.
bool board_memory_saved(Board& board, std::ostream& err) {
    QString why;
    if (board.bus().keep_memory(&why)) return true;
    err << "qrt58cli: " << why.toStdString() << '\n';
    return false;
}

// The verify failed: what differs, read back from the receiver, in one line.
VerifyReport report_verify_error(EepromBus& bus, const PagerTable& image, TerminalView& view) {
    PagerTable got;
    VerifyReport report;
    if (read_receiver(bus, got)) {
        report = compare_with_receiver(image, got);
        view.line(verify_report_text(report).toStdString() + view.suffix());
    } else {
        report.differing = -1;
        view.line("Verify Error! (the receiver could not be read back to show what differs)" + view.suffix());
    }
    bus.board_idle();
    return report;
}

// The board search failed: one line with what is known of the reason.
void report_no_board(const std::string& command, const Board& board, const QString& start_error, TerminalView& view,
                     std::ostream& err) {
    QStringList reasons;
    if (!start_error.isEmpty()) reasons << start_error;
    for (const QString& text : view.take_held())
        for (const QString& part : text.split('\n', Qt::SkipEmptyParts)) {
            const QString t = part.trimmed();
            if (t != QLatin1String(kBoardNotResponding) && !reasons.contains(t)) reasons << t;
        }
    QString detail = board.description(true);
    if (!reasons.isEmpty()) detail += QStringLiteral(": ") + reasons.join(QStringLiteral("; "));
    view.end_bar();
    err << "qrt58cli: " << command << ": " << kBoardNotResponding << " (" << detail.toStdString() << ")\n";
}

std::string first_capcode_text(const PagerTable& image) {
    return decode_capcode(capcode_word(image, 0), capcode_word(image, 1), pair_is_long_in_image(image, 0)).text;
}

// One write and verify, or a production run of request.count receivers, each
// claimed in the registry by `run` before it is written and recorded after.
int run_writes(const TransferRequest& request, PagerTable& image, TransferEngine& engine, Board& board,
               TerminalView& view, ProductionLog* log, ProductionRun* run, const CommandIo& io) {
    const auto logged = [&](const std::string& capcode, ProductionResult result) {
        if (!log || log->append(QString::fromStdString(capcode), result)) return true;
        fail(io.err, "write", log->error().toStdString());
        return false;
    };
    const int count = std::max(1, request.count);
    for (int cycle = 1; cycle <= count; ++cycle) {
        if (io.ask && request.count > 0 && cycle > 1) {
            io.err << "Next receiver: press Enter to write, q to stop: ";
            std::string answer;
            if (!std::getline(io.in, answer) || answer == "q") break;
        }
        const std::string capcode = first_capcode_text(image);
        // A capcode another run, station or job has is refused before anything is written.
        if (run && !run->claim(image)) return fail(io.err, "write", run->error().toStdString());
        if (request.count > 0) io.out << "Receiver " << cycle << " of " << count << ", capcode 1: " << capcode << '\n';
        engine.tbl_writeall(image);
        board.bus().bus_stop();
        const bool written = !engine.abort_flag();
        if (written) engine.verify(image);
        board.bus().bus_stop();
        if (view.take_verify_failed()) report_verify_error(board.bus(), image, view);
        const bool verified = written && !engine.abort_flag();
        // What a receiver counts on must be kept before the result counts (a
        // simulated receiver's memory file; a lost one is a failed write).
        const bool kept = verified && board_memory_saved(board, io.err);
        const ProductionResult result = cycle_result(written && (kept || !verified), verified);
        if (run && !run->record(image, registry_result(result))) {
            logged(capcode, result);
            return fail(io.err, "write", run->error().toStdString());
        }
        if (!logged(capcode, result) || !kept) return kExitFailed;
        if (request.count == 0) return 0;
        // This receiver is done: its success counts whatever comes next.
        view.print_results();
        if (!raise_first_capcode(image, view)) {
            logged(capcode, ProductionResult::Limit);
            return kExitFailed;
        }
        const SaveResult stored = save_table_file(QString::fromStdString(request.file), image);
        if (!stored.ok)
            // The file still holds the capcode just programmed: going on (or a
            // rerun) would program it into the next receiver as well.
            return fail(io.err, "write",
                        capcode_not_recorded(QString::fromStdString(capcode),
                                             QString::fromStdString(first_capcode_text(image)),
                                             QString::fromStdString(request.file), stored.error)
                            .toStdString());
    }
    return 0;
}

// The files one run writes or reads, with what they are to it.
NamedFiles run_files(const TransferRequest& request, const BoardChoice& board, bool piped) {
    NamedFiles files;
    if (!piped) files.emplace_back(QStringLiteral("the table file"), QString::fromStdString(request.file));
    if (!request.options.trace_vcd.isEmpty())
        files.emplace_back(QStringLiteral("the bus trace"), request.options.trace_vcd);
    if (!request.log.isEmpty()) files.emplace_back(QStringLiteral("the production log"), request.log);
    if (board.simulated()) files.emplace_back(QStringLiteral("the simulated EEPROM file"), board.memory_file());
    return files;
}

} // namespace

void set_transfer_clock(Clock* clock) { g_clock = clock; }

int cmd_transfer(const TransferRequest& request, const CommandIo& io) {
    const std::string& command = request.command;
    const std::string& file = request.file;
    const bool piped = file == "-";
    const QString path = QString::fromStdString(file);
    std::ostream& err = io.err;

    PagerTable image = build_default_image();
    if (command != "read") {
        if (piped) {
            // One byte more than an image tells a longer input apart.
            std::string bytes(kImageSize + 1, '\0');
            io.in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<std::size_t>(io.in.gcount()));
            if (bytes.size() != static_cast<std::size_t>(kImageSize))
                return fail(err, command,
                            "standard input holds " + std::to_string(bytes.size()) + " bytes, not the " +
                                std::to_string(kImageSize) + " of an image");
            if (!image_from_bytes(QByteArray::fromStdString(bytes), image))
                return fail(err, command, "standard input is not a QRT58 table file");
        } else {
            const LoadResult loaded = load_table_file(path, image);
            if (loaded.status == LoadStatus::WrongSignature)
                return fail(err, command, file + " is not a QRT58 table file");
            if (loaded.status != LoadStatus::Ok) return fail(err, command, loaded.error.toStdString());
        }
    }

    if (command != "read") {
        // Program and compare what the window would after opening the same
        // file: its repairs on opening come first, and the user is told.
        const OpenRepair repair = repair_opened_image(image);
        if (repair.any())
            io.out << "Repaired as the editor window does on opening " << (piped ? "the image" : file) << ": "
                   << repair.describe() << '\n';
    }

    auto settings = open_board_settings();
    const BoardSettings chosen = resolve_board_settings(request.options, *settings);
    // No file of this run is written over another one of it (a trace over the
    // table file, the log over the receiver's memory), under any name.
    if (const QString clash = files_in_conflict(run_files(request, chosen.choice, piped)); !clash.isEmpty())
        return fail(err, command, clash.toStdString());
    if (command == "read" && !piped) {
        // The receiver is read only when what it holds can be kept.
        if (const QString why = cannot_save_reason(path); !why.isEmpty())
            return fail(err, command, "Cannot save " + file + ": " + why.toStdString());
    }
    // A production run holds its table file for the whole run and goes
    // through the registry unless told otherwise.
    std::optional<ProductionRun> run;
    if (request.count > 0) {
        ProductionRunOptions production;
        production.file = path;
        if (!request.no_registry) {
            QString error;
            production.registry = resolve_registry_location(request.registry, *settings, &error);
            if (!production.registry) return fail(err, command, error.toStdString());
        }
        production.host = QSysInfo::machineHostName();
        production.station = production.host;
        production.board = chosen.choice.text();
        run.emplace(production);
        if (!run->lock()) return fail(err, command, run->error().toStdString());
        // The raised capcode is kept in FILE after each receiver: make sure it
        // can be, before the first receiver is programmed.
        const SaveResult writable = save_table_file(path, image);
        if (!writable.ok) return fail(err, command, writable.error.toStdString());
        if (!run->open()) return fail(err, command, run->error().toStdString());
    }
    std::optional<ProductionLog> log;
    if (!request.log.isEmpty()) {
        log.emplace(request.log);
        // Refuse a log that cannot be written before any receiver is touched.
        if (!log->writable()) return fail(err, command, log->error().toStdString());
    }
    auto board = Board::create(chosen, g_clock);
    // --board is for this run; without it and without a remembered choice the
    // simulated receiver is used, which is worth a word.
    if (!request.options.board && !board_choice_made(*settings) && !io.quiet)
        err << "qrt58cli: " << no_board_choice_notice().toStdString() << '\n';
    const BoardOpening opened = board->open();
    if (!opened.trace_error.isEmpty()) return fail(err, command, opened.trace_error.toStdString());
    EepromBus& link = board->bus();

    // With the image on standard output, the results go to standard error.
    TerminalView view(piped && command == "read" ? io.notes() : io.out, err, io.bar);
    view.set_suffix(board->result_suffix());
    if (request.verbose)
        link.set_step_log([&](const QString& step) { view.line("qrt58cli: board: " + step.toStdString()); });
    TransferEngine engine(link, view);
    link.calibrate_delay();
    view.hold_warnings(true);
    const bool found = engine.find_board();
    view.hold_warnings(false);
    if (!found) {
        report_no_board(command, *board, opened.driver.error, view, err);
        return kExitFailed;
    }
    if (request.verbose) view.line("qrt58cli: board: " + board->description(true).toStdString() + " answered");

    int status = 0;
    if (command == "read") {
        const bool ok = engine.eep_readall(image);
        link.bus_stop();
        if (!ok) {
            status = kExitFailed;
        } else if (!piped) {
            const SaveResult saved = save_table_file(path, image);
            if (!saved.ok) status = fail(err, command, saved.error.toStdString());
        }
    } else if (command == "verify") {
        engine.verify(image);
        link.bus_stop();
        status = engine.abort_flag() ? kExitFailed : 0;
        std::optional<VerifyReport> report;
        if (view.take_verify_failed()) report = report_verify_error(link, image, view);
        if (request.json) {
            // One document instead of the result line.
            view.drop_results();
            QJsonObject doc{{"command", "verify"},
                            {"file", QString::fromStdString(file)},
                            {"board", board->description(true)},
                            {"result", status == 0 ? "equal"
                                       : report    ? "differ"
                                                   : "error"}};
            if (report && report->differing >= 0) {
                doc["differing_bytes"] = report->differing;
                if (report->first >= 0) {
                    doc["first_difference"] =
                        QJsonObject{{"address", report->first}, {"file", report->expected}, {"receiver", report->got}};
                }
            }
            io.out << QJsonDocument(doc).toJson(QJsonDocument::Indented).toStdString();
        }
    } else {
        status = run_writes(request, image, engine, *board, view, log ? &*log : nullptr, run ? &*run : nullptr, io);
        if (run && !run->close() && status == 0) status = fail(err, command, run->error().toStdString());
    }
    view.end_bar();
    link.board_idle();
    const DriverStatus stopped = board->stop_driver();
    if (!stopped.ok) {
        err << "qrt58cli: " << stopped.error.toStdString() << '\n';
        status = kExitFailed;
    }
    if (status == 0 && piped && command == "read") {
        errno = 0;
        io.data.write(reinterpret_cast<const char*>(image.data()), kImageSize);
        if (!io.data.flush())
            status = fail(err, command,
                          std::string("cannot write the image to standard output: ") +
                              std::strerror(errno != 0 ? errno : EIO));
    }
    if (status == 0) {
        view.print_results();
        remember_line_delay(*settings, request.options);
    }
    return status;
}

} // namespace qrt58::cli

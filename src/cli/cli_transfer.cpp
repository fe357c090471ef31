#include "cli_transfer.h"

#include "board.h"
#include "capcode.h"
#include "default_image.h"
#include "sim_board.h"
#include "table_file.h"
#include "transfer.h"

#include <QSettings>
#include <QString>
#include <iostream>
#include <ostream>
#include <unistd.h>

namespace qrt58::cli {
namespace {

Clock* g_clock = nullptr;

int fail(std::ostream& err, const std::string& message) {
    err << "qrt58cli: " << message << '\n';
    return 1;
}

// Messages as lines (results on `out`, failures on `err`); a progress bar on the
// terminal when stderr is one. Results ("Read success!", "Verify Success!") are
// held back until the command knows that everything it does has succeeded
// (the output file, the simulated EEPROM's file, the bus trace): a run that
// fails after all never prints a success.
class TerminalView : public TransferView {
public:
    TerminalView(std::ostream& out, std::ostream& err, bool bar) : out_(out), err_(err), bar_(bar) {}
    void set_status(const QString& text) override {
        status_ = text.toStdString();
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
            results_.push_back(text.toStdString());
            return;
        }
        end_bar();
        err_ << text.toStdString() << '\n';
        err_.flush();
    }
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
        if (!bar_ || max_ <= 0) return;
        const int pct = std::min(100, std::max(0, position_ * 100 / max_));
        if (drawn_ && pct == last_pct_) return;
        constexpr int kWidth = 40;
        const int fill = pct * kWidth / 100;
        err_ << '\r' << status_ << " [" << std::string(static_cast<std::size_t>(fill), '#')
             << std::string(static_cast<std::size_t>(kWidth - fill), '.') << "] " << pct << "%";
        err_.flush();
        drawn_ = true;
        last_pct_ = pct;
    }

    std::ostream& out_;
    std::ostream& err_;
    bool bar_;
    std::vector<std::string> results_;
    bool drawn_ = false;
    int last_pct_ = -1;
    std::string status_;
    int max_ = 0;
    int position_ = 0;
};

// Raises the first capcode of `image` by one as the production station does.
// False (with the limit message on the view) when it cannot.
bool raise_first_capcode(PagerTable& image, TerminalView& view) {
    const bool long_pair = pair_is_long_in_image(image, 0);
    const DecodedCapcode shown =
        decode_capcode(capcode_word(image, 0), capcode_word(image, 1), long_pair);
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

// What a successful cycle leaves behind must be on disk before it counts: the
// simulated receiver's memory file.
bool board_memory_saved(Board& board, std::ostream& err) {
    SimBoard* sim = board.sim();
    if (!sim || sim->flush()) return true;
    fail(err, sim->save_error().toStdString());
    return false;
}

} // namespace

void set_transfer_clock(Clock* clock) { g_clock = clock; }

int cmd_transfer(const std::string& command, const std::vector<std::string>& args_in, std::ostream& out,
                 std::ostream& err) {
    std::vector<std::string> args = args_in;
    BoardOptions options;
    std::string error;
    if (!take_board_options(args, options, error)) return fail(err, command + ": " + error);
    std::string file;
    int count = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (command == "write" && (a == "--count" || a.rfind("--count=", 0) == 0)) {
            std::string v = a == "--count" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(8);
            bool ok = false;
            count = QString::fromStdString(v).toInt(&ok);
            if (!ok || count < 1) return fail(err, "write: --count takes a number of receivers, 1 or more");
        } else if (!a.empty() && a[0] == '-') {
            return fail(err, command + ": unknown option " + a);
        } else if (file.empty()) {
            file = a;
        } else {
            return fail(err, command + ": more than one file given");
        }
    }
    if (file.empty()) return fail(err, command + ": no file given (qrt58cli " + command + " FILE)");
    const QString path = QString::fromStdString(file);

    PagerTable image = build_default_image();
    if (command != "read") {
        const LoadResult loaded = load_table_file(path, image);
        if (loaded.status == LoadStatus::WrongSignature)
            return fail(err, command + ": " + file + " is not a QRT58 table file");
        if (loaded.status != LoadStatus::Ok)
            return fail(err, command + ": " + loaded.error.toStdString());
    }

    auto settings = open_board_settings();
    const BoardSettings chosen = resolve_board_settings(options, *settings);
    if (command == "write" && count > 0) {
        // The raised capcode is kept in FILE after each receiver: make sure it
        // can be, before the first receiver is programmed.
        const SaveResult writable = save_table_file(path, image);
        if (!writable.ok) return fail(err, "write: " + writable.error.toStdString());
    }
    auto board = Board::create(chosen.choice, g_clock);
    const DriverStatus started = board->start_driver();
    if (started.ok) remember_board_choice(*settings, options);
    else err << "qrt58cli: " << started.error.toStdString() << '\n';
    EepromBus& link = board->bus();
    link.set_line_delay_us(chosen.line_delay_us);
    if (!options.trace_vcd.isEmpty() && !board->start_trace(options.trace_vcd))
        return fail(err, command + ": " + board->trace_error().toStdString());

    TerminalView view(out, err, &err == &std::cerr && ::isatty(2));
    TransferEngine engine(link, view);
    link.calibrate_delay();
    if (!engine.find_board()) return 1;

    int status = 0;
    if (command == "read") {
        const bool ok = engine.eep_readall(image);
        link.bus_stop();
        if (ok) {
            const SaveResult saved = save_table_file(path, image);
            if (!saved.ok) status = fail(err, "read: " + saved.error.toStdString());
        } else {
            status = 1;
        }
    } else if (command == "verify") {
        engine.verify(image);
        link.bus_stop();
        status = engine.abort_flag() ? 1 : 0;
    } else if (count == 0) {
        status = engine.write_and_verify(image) ? 0 : 1;
    } else {
        const bool ask = ::isatty(0);
        for (int cycle = 1; cycle <= count; ++cycle) {
            if (ask && cycle > 1) {
                err << "Next receiver: press Enter to write, q to stop: ";
                std::string answer;
                if (!std::getline(std::cin, answer) || answer == "q") break;
            }
            out << "Receiver " << cycle << " of " << count << ", capcode 1: "
                << decode_capcode(capcode_word(image, 0), capcode_word(image, 1),
                                  pair_is_long_in_image(image, 0))
                       .text
                << '\n';
            if (!engine.write_and_verify(image) || !board_memory_saved(*board, err)) {
                status = 1;
                break;
            }
            // This receiver is done: its success counts whatever comes next.
            view.print_results();
            if (!raise_first_capcode(image, view)) {
                status = 1;
                break;
            }
            const SaveResult saved = save_table_file(path, image);
            if (!saved.ok) {
                status = fail(err, "write: " + saved.error.toStdString());
                break;
            }
        }
    }
    view.end_bar();
    link.board_idle();
    const DriverStatus stopped = board->stop_driver();
    if (!stopped.ok) status = fail(err, stopped.error.toStdString());
    if (status == 0) {
        view.print_results();
        remember_line_delay(*settings, options);
    }
    return status;
}

} // namespace qrt58::cli

#include "board.h"

#include "board_backend.h"
#include "safe_file.h"

#include <QSettings>

namespace qrt58 {

namespace {
const QString kBoardKey = QStringLiteral("board/driver");
const QString kDelayKey = QStringLiteral("board/line_delay_us");
} // namespace

BoardSettings load_board_settings(QSettings& settings) {
    BoardSettings s;
    if (auto c = parse_board_choice(settings.value(kBoardKey, QStringLiteral("sim")).toString())) s.choice = *c;
    bool ok = false;
    const int us = settings.value(kDelayKey, kDefaultLineDelayUs).toInt(&ok);
    if (ok && us >= kMinLineDelayUs && us <= kMaxLineDelayUs) s.line_delay_us = us;
    return s;
}

void save_board_settings(QSettings& settings, const BoardSettings& values) {
    settings.setValue(kBoardKey, values.choice.text());
    settings.setValue(kDelayKey, values.line_delay_us);
}

BoardSettings resolve_board_settings(const BoardOptions& options, QSettings& settings) {
    BoardSettings s = load_board_settings(settings);
    if (options.board) s.choice = *options.board;
    if (options.line_delay_us) s.line_delay_us = *options.line_delay_us;
    s.trace_vcd = options.trace_vcd;
    return s;
}

bool board_choice_made(QSettings& settings) { return settings.contains(kBoardKey); }

QString no_board_choice_notice() {
    return QStringLiteral("no board chosen yet: using the simulated receiver "
                          "(choose one with Options > Board... or qrt58cli board BOARD)");
}

void save_board_choice(QSettings& settings, const BoardChoice& choice) { settings.setValue(kBoardKey, choice.text()); }

void remember_line_delay(QSettings& settings, const BoardOptions& options) {
    if (options.line_delay_us) settings.setValue(kDelayKey, *options.line_delay_us);
}

std::unique_ptr<QSettings> open_board_settings() {
    const QString file = qEnvironmentVariable("QRT58_SETTINGS");
    if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(); // the application's organization and name
}

Board::Board(std::unique_ptr<BoardBackend> backend, const BoardChoice& choice, Clock* clock,
             std::unique_ptr<Clock> own_clock)
    : own_clock_(std::move(own_clock)), clock_(clock), choice_(choice) {
    if (!clock_) {
        if (!own_clock_) own_clock_ = std::make_unique<SteadyClock>();
        clock_ = own_clock_.get();
    }
    backend_ = std::move(backend);
}

Board::Board(std::unique_ptr<I2cDev> dev, const QString& path, Clock* clock) : clock_(clock) {
    if (!clock_) {
        own_clock_ = std::make_unique<SteadyClock>();
        clock_ = own_clock_.get();
    }
    backend_ = make_adapter_board(std::move(dev), *clock_, path);
    choice_ = *parse_board_choice(path.isEmpty() ? QStringLiteral("i2c") : QStringLiteral("i2c:") + path);
}

Board::~Board() { stop_driver(); }

std::unique_ptr<Board> Board::create(const BoardChoice& choice, Clock* clock) {
    std::unique_ptr<Clock> own;
    if (!clock) {
        own = std::make_unique<SteadyClock>();
        clock = own.get();
    }
    const QString device = choice.simulated() ? choice.memory_file() : choice.path;
    auto backend = choice.kind->make(device, *clock, own != nullptr);
    return std::make_unique<Board>(std::move(backend), choice, clock, std::move(own));
}

std::unique_ptr<Board> Board::create(const BoardSettings& settings, Clock* clock) {
    auto board = create(settings.choice, clock);
    board->bus().set_line_delay_us(settings.line_delay_us);
    board->trace_vcd_ = settings.trace_vcd;
    return board;
}

EepromBus& Board::bus() { return backend_->bus(); }

QString Board::description(bool full_path, const QString& root) const {
    return choice_.kind->title(device(), full_path, root);
}

QString Board::result_suffix() const {
    if (choice_.kind->result_suffix) return choice_.kind->result_suffix(device());
    return QLatin1Char('(') + description() + QLatin1Char(')');
}

QString Board::device() const {
    if (choice_.simulated()) return choice_.memory_file();
    // The adapter found when none was named is known once the driver started.
    const QString in_use = backend_->device();
    return in_use.isEmpty() ? choice_.path : in_use;
}

BoardOpening Board::open() {
    BoardOpening opening;
    opening.driver = start_driver();
    if (opening.driver.ok && !trace_vcd_.isEmpty() && !start_trace(trace_vcd_)) opening.trace_error = trace_error_;
    return opening;
}

DriverStatus Board::start_driver() {
    const DriverStatus status = backend_->start();
    started_ = status.ok;
    return status;
}

bool Board::start_up() {
    bus().calibrate_delay();
    const bool found = bus().find_board();
    bus().board_idle();
    return found;
}

DriverStatus Board::stop_driver() {
    QString trace_error;
    if (trace_) {
        // Shut-down may end the process at once: finish the trace file now.
        backend_->observe_lines(nullptr);
        if (!trace_->close()) trace_error = trace_->error();
        trace_.reset();
    }
    QString error;
    if (started_) {
        const DriverStatus stopped = backend_->stop();
        started_ = false;
        error = stopped.error;
    }
    if (!trace_error.isEmpty()) error = error.isEmpty() ? trace_error : error + '\n' + trace_error;
    return {error.isEmpty(), error};
}

bool Board::start_trace(const QString& path) {
    // Checked first: the trace must not be opened over the receiver's memory.
    if (const QString file = choice_.memory_file(); !file.isEmpty() && same_file(path, file)) {
        trace_error_ = QStringLiteral("The bus trace %1 is the simulated EEPROM file %2; give the trace a "
                                      "file of its own")
                           .arg(path, file);
        return false;
    }
    if (const QString why = backend_->trace_refusal(); !why.isEmpty()) {
        trace_error_ = QStringLiteral("%1 (no trace written to %2)").arg(why, path);
        return false;
    }
    auto trace = std::make_unique<VcdTrace>();
    if (!trace->open(path)) {
        trace_error_ = trace->error();
        return false;
    }
    trace_error_.clear();
    backend_->observe_lines(trace.get());
    trace_ = std::move(trace);
    return true;
}

} // namespace qrt58

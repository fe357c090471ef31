#include "board.h"

#include "board_scan.h"
#include "i2c_bus.h"
#include "io_driver.h"
#include "ppdev_driver.h"
#include "safe_file.h"
#include "sim_board.h"
#include "sim_i2c.h"

#include <QFileInfo>
#include <QSettings>

namespace qrt58 {

namespace {
const QString kBoardKey = QStringLiteral("board/driver");
const QString kDelayKey = QStringLiteral("board/line_delay_us");
} // namespace

QString BoardChoice::text() const {
    QString name;
    switch (kind) {
    case Kind::Sim: name = QStringLiteral("sim"); break;
    case Kind::Ppdev: name = QStringLiteral("ppdev"); break;
    case Kind::Io: name = QStringLiteral("io"); break;
    case Kind::I2c: name = QStringLiteral("i2c"); break;
    case Kind::SimI2c: name = QStringLiteral("sim-i2c"); break;
    }
    return path.isEmpty() ? name : name + ':' + path;
}

std::optional<BoardChoice> parse_board_choice(const QString& text, QString* error) {
    const int colon = text.indexOf(':');
    const QString name = colon < 0 ? text : text.left(colon);
    const QString path = colon < 0 ? QString() : text.mid(colon + 1);
    BoardChoice c;
    c.path = path;
    if (name == QLatin1String("sim")) {
        c.kind = BoardChoice::Kind::Sim;
    } else if (name == QLatin1String("ppdev")) {
        c.kind = BoardChoice::Kind::Ppdev;
    } else if (name == QLatin1String("io") && path.isEmpty()) {
        c.kind = BoardChoice::Kind::Io;
    } else if (name == QLatin1String("i2c")) {
        c.kind = BoardChoice::Kind::I2c;
    } else if (name == QLatin1String("sim-i2c")) {
        c.kind = BoardChoice::Kind::SimI2c;
    } else {
        if (error)
            *error = QStringLiteral("unknown board '%1' (use sim[:FILE], ppdev[:/dev/parportN], io or "
                                    "i2c[:/dev/i2c-N]; sim-i2c[:FILE] simulates an I2C adapter)")
                         .arg(text);
        return std::nullopt;
    }
    return c;
}

BoardSettings load_board_settings(QSettings& settings) {
    BoardSettings s;
    if (auto c = parse_board_choice(settings.value(kBoardKey, QStringLiteral("sim")).toString()))
        s.choice = *c;
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
    return s;
}

bool board_choice_made(QSettings& settings) { return settings.contains(kBoardKey); }

QString no_board_choice_notice() {
    return QStringLiteral("no board chosen yet: using the simulated receiver "
                          "(choose one with Options > Board... or qrt58cli board BOARD)");
}

void save_board_choice(QSettings& settings, const BoardChoice& choice) {
    settings.setValue(kBoardKey, choice.text());
}

void remember_line_delay(QSettings& settings, const BoardOptions& options) {
    if (options.line_delay_us) settings.setValue(kDelayKey, *options.line_delay_us);
}

std::unique_ptr<QSettings> open_board_settings() {
    const QString file = qEnvironmentVariable("QRT58_SETTINGS");
    if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(); // the application's organization and name
}

Board::Board(std::unique_ptr<PortDriver> driver, Clock* clock) : driver_(std::move(driver)) {
    if (!clock) {
        own_clock_ = std::make_unique<SteadyClock>();
        clock = own_clock_.get();
    }
    clock_ = clock;
    link_ = std::make_unique<BoardLink>(*driver_, *clock_);
}

namespace {
// The port side of an I2C board: nothing is attached, it never starts.
class NoPort : public PortDriver {
public:
    DriverStatus initialize() override { return {false, QStringLiteral("no parallel port on an I2C board")}; }
    void shutdown() override {}
    int get_port_val(int) override { return -1; }
    bool set_port_val(int, int) override { return false; }
    QString describe() const override { return QStringLiteral("none"); }
};
} // namespace

Board::Board(std::unique_ptr<I2cDev> dev, const QString& path, Clock* clock)
    : Board(std::make_unique<NoPort>(), clock) {
    i2c_dev_ = std::move(dev);
    i2c_bus_ = std::make_unique<I2cBus>(*i2c_dev_, *clock_, path);
}

Board::~Board() { stop_driver(); }

EepromBus& Board::bus() {
    if (i2c_bus_) return *i2c_bus_;
    return *link_;
}

std::unique_ptr<Board> Board::create(const BoardChoice& choice, Clock* clock) {
    std::unique_ptr<Clock> own;
    if (!clock) {
        own = std::make_unique<SteadyClock>();
        clock = own.get();
    }
    std::unique_ptr<PortDriver> driver;
    std::unique_ptr<Board> board;
    switch (choice.kind) {
    case BoardChoice::Kind::Sim:
        driver = std::make_unique<SimBoard>(*clock, choice.path.isEmpty() ? SimBoard::default_file() : choice.path);
        break;
    case BoardChoice::Kind::Ppdev: driver = std::make_unique<PpdevDriver>(choice.path); break;
    case BoardChoice::Kind::Io: driver = std::make_unique<IoDriver>(); break;
    case BoardChoice::Kind::I2c:
        board = std::make_unique<Board>(std::make_unique<LinuxI2cDev>(), choice.path, clock);
        break;
    case BoardChoice::Kind::SimI2c: {
        const QString file = choice.path.isEmpty() ? SimI2cFileAdapter::default_file() : choice.path;
        auto adapter = std::make_unique<SimI2cFileAdapter>(*clock, file);
        adapter->blocking = own != nullptr; // on the real clock
        SimBoard* memory = &adapter->memory();
        board = std::make_unique<Board>(std::move(adapter), file, clock);
        board->sim_memory_ = memory;
        break;
    }
    }
    if (!board) board = std::make_unique<Board>(std::move(driver), clock);
    if (own) board->own_clock_ = std::move(own);
    board->choice_ = choice;
    return board;
}

QString Board::description(bool full_path, const QString& root) const {
    switch (choice_.kind) {
    case BoardChoice::Kind::Sim: {
        const QString file = choice_.path.isEmpty() ? SimBoard::default_file() : choice_.path;
        return QStringLiteral("Simulated receiver (%1)").arg(full_path ? file : QFileInfo(file).fileName());
    }
    case BoardChoice::Kind::SimI2c: {
        const QString file = choice_.path.isEmpty() ? SimI2cFileAdapter::default_file() : choice_.path;
        return QStringLiteral("Simulated receiver on I2C (%1)").arg(full_path ? file : QFileInfo(file).fileName());
    }
    case BoardChoice::Kind::Ppdev:
        return choice_.path.isEmpty() ? QStringLiteral("Parallel port (any /dev/parport*)")
                                      : QStringLiteral("Parallel port ") + choice_.path;
    case BoardChoice::Kind::Io: return QStringLiteral("Parallel port I/O (0x378, 0x278, 0x3BC)");
    case BoardChoice::Kind::I2c: {
        // The adapter found when none was named is known once the driver started.
        const QString path = i2c_bus_ && !i2c_bus_->path().isEmpty() ? i2c_bus_->path() : choice_.path;
        if (path.isEmpty()) return QStringLiteral("I2C (first adapter found)");
        for (const I2cAdapterInfo& a : list_i2c_adapters(root))
            if (a.path == path && !a.name.isEmpty()) return QStringLiteral("I2C %1 (%2)").arg(path, a.name);
        return QStringLiteral("I2C ") + path;
    }
    }
    return choice_.text();
}

QString Board::result_suffix() const {
    if (choice_.kind == BoardChoice::Kind::Sim) {
        const QString file = choice_.path.isEmpty() ? SimBoard::default_file() : choice_.path;
        return QStringLiteral("(simulated receiver %1)").arg(file);
    }
    if (choice_.kind == BoardChoice::Kind::SimI2c) {
        const QString file = choice_.path.isEmpty() ? SimI2cFileAdapter::default_file() : choice_.path;
        return QStringLiteral("(simulated receiver %1 on I2C)").arg(file);
    }
    return QLatin1Char('(') + description() + QLatin1Char(')');
}

DriverStatus Board::start_driver() {
    if (i2c_bus_) {
        const DriverStatus st = i2c_bus_->open();
        started_ = st.ok;
        return st;
    }
    const DriverStatus st = driver_->initialize();
    started_ = st.ok;
    link_->set_driver_ready(st.ok);
    return st;
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
        link_->set_bus_observer(nullptr);
        if (!trace_->close()) trace_error = trace_->error();
        trace_.reset();
    }
    QString error;
    if (started_ && i2c_bus_) {
        i2c_bus_->close();
        started_ = false;
        if (sim_memory_ && !sim_memory_->save_error().isEmpty()) error = sim_memory_->save_error();
    } else if (started_) {
        driver_->shutdown();
        started_ = false;
        link_->set_driver_ready(false);
        if (SimBoard* s = sim(); s && !s->save_error().isEmpty()) error = s->save_error();
    }
    if (!trace_error.isEmpty()) error = error.isEmpty() ? trace_error : error + '\n' + trace_error;
    return {error.isEmpty(), error};
}

bool Board::start_trace(const QString& path) {
    if (i2c_bus_) {
        trace_error_ = QStringLiteral("The bus trace records the parallel-port board's lines; an I2C "
                                      "adapter runs its bus itself (no trace written to %1)")
                           .arg(path);
        return false;
    }
    if (SimBoard* s = sim(); s && !s->file().isEmpty() && same_file(path, s->file())) {
        trace_error_ = QStringLiteral("The bus trace %1 is the simulated EEPROM file %2; give the trace a "
                                      "file of its own")
                           .arg(path, s->file());
        return false;
    }
    auto trace = std::make_unique<VcdTrace>();
    if (!trace->open(path)) {
        trace_error_ = trace->error();
        return false;
    }
    trace_error_.clear();
    link_->set_bus_observer(trace.get());
    trace_ = std::move(trace);
    return true;
}

SimBoard* Board::sim() {
    if (sim_memory_) return sim_memory_;
    return dynamic_cast<SimBoard*>(driver_.get());
}

} // namespace qrt58

// Board: one object that owns the driver, the clock and the bus: a parallel-port
// board (port driver + bit-banged board link) or an I2C adapter (i2c-dev + I2cBus).
//
// Use (main window or command line):
//   BoardSettings s = resolve_board_settings(options, settings);  // --board/--line-delay + QSettings
//   (remember_board_choice / remember_line_delay once they have proved themselves)
//   auto board = Board::create(s.choice);        // picks sim / ppdev / io / i2c
//   DriverStatus st = board->start_driver();     // first thing at start-up
//   if (!st.ok) tell the user st.error;          // the board search then fails cleanly
//   board->bus().set_line_delay_us(s.line_delay_us);  // ignored by I2C adapters
//   board->bus().set_event_pump([] { QCoreApplication::processEvents(); });
//   board->bus().set_message_sink(...);          // shows "The Board is not responding!"
//   if (--trace-vcd FILE) board->start_trace(FILE);  // SCL/SDA as a VCD file
//   board->start_up();                            // calibrate_delay, find_board, board_idle
//   keep-alive timer (50 ms):  board->bus().idle_tick();
//   transfers:                 TransferEngine(board->bus(), view) or Form2
//   shut-down:                 board->stop_driver();
#pragma once

#include "board_link.h"
#include "bus_trace.h"
#include "clock.h"
#include "i2c_dev.h"
#include "port_driver.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace qrt58 {

class I2cBus;
class SimBoard;

// --board sim[:FILE] | ppdev[:/dev/parportN] | io | i2c[:/dev/i2c-N] | sim-i2c[:FILE]
// (sim-i2c: a simulated I2C adapter at 100 kHz with the receiver's memory in FILE)
struct BoardChoice {
    enum class Kind { Sim, Ppdev, Io, I2c, SimI2c };
    Kind kind = Kind::Sim;
    QString path; // sim file, ppdev or i2c device; empty = the default
    QString text() const;
    bool operator==(const BoardChoice& o) const { return kind == o.kind && path == o.path; }
};
std::optional<BoardChoice> parse_board_choice(const QString& text, QString* error = nullptr);

// Board options shared by both programs' command lines.
struct BoardOptions {
    std::optional<BoardChoice> board;
    std::optional<int> line_delay_us;
    QString trace_vcd;
};
// add_board_options / read_board_options (board_options.h) fill it from a
// QCommandLineParser.

// The persisted board settings: the board choice and the line delay.
struct BoardSettings {
    BoardChoice choice;
    int line_delay_us = kDefaultLineDelayUs;
};
BoardSettings load_board_settings(QSettings& settings);
void save_board_settings(QSettings& settings, const BoardSettings& values);
// Command-line values win; the rest comes from the settings. Nothing is saved:
// --board applies to its run only (the remembered choice is made in the
// window's board dialog or with `qrt58cli board`), a line delay is remembered
// after a run with it succeeded (remember_line_delay).
BoardSettings resolve_board_settings(const BoardOptions& options, QSettings& settings);
// The one line that tells the user nothing was chosen yet.
QString no_board_choice_notice();
// Whether a board was ever chosen (Options > Board... or `qrt58cli board`);
// without a choice the simulated receiver is used.
bool board_choice_made(QSettings& settings);
// Keeps `choice` as the board of the next start (the window's board dialog).
void save_board_choice(QSettings& settings, const BoardChoice& choice);
void remember_line_delay(QSettings& settings, const BoardOptions& options);
// The settings store of both programs (QSettings of the application's
// organization and name, which both programs set alike); QRT58_SETTINGS=FILE
// points it at an INI file instead (tests, portable set-ups).
std::unique_ptr<QSettings> open_board_settings();

class Board {
public:
    // Uses `clock` when given (tests: a VirtualClock), else a SteadyClock of its own.
    explicit Board(std::unique_ptr<PortDriver> driver, Clock* clock = nullptr);
    // A board on an I2C adapter: `dev` at `path` (empty: the first adapter
    // found when the driver starts).
    Board(std::unique_ptr<I2cDev> dev, const QString& path, Clock* clock = nullptr);
    ~Board();
    static std::unique_ptr<Board> create(const BoardChoice& choice, Clock* clock = nullptr);

    // What the board is, for the status bar and every result line:
    // "Simulated receiver (sim-eeprom.bin)", "Parallel port /dev/parport0",
    // "I2C /dev/i2c-3 (CP2112 SMBus Bridge)". `full_path`: the simulated
    // receiver's file with its folder. `root` prefixes /sys (tests).
    QString description(bool full_path = false, const QString& root = QString()) const;
    // "(simulated receiver FILE)" on the simulated board, else "(DESCRIPTION)":
    // what a result line adds.
    QString result_suffix() const;

    // Starts the port driver (first thing at start-up).
    DriverStatus start_driver();
    // Board start-up: calibrate_delay, find_board, board_idle. True when found.
    bool start_up();
    // Stops the port driver (last thing at shut-down). Not ok when what the
    // board holds could not be kept (the simulated EEPROM's file) or the bus
    // trace could not be written completely.
    DriverStatus stop_driver();
    // Records SCL/SDA to a VCD file from now on. False when it cannot, with the
    // reason in trace_error() (also on an I2C adapter, which runs its bus itself).
    bool start_trace(const QString& path);
    const QString& trace_error() const { return trace_error_; }

    // The bus the transfers use, of any kind.
    EepromBus& bus();
    // The parallel-port side: on an I2C board a link over a port that never
    // starts (it finds no board).
    BoardLink& link() { return *link_; }
    PortDriver& driver() { return *driver_; }
    Clock& clock() { return *clock_; }
    // The simulated board when that is the backend (for a simulated I2C
    // adapter: the memory it keeps in its file), else nullptr.
    SimBoard* sim();
    // The I2C adapter bus when that is the kind, else nullptr.
    I2cBus* i2c() { return i2c_bus_.get(); }

private:
    std::unique_ptr<Clock> own_clock_;
    Clock* clock_;
    std::unique_ptr<PortDriver> driver_;
    std::unique_ptr<BoardLink> link_;
    std::unique_ptr<I2cDev> i2c_dev_;
    std::unique_ptr<I2cBus> i2c_bus_;
    SimBoard* sim_memory_ = nullptr; // of a simulated I2C adapter
    std::unique_ptr<VcdTrace> trace_;
    QString trace_error_;
    bool started_ = false;
    BoardChoice choice_;
};

} // namespace qrt58

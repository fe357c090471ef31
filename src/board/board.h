// Board: one object that owns the clock and the board of one kind (its
// backend: a port driver with the bit-banged board link, or an I2C adapter with
// its bus); what differs between the kinds is their row in board_kinds.h.
//
// Opening a board, the same in the window, the command line, jobs and the
// job station:
//   BoardSettings s = resolve_board_settings(options, settings);  // --board/--line-delay/--trace-vcd + QSettings
//   auto board = Board::create(s);               // the kind's driver, with the line delay
//   BoardOpening o = board->open();              // the driver, then the bus trace
//   if (!o.trace_error.isEmpty()) the run stops; // a driver that did not start
//                                                // makes the board search fail with its reason
//   board->bus().set_event_pump(...), set_message_sink(...)  // the window's
//   board->start_up();                            // calibrate_delay, find_board, board_idle
//   keep-alive timer (50 ms):  board->bus().idle_tick();
//   transfers:                 TransferEngine(board->bus(), view) or Form2
//   shut-down:                 board->stop_driver();
#pragma once

#include "board_kinds.h"
#include "board_link.h"
#include "bus_trace.h"
#include "clock.h"
#include "eeprom_bus.h"
#include "i2c_dev.h"
#include "port_driver.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace qrt58 {

class BoardBackend;

// Board options shared by both programs' command lines.
struct BoardOptions {
    std::optional<BoardChoice> board;
    std::optional<int> line_delay_us;
    QString trace_vcd;
};
// add_board_options / read_board_options (board_options.h) fill it from a
// QCommandLineParser.

// What a board is opened with: the board choice and the line delay (both kept
// in the settings), and a bus trace for one run (never kept).
struct BoardSettings {
    BoardChoice choice;
    int line_delay_us = kDefaultLineDelayUs;
    QString trace_vcd; // empty: no trace
};
BoardSettings load_board_settings(QSettings& settings);
void save_board_settings(QSettings& settings, const BoardSettings& values);
// Command-line values win (the trace comes only from there); the rest comes
// from the settings. Nothing is saved:
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

// What opening a board gave.
struct BoardOpening {
    DriverStatus driver; // the driver's start; one that failed makes the board
                         // search fail with this reason
    QString trace_error; // the bus trace asked for could not be started
};

class Board {
public:
    // The board of `backend`, known as `choice`. Uses `clock` when given
    // (tests: a VirtualClock), else a SteadyClock of its own.
    Board(std::unique_ptr<BoardBackend> backend, const BoardChoice& choice, Clock* clock = nullptr,
          std::unique_ptr<Clock> own_clock = nullptr);
    // A board on an I2C adapter: `dev` at `path` (empty: the first adapter
    // found when the driver starts).
    Board(std::unique_ptr<I2cDev> dev, const QString& path, Clock* clock = nullptr);
    ~Board();
    // Makes the board of the settings' choice by its kind's row, with the
    // line delay; nothing is started yet.
    static std::unique_ptr<Board> create(const BoardSettings& settings, Clock* clock = nullptr);
    static std::unique_ptr<Board> create(const BoardChoice& choice, Clock* clock = nullptr);

    const BoardChoice& choice() const { return choice_; }
    // What the board is, for the status bar and every result line:
    // "Simulated receiver (sim-eeprom.bin)", "Parallel port /dev/parport0",
    // "I2C /dev/i2c-3 (CP2112 SMBus Bridge)". `full_path`: the simulated
    // receiver's file with its folder. `root` prefixes /sys (tests).
    QString description(bool full_path = false, const QString& root = QString()) const;
    // "(simulated receiver FILE)" on the simulated board, else "(DESCRIPTION)":
    // what a result line adds.
    QString result_suffix() const;

    // Opens the board as made: starts the driver, then the bus trace of the
    // settings it was made with.
    BoardOpening open();
    // Starts the driver alone.
    DriverStatus start_driver();
    // Board start-up: calibrate_delay, find_board, board_idle. True when found.
    bool start_up();
    // Stops the driver (last thing at shut-down). Not ok when what the board
    // holds could not be kept (the simulated EEPROM's file) or the bus trace
    // could not be written completely.
    DriverStatus stop_driver();
    // Records SCL/SDA to a VCD file from now on. False when it cannot, with the
    // reason in trace_error() (also on an I2C adapter, which runs its bus itself).
    bool start_trace(const QString& path);
    const QString& trace_error() const { return trace_error_; }

    // The bus the transfers use, of any kind.
    EepromBus& bus();
    Clock& clock() { return *clock_; }

private:
    // The file or device in use: the simulated receiver's file, the adapter
    // found, else the path chosen.
    QString device() const;

    std::unique_ptr<Clock> own_clock_;
    Clock* clock_;
    std::unique_ptr<BoardBackend> backend_;
    std::unique_ptr<VcdTrace> trace_;
    QString trace_error_;
    QString trace_vcd_; // to start on open()
    bool started_ = false;
    BoardChoice choice_;
};

} // namespace qrt58

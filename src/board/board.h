// Board: one object that owns the port driver, the clock and the board link.
//
// Use (main window or command line):
//   BoardSettings s = resolve_board_settings(options, settings);  // --board/--line-delay + QSettings
//   (remember_board_choice / remember_line_delay once they have proved themselves)
//   auto board = Board::create(s.choice);        // picks sim / ppdev / io
//   DriverStatus st = board->start_driver();     // first thing at start-up
//   if (!st.ok) tell the user st.error;          // the board search then fails cleanly
//   board->link().set_line_delay_us(s.line_delay_us);
//   board->link().set_event_pump([] { QCoreApplication::processEvents(); });
//   board->link().set_message_sink(...);         // shows "The Board is not responding!"
//   if (--trace-vcd FILE) board->start_trace(FILE);  // SCL/SDA as a VCD file
//   board->start_up();                            // calibrate_delay, find_board, board_idle
//   keep-alive timer (50 ms):  board->link().idle_tick();
//   transfers:                 TransferEngine(board->link(), view) or Form2
//   shut-down:                 board->stop_driver();
#pragma once

#include "board_link.h"
#include "bus_trace.h"
#include "clock.h"
#include "port_driver.h"

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace qrt58 {

class SimBoard;

// --board sim[:FILE] | ppdev[:/dev/parportN] | io
struct BoardChoice {
    enum class Kind { Sim, Ppdev, Io };
    Kind kind = Kind::Sim;
    QString path; // sim file or ppdev device; empty = the default
    QString text() const;
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
// a value given on the command line is remembered only once it has proved
// itself, the board choice when its driver started (remember_board_choice),
// the line delay after a run with it succeeded (remember_line_delay).
BoardSettings resolve_board_settings(const BoardOptions& options, QSettings& settings);
void remember_board_choice(QSettings& settings, const BoardOptions& options);
void remember_line_delay(QSettings& settings, const BoardOptions& options);
// The settings store of both programs (QSettings of the application's
// organization and name, which both programs set alike); QRT58_SETTINGS=FILE
// points it at an INI file instead (tests, portable set-ups).
std::unique_ptr<QSettings> open_board_settings();

class Board {
public:
    // Uses `clock` when given (tests: a VirtualClock), else a SteadyClock of its own.
    explicit Board(std::unique_ptr<PortDriver> driver, Clock* clock = nullptr);
    ~Board();
    static std::unique_ptr<Board> create(const BoardChoice& choice, Clock* clock = nullptr);

    // Starts the port driver (first thing at start-up).
    DriverStatus start_driver();
    // Board start-up: calibrate_delay, find_board, board_idle. True when found.
    bool start_up();
    // Stops the port driver (last thing at shut-down). Not ok when what the
    // board holds could not be kept (the simulated EEPROM's file) or the bus
    // trace could not be written completely.
    DriverStatus stop_driver();
    // Records SCL/SDA to a VCD file from now on. False when it cannot, with the
    // reason in trace_error().
    bool start_trace(const QString& path);
    const QString& trace_error() const { return trace_error_; }

    BoardLink& link() { return *link_; }
    PortDriver& driver() { return *driver_; }
    Clock& clock() { return *clock_; }
    // The simulated board when that is the backend, else nullptr.
    SimBoard* sim();

private:
    std::unique_ptr<Clock> own_clock_;
    Clock* clock_;
    std::unique_ptr<PortDriver> driver_;
    std::unique_ptr<BoardLink> link_;
    std::unique_ptr<VcdTrace> trace_;
    QString trace_error_;
    bool started_ = false;
};

} // namespace qrt58

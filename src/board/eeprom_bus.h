// The bus the transfer engine talks to: addressing, sequential reads and page
// writes of the 24C16, plus the board search and the idle steps around a
// transfer. Two implementations: the bit-banged board link on the parallel port
// (board_link.h) and the kernel's I2C adapters through i2c-dev (i2c_bus.h).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace qrt58 {

inline const char* const kBoardNotResponding = "The Board is not responding!";
// The 24C16 write page.
constexpr int kPageSize = 16;

class EepromBus {
public:
    virtual ~EepromBus() = default;

    // Runs pending user-interface events during long waits (GUI: processEvents).
    void set_event_pump(std::function<void()> pump) { pump_ = std::move(pump); }
    // Shows "The Board is not responding!" (GUI: warning box; CLI: a line).
    void set_message_sink(std::function<void(const QString&)> sink) { message_ = std::move(sink); }
    const std::function<void(const QString&)>& message_sink() const { return message_; }
    // Receives the bus's steps as lines (board search, addresses, retries),
    // for a verbose command line. Nothing is formatted while it is unset.
    void set_step_log(std::function<void(const QString&)> log) { step_log_ = std::move(log); }
    const std::function<void()>& event_pump() const { return pump_; }

    // Whether the line delay means anything on this bus (the parallel-port
    // board's bit timing); buses without one ignore set_line_delay_us.
    virtual bool has_line_delay() const { return false; }
    virtual void set_line_delay_us(int us) { (void)us; }
    virtual int line_delay_us() const { return 0; }
    // Timing set-up at start-up (the delay-loop calibration of the port board).
    virtual void calibrate_delay() {}

    // Looks for the board; on failure shows "The Board is not responding!"
    // (with the reason where one is known) through the message sink.
    virtual bool find_board() = 0;
    // Ends a transaction that is still open.
    virtual void bus_stop() = 0;
    // The pause and resting pattern after a transfer.
    virtual void board_idle() = 0;
    // The keep-alive tick of the main window.
    virtual void idle_tick() = 0;

    // Sequential read: addressing at `address`, then one byte per
    // receive_byte; `last` ends the run (not acknowledged). False when the
    // addressing is not acknowledged.
    virtual bool begin_read(int address) = 0;
    virtual std::uint8_t receive_byte(bool last) = 0;
    // False when a byte since the last begin_read could not be fetched (the
    // values received are then not the chip's).
    virtual bool read_intact() const { return true; }

    // Whether a write may go to the chip now; false with the reason when the
    // chip must be left alone (a bus the program chose by itself that holds
    // another device's EEPROM).
    virtual bool may_write(QString* reason) {
        (void)reason;
        return true;
    }
    // Writes `count` bytes (1..16, inside one 16-byte page) at `address`.
    // `first`: the first page of a run (no page before it still being written).
    virtual bool write_page(int address, const std::uint8_t* data, int count, bool first) = 0;
    // After the last page of a run: the chip may still be writing it.
    virtual void end_write() = 0;
    // Makes what the chip now holds last, before a result counts (the
    // simulated receiver's memory file). False with the reason when it cannot:
    // what was written is then lost.
    virtual bool keep_memory(QString* reason) {
        (void)reason;
        return true;
    }

protected:
    void pump_events() {
        if (pump_) pump_();
    }
    void show_message(const QString& text) {
        if (message_) message_(text);
    }
    bool logging_steps() const { return static_cast<bool>(step_log_); }
    void log_step(const QString& text) {
        if (step_log_) step_log_(text);
    }

    std::function<void()> pump_;
    std::function<void(const QString&)> message_;
    std::function<void(const QString&)> step_log_;
};

} // namespace qrt58

// The board link: timing, board search, bus primitives and EEPROM transactions on
// the two-wire bus of the programming board, bit-banged through a PortDriver.
//
// Data register: bit 0 = 1 pulls SCL low, bit 1 = 1 pulls SDA low, bits 2-7 are
// always written as 1. Status register bit 3 reads 1 while SDA is low.
// Most callers hold a Board (board.h), which owns driver, clock and link.
#pragma once

#include "clock.h"
#include "eeprom_bus.h"
#include "port_driver.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace qrt58 {

constexpr int kDefaultLineDelayUs = 25;
constexpr int kMinLineDelayUs = 10;
constexpr int kMaxLineDelayUs = 100000;
constexpr int kWritePollMs = 500;
constexpr int kPageGapMs = 10;

// Whole bytes written to the data port.
constexpr int kLinesReleased = 0xFC; // SCL and SDA high (bus stopped)
constexpr int kIdlePattern = 0xFE;   // SDA low, SCL high
constexpr int kLinesLow = 0xFF;      // both low

// Control byte of the 24C16 for `address` (write direction; +1 reads).
inline std::uint8_t control_byte(int address) { return static_cast<std::uint8_t>(0xA0 | ((address & 0x700) >> 7)); }

class BoardLink : public EepromBus {
public:
    BoardLink(PortDriver& driver, Clock& clock);

    // Whether the port driver started. A link on a driver that did not start
    // never finds a board; its search says `reason` (why the driver did not
    // start) under "The Board is not responding!".
    void set_driver_ready(bool ready, const QString& reason = QString()) {
        driver_ready_ = ready;
        not_ready_reason_ = ready ? QString() : reason;
    }
    bool driver_ready() const { return driver_ready_; }

    // One line-delay unit in microseconds, kept within 10..100000.
    bool has_line_delay() const override { return true; }
    void set_line_delay_us(int us) override;
    int line_delay_us() const override { return line_delay_us_; }
    // Records the SCL/SDA levels (see bus_trace.h); nullptr stops recording.
    void set_bus_observer(BusObserver* observer);

    // Port access. A read the driver cannot perform yields 0 and marks io_failed().
    int port_in(int port);
    void port_out(int port, int value);
    bool io_failed() const { return io_failed_; }

    // Timing.
    void bit_delay();
    void loop_delay();
    void calibrate_delay() override;
    int loop_count() const { return loop_count_; }
    void wait_ms(int ms);
    void sleep_ms(int ms);

    // Board search at 0x378, 0x278, 0x3BC.
    bool probe_port(int base);
    bool find_board() override;

    // Line primitives: change one bit of the shadow byte and write it.
    void sda_high();
    void sda_low();
    void scl_high();
    void scl_low();

    // Bus conditions.
    void bus_start();
    void bus_stop() override;
    void board_idle() override;
    bool keep_memory(QString* reason) override { return driver_.keep_memory(reason); }
    // The keep-alive tick of the main window: the idle pattern, nothing else.
    void idle_tick() override;

    bool send_byte(std::uint8_t value);
    std::uint8_t receive_byte(bool last) override;

    // Up to ten start + control-byte attempts; true at the first acknowledge.
    bool select_device(int address);
    int last_select_attempts() const { return last_select_attempts_; }

    // Sequential read set-up: addressing, word address, repeated start, read
    // control byte. False when the addressing is not acknowledged.
    bool begin_read(int address) override;
    // A whole sequential run (ends with not-acknowledge and a stop).
    bool read_sequential(int address, std::uint8_t* out, int count);

    // Page write pieces: the gap before every page but the first (stop, which
    // starts the EEPROM's internal write, and a 10 ms sleep), and the start with
    // acknowledge polling of the control byte for up to 500 ms.
    void page_gap();
    bool poll_control_byte(int address);
    // A page: the gap before it unless `first`, the polled addressing, the word
    // address and the data bytes, each acknowledged.
    bool write_page(int address, const std::uint8_t* data, int count, bool first) override;
    // The gap after the last page, so that the EEPROM finishes writing it.
    void end_write() override { page_gap(); }

    int data_port() const { return data_port_; }
    int status_port() const { return status_port_; }
    std::uint8_t port_shadow() const { return port_shadow_; }

    // Mandated waiting spent so far: line-delay units, milliseconds slept (the
    // pauses between pages) and milliseconds waited with events pumped.
    std::int64_t delay_units() const { return delay_units_; }
    std::int64_t slept_ms() const { return slept_ms_; }
    std::int64_t waited_ms() const { return waited_ms_; }
    void reset_counters() {
        delay_units_ = 0;
        slept_ms_ = 0;
        waited_ms_ = 0;
    }

    Clock& clock() { return clock_; }

private:
    void write_shadow();

    PortDriver& driver_;
    Clock& clock_;
    bool driver_ready_ = false;
    QString not_ready_reason_;
    int line_delay_us_ = kDefaultLineDelayUs;
    int loop_count_ = 1000;
    BusObserver* observer_ = nullptr;
    // Tracing a port that cannot report the bus: the link rebuilds the levels
    // from its own writes and the SDA it senses while SCL is high.
    void trace_emit(std::int64_t t, bool scl, bool sda);
    void trace_flush();
    bool link_traces_ = false;
    bool shown_scl_ = true;
    bool shown_sda_ = true;
    bool pending_ = false; // SCL high with SDA released: level known at the next read
    std::int64_t pending_t_ = 0;
    bool io_failed_ = false;
    int data_port_ = 0x378;
    int status_port_ = 0x379;
    std::uint8_t port_shadow_ = kLinesReleased;
    int last_select_attempts_ = 0;
    int last_polls_ = 0; // control-byte attempts of the last page write
    std::int64_t delay_units_ = 0;
    std::int64_t slept_ms_ = 0;
    std::int64_t waited_ms_ = 0;
};

} // namespace qrt58

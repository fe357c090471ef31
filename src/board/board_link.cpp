#include "board_link.h"

#include <algorithm>

namespace qrt58 {

BoardLink::BoardLink(PortDriver& driver, Clock& clock) : driver_(driver), clock_(clock) {}

void BoardLink::set_line_delay_us(int us) { line_delay_us_ = std::clamp(us, kMinLineDelayUs, kMaxLineDelayUs); }

void BoardLink::set_bus_observer(BusObserver* observer) {
    if (link_traces_) trace_flush();
    observer_ = observer;
    link_traces_ = false;
    if (observer_ && !driver_.observe_bus(observer_)) {
        link_traces_ = true;
        pending_ = false;
        shown_scl_ = !(port_shadow_ & 1);
        shown_sda_ = !(port_shadow_ & 2);
        observer_->on_lines(clock_.now_ns(), shown_scl_, shown_sda_);
    } else if (!observer_) {
        driver_.observe_bus(nullptr);
    }
}

void BoardLink::trace_emit(std::int64_t t, bool scl, bool sda) {
    if (scl == shown_scl_ && sda == shown_sda_) return;
    // Data moves while the clock is low, so the trace never shows a start or
    // stop that two lines changing together did not make.
    if (scl != shown_scl_ && sda != shown_sda_) {
        if (scl) observer_->on_lines(t - 1, shown_scl_, sda);
        else {
            observer_->on_lines(t, scl, shown_sda_);
            ++t;
        }
    }
    shown_scl_ = scl;
    shown_sda_ = sda;
    observer_->on_lines(t, scl, sda);
}

void BoardLink::trace_flush() {
    if (!pending_) return;
    pending_ = false;
    trace_emit(pending_t_, true, true); // no read came: the pull-up holds SDA high
}

// ---- port access -----------------------------------------------------------------

int BoardLink::port_in(int port) {
    const int v = driver_.get_port_val(port);
    if (v < 0) {
        io_failed_ = true;
        return 0;
    }
    const int value = v & 0xFF;
    if (link_traces_ && pending_ && port == status_port_) {
        pending_ = false;
        trace_emit(pending_t_, true, !(value & 0x08));
    }
    return value;
}

void BoardLink::port_out(int port, int value) {
    if (!driver_.set_port_val(port, value & 0xFF)) io_failed_ = true;
    if (link_traces_ && port == data_port_) {
        trace_flush();
        const std::int64_t t = clock_.now_ns();
        const bool scl = !(value & 1);
        const bool released = !(value & 2);
        if (scl && released) {
            pending_ = true;
            pending_t_ = t;
        } else {
            trace_emit(t, scl, released);
        }
    }
}

// ---- timing ----------------------------------------------------------------------

void BoardLink::bit_delay() {
    ++delay_units_;
    if (!clock_.has_high_resolution()) {
        loop_delay();
        return;
    }
    const std::int64_t start = clock_.now_ns();
    clock_.spin_until(start + static_cast<std::int64_t>(line_delay_us_) * 1000);
}

void BoardLink::loop_delay() {
    // Each turn costs what a calibration turn cost: one coarse clock reading
    // every 1000 turns.
    for (volatile int i = 0; i <= loop_count_; i = i + 1)
        if (i % 1000 == 0) (void)clock_.ms();
}

void BoardLink::calibrate_delay() {
    volatile int counter = 0;
    const std::uint32_t start = clock_.ms();
    while (true) {
        counter = counter + 1;
        if (counter % 1000 == 0 && clock_.ms() - start > 25) break;
    }
    loop_count_ = counter / 1000;
}

void BoardLink::wait_ms(int ms) {
    waited_ms_ += ms;
    const std::uint32_t start = clock_.ms();
    while (clock_.ms() - start < static_cast<std::uint32_t>(ms)) {
        pump_events();
        clock_.idle_turn();
    }
}

void BoardLink::sleep_ms(int ms) {
    slept_ms_ += ms;
    clock_.sleep_ms(ms);
}

// ---- board search ----------------------------------------------------------------

bool BoardLink::probe_port(int base) {
    io_failed_ = false;
    bus_stop();
    wait_ms(50);
    bus_stop();
    wait_ms(50);
    scl_low();
    // Pull SDA low and release it again through the data register as it reads back.
    port_out(base, port_in(base) | 0xFC | 0x02);
    wait_ms(50);
    port_out(base, (port_in(base) | 0xFC) & ~0x02);
    wait_ms(50);
    // The board's pull-up makes a released SDA read high (status bit 3 = 0); an
    // open port reads 1 there.
    const bool answers = (port_in(base + 1) & 0x08) == 0;
    bus_stop();
    // A port the driver could not read is never taken for a board.
    return answers && !io_failed_;
}

bool BoardLink::find_board() {
    if (driver_ready_) {
        port_shadow_ = kLinesReleased;
        for (int base : kPortBases) {
            data_port_ = base;
            const bool answered = probe_port(base);
            if (logging_steps())
                log_step(QStringLiteral("board search at 0x%1: %2")
                             .arg(base, 3, 16, QLatin1Char('0'))
                             .arg(answered ? QStringLiteral("answered") : QStringLiteral("no answer")));
            if (answered) {
                status_port_ = base + 1;
                return true;
            }
        }
    }
    show_message(not_ready_reason_.isEmpty() ? QString::fromUtf8(kBoardNotResponding)
                                             : QString::fromUtf8(kBoardNotResponding) + '\n' + not_ready_reason_);
    return false;
}

// ---- lines and conditions ----------------------------------------------------------

void BoardLink::write_shadow() { port_out(data_port_, port_shadow_); }

void BoardLink::sda_high() {
    port_shadow_ &= static_cast<std::uint8_t>(~0x02);
    write_shadow();
}
void BoardLink::sda_low() {
    port_shadow_ |= 0x02;
    write_shadow();
}
void BoardLink::scl_high() {
    port_shadow_ &= static_cast<std::uint8_t>(~0x01);
    write_shadow();
}
void BoardLink::scl_low() {
    port_shadow_ |= 0x01;
    write_shadow();
}

void BoardLink::bus_start() {
    for (int v : {kLinesReleased, kIdlePattern, kLinesLow}) {
        port_shadow_ = static_cast<std::uint8_t>(v);
        write_shadow();
        bit_delay();
    }
}

void BoardLink::bus_stop() {
    for (int v : {kLinesLow, kIdlePattern, kLinesReleased}) {
        port_shadow_ = static_cast<std::uint8_t>(v);
        write_shadow();
        bit_delay();
    }
}

void BoardLink::board_idle() {
    wait_ms(100);
    port_shadow_ = kIdlePattern;
    write_shadow();
    bit_delay();
}

void BoardLink::idle_tick() { port_out(data_port_, kIdlePattern); }

bool BoardLink::send_byte(std::uint8_t value) {
    for (int bit = 7; bit >= 0; --bit) {
        if ((value >> bit) & 1) sda_high();
        else sda_low();
        bit_delay();
        scl_high();
        bit_delay();
        scl_low();
        bit_delay();
    }
    sda_high();
    bit_delay();
    scl_high();
    bit_delay();
    io_failed_ = false;
    const int status = port_in(status_port_);
    scl_low();
    bit_delay();
    // The EEPROM acknowledges by holding SDA low: status bit 3 reads 1.
    return (status & 0x08) != 0 && !io_failed_;
}

std::uint8_t BoardLink::receive_byte(bool last) {
    sda_high();
    std::uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        result = static_cast<std::uint8_t>(result << 1);
        scl_high();
        bit_delay();
        if ((port_in(status_port_) & 0x08) == 0) result |= 1;
        scl_low();
        bit_delay();
    }
    if (last) sda_high();
    else sda_low();
    bit_delay();
    scl_high();
    bit_delay();
    scl_low();
    bit_delay();
    return result;
}

// ---- EEPROM transactions -----------------------------------------------------------

bool BoardLink::select_device(int address) {
    last_select_attempts_ = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        ++last_select_attempts_;
        bus_start();
        if (send_byte(control_byte(address))) return true;
    }
    return false;
}

bool BoardLink::begin_read(int address) {
    const bool selected = select_device(address);
    if (logging_steps())
        log_step(QStringLiteral("read from 0x%1: %2 addressing attempt(s)%3")
                     .arg(address, 3, 16, QLatin1Char('0'))
                     .arg(last_select_attempts_)
                     .arg(selected ? QString() : QStringLiteral(", not acknowledged")));
    if (!selected) return false;
    send_byte(static_cast<std::uint8_t>(address & 0xFF));
    bus_start();
    send_byte(static_cast<std::uint8_t>(control_byte(address) + 1));
    return true;
}

bool BoardLink::read_sequential(int address, std::uint8_t* out, int count) {
    if (count <= 0) return true;
    if (!begin_read(address)) return false;
    for (int i = 0; i < count; ++i) out[i] = receive_byte(i == count - 1);
    bus_stop();
    return true;
}

void BoardLink::page_gap() {
    bus_stop();
    sleep_ms(kPageGapMs);
}

bool BoardLink::poll_control_byte(int address) {
    bus_start();
    const std::uint32_t start = clock_.ms();
    last_polls_ = 0;
    while (true) {
        if (clock_.ms() - start > static_cast<std::uint32_t>(kWritePollMs)) return false;
        ++last_polls_;
        if (send_byte(control_byte(address))) return true;
        bus_start();
    }
}

bool BoardLink::write_page(int address, const std::uint8_t* data, int count, bool first) {
    if (!first) page_gap();
    bool ok = poll_control_byte(address) && send_byte(static_cast<std::uint8_t>(address & 0xFF));
    for (int i = 0; ok && i < count; ++i) ok = send_byte(data[i]);
    if (logging_steps())
        log_step(QStringLiteral("write page 0x%1: %2 byte(s), %3 poll(s)%4")
                     .arg(address, 3, 16, QLatin1Char('0'))
                     .arg(count)
                     .arg(last_polls_)
                     .arg(ok ? QString() : QStringLiteral(", not acknowledged")));
    return ok;
}

} // namespace qrt58

#include "i2c_bus.h"

#include "board_scan.h"
#include "pager_table.h"

#include <algorithm>
#include <cerrno>

namespace qrt58 {

namespace {
// Device address of the 24C16 block holding `address`.
std::uint16_t device_for(int address) { return static_cast<std::uint16_t>(kEepromI2cAddress | ((address >> 8) & 7)); }
// Errors an adapter gives when a byte was not acknowledged (drivers differ).
bool not_acknowledged(int error) {
    return error == ENXIO || error == EREMOTEIO || error == EIO || error == EAGAIN || error == ETIMEDOUT;
}
// A bound on attempts besides the time, should an adapter fail without
// letting any time pass.
constexpr int kMaxPollAttempts = 2000;
} // namespace

I2cBus::I2cBus(I2cDev& dev, Clock& clock, QString path) : dev_(dev), clock_(clock), path_(std::move(path)) {}

DriverStatus I2cBus::open() {
    close();
    if (path_.isEmpty() || chosen_) {
        chosen_ = true;
        path_ = default_i2c_adapter(scan_root_);
        if (path_.isEmpty()) {
            open_error_ = QStringLiteral("no I2C adapter found") + no_i2c_adapter_detail(scan_root_);
            return {false, open_error_};
        }
    }
    const int error = dev_.open(path_, &open_error_);
    open_ = error == 0;
    if (open_) open_error_.clear();
    else if (open_error_.isEmpty()) open_error_ = i2c_open_reason(path_, error);
    return {open_, open_error_};
}

void I2cBus::close() {
    if (open_) dev_.close();
    open_ = false;
}

int I2cBus::transfer_polled(I2cMessage* messages, int count) {
    last_attempts_ = 0;
    const std::int64_t deadline = clock_.now_ns() + static_cast<std::int64_t>(kI2cPollMs) * 1000000;
    while (true) {
        ++last_attempts_;
        const int error = dev_.transfer(messages, count);
        if (error == 0 || !not_acknowledged(error)) return error;
        if (clock_.now_ns() >= deadline || last_attempts_ >= kMaxPollAttempts) return error;
    }
}

bool I2cBus::find_board() {
    if (open_) {
        std::uint8_t byte = 0;
        I2cMessage probe{kEepromI2cAddress, true, &byte, 1};
        const int error = transfer_polled(&probe, 1);
        if (logging_steps())
            log_step(QStringLiteral("board search: 0x50 on %1 %2 after %3 attempt(s)")
                         .arg(path_, error == 0 ? QStringLiteral("answered") : QStringLiteral("did not answer"))
                         .arg(last_attempts_));
        if (error == 0) return true;
        // An adapter that went away (unplugged) says so rather than blaming the chip.
        show_message(QString::fromUtf8(kBoardNotResponding) + '\n' +
                     (not_acknowledged(error)
                          ? QStringLiteral("No EEPROM acknowledges at address 0x50 on %1 (check SCL, SDA "
                                           "and GND to the receiver)")
                                .arg(path_)
                          : i2c_open_reason(path_, error)));
        return false;
    }
    show_message(QString::fromUtf8(kBoardNotResponding) + '\n' +
                 (open_error_.isEmpty() ? QStringLiteral("The I2C adapter is not open") : open_error_));
    return false;
}

bool I2cBus::fetch_row() {
    row_pos_ = 0;
    row_len_ = 0;
    std::uint8_t word = static_cast<std::uint8_t>(next_ & 0xFF);
    const int length = kPageSize - (next_ % kPageSize);
    I2cMessage messages[2] = {{device_for(next_), false, &word, 1},
                              {device_for(next_), true, row_.data(), static_cast<std::uint16_t>(length)}};
    pump_events();
    if (transfer_polled(messages, 2) != 0) return false;
    row_len_ = length;
    next_ = (next_ + length) & (kImageSize - 1); // sequential reads roll over at 2048
    return true;
}

bool I2cBus::begin_read(int address) {
    intact_ = true;
    next_ = address & (kImageSize - 1);
    const bool ok = fetch_row();
    if (logging_steps())
        log_step(QStringLiteral("read from 0x%1: %2 attempt(s)%3")
                     .arg(address, 3, 16, QLatin1Char('0'))
                     .arg(last_attempts_)
                     .arg(ok ? QString() : QStringLiteral(", not acknowledged")));
    return ok;
}

std::uint8_t I2cBus::receive_byte(bool last) {
    (void)last; // every fetched row already ends with a not-acknowledge and a stop
    // After a failed fetch the rest of this read is not the chip's either: no
    // further polling for it.
    if (row_pos_ >= row_len_ && (!intact_ || !fetch_row())) {
        intact_ = false;
        return 0xFF;
    }
    return row_[static_cast<std::size_t>(row_pos_++)];
}

bool I2cBus::read_span(int address, std::uint8_t* out, int count) {
    std::uint8_t word = static_cast<std::uint8_t>(address & 0xFF);
    I2cMessage messages[2] = {{device_for(address), false, &word, 1},
                              {device_for(address), true, out, static_cast<std::uint16_t>(count)}};
    pump_events();
    return transfer_polled(messages, 2) == 0;
}

bool I2cBus::may_write(QString* reason) {
    if (!chosen_) return true; // named by the user: the user's choice
    const auto refuse = [&](const QString& what) {
        if (reason)
            *reason = QStringLiteral("Not written: %1 on %2, the I2C adapter the program chose. It may be "
                                     "another device's EEPROM (board identification, display, memory "
                                     "module). If the receiver is on this adapter, name it: --board i2c:%2")
                          .arg(what, path_);
        return false;
    };
    std::array<std::uint8_t, 6> signature{};
    const int at = kSignatureAddress;
    if (!read_span(at, signature.data(), static_cast<int>(signature.size())))
        return refuse(QStringLiteral("the chip at 0x50 could not be read to check what it holds"));
    if (std::equal(signature.begin(), signature.end(), ver_str.begin())) return true;
    // Not a receiver image: only a blank chip is taken.
    std::array<std::uint8_t, 256> block{};
    for (int base = 0; base < kImageSize; base += static_cast<int>(block.size())) {
        if (!read_span(base, block.data(), static_cast<int>(block.size())))
            return refuse(QStringLiteral("the chip at 0x50 could not be read to check what it holds"));
        if (std::any_of(block.begin(), block.end(), [](std::uint8_t b) { return b != 0xFF; }))
            return refuse(QStringLiteral("the chip at 0x50 holds no receiver image (no \"QRT58 \" at 0x%1) "
                                         "and is not blank")
                              .arg(QString::number(kSignatureAddress, 16).toUpper()));
    }
    return true;
}

bool I2cBus::write_page(int address, const std::uint8_t* data, int count, bool first) {
    (void)first; // the addressing itself waits for the previous page
    if (count < 1 || count > kPageSize || (address % kPageSize) + count > kPageSize) return false;
    std::array<std::uint8_t, 1 + kPageSize> buffer{};
    buffer[0] = static_cast<std::uint8_t>(address & 0xFF);
    std::copy(data, data + count, buffer.begin() + 1);
    I2cMessage message{device_for(address), false, buffer.data(), static_cast<std::uint16_t>(count + 1)};
    pump_events();
    const bool ok = transfer_polled(&message, 1) == 0;
    if (logging_steps())
        log_step(QStringLiteral("write page 0x%1: %2 byte(s), %3 attempt(s)%4")
                     .arg(address, 3, 16, QLatin1Char('0'))
                     .arg(count)
                     .arg(last_attempts_)
                     .arg(ok ? QString() : QStringLiteral(", not acknowledged")));
    return ok;
}

} // namespace qrt58

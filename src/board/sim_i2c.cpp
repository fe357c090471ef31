#include "sim_i2c.h"

#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <thread>

namespace qrt58 {

SimI2cAdapter::SimI2cAdapter(Clock& clock, int bus_hz) : bus_hz(bus_hz), clock_(clock), eeprom_(clock) {}

SimI2cFileAdapter::SimI2cFileAdapter(Clock& clock, const QString& file, int bus_hz)
    : SimI2cAdapter(clock, bus_hz), memory_(clock, file) {
    use_chip(memory_.eeprom());
}

int SimI2cFileAdapter::open(const QString& path, QString* reason) {
    const DriverStatus loaded = memory_.initialize();
    if (!loaded.ok) {
        if (reason) *reason = loaded.error;
        return EIO;
    }
    return SimI2cAdapter::open(path, reason);
}

void SimI2cFileAdapter::close() {
    if (!is_open()) return;
    SimI2cAdapter::close();
    memory_.shutdown();
}

QString SimI2cFileAdapter::default_file() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/sim-i2c-eeprom.bin");
}

int SimI2cAdapter::open(const QString& path, QString* reason) {
    if (open_error != 0) {
        if (reason) *reason = i2c_open_reason(path, open_error);
        return open_error;
    }
    opened_path = path;
    open_ = true;
    return 0;
}

void SimI2cAdapter::clock_bits(int n) {
    bits += n;
    const std::int64_t ns = static_cast<std::int64_t>(n) * 1000000000LL / bus_hz;
    if (blocking) wire_ns_ += ns; // slept at the end of the transfer
    else clock_.spin_until(clock_.now_ns() + ns);
}

int SimI2cAdapter::transfer(I2cMessage* messages, int count) {
    if (!open_) return EBADF;
    if (transfer_error != 0) return transfer_error;
    ++transfers;
    int error = 0;
    for (int i = 0; i < count && error == 0; ++i) {
        const I2cMessage& m = messages[i];
        clock_bits(1); // start or repeated start
        const bool listening = chip_->begin_transaction() && !no_chip;
        clock_bits(9);
        const auto control = static_cast<std::uint8_t>((m.address << 1) | (m.read ? 1 : 0));
        if (!listening || m.address > 0x7F || !chip_->take_byte(control)) {
            error = ENXIO;
            break;
        }
        for (int j = 0; j < m.length; ++j) {
            clock_bits(9);
            if (m.read) {
                m.data[j] = chip_->next_read_byte();
            } else if (!chip_->take_byte(m.data[j])) {
                error = EREMOTEIO;
                break;
            }
        }
    }
    clock_bits(1);
    chip_->end_transaction(true);
    if (error != 0) ++failed_transfers;
    // A kernel adapter returns when the whole transfer is on the wire.
    if (wire_ns_ > 0) std::this_thread::sleep_for(std::chrono::nanoseconds(wire_ns_));
    wire_ns_ = 0;
    return error;
}

} // namespace qrt58

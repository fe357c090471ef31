#include "sim_i2c.h"

#include <cerrno>

namespace qrt58 {

SimI2cAdapter::SimI2cAdapter(Clock& clock, int bus_hz) : bus_hz(bus_hz), clock_(clock), eeprom_(clock) {}

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
    clock_.spin_until(clock_.now_ns() + static_cast<std::int64_t>(n) * 1000000000LL / bus_hz);
}

int SimI2cAdapter::transfer(I2cMessage* messages, int count) {
    if (!open_) return EBADF;
    if (transfer_error != 0) return transfer_error;
    ++transfers;
    int error = 0;
    for (int i = 0; i < count && error == 0; ++i) {
        const I2cMessage& m = messages[i];
        clock_bits(1); // start or repeated start
        const bool listening = eeprom_.begin_transaction() && !no_chip;
        clock_bits(9);
        const auto control = static_cast<std::uint8_t>((m.address << 1) | (m.read ? 1 : 0));
        if (!listening || m.address > 0x7F || !eeprom_.take_byte(control)) {
            error = ENXIO;
            break;
        }
        for (int j = 0; j < m.length; ++j) {
            clock_bits(9);
            if (m.read) {
                m.data[j] = eeprom_.next_read_byte();
            } else if (!eeprom_.take_byte(m.data[j])) {
                error = EREMOTEIO;
                break;
            }
        }
    }
    clock_bits(1);
    eeprom_.end_transaction(true);
    if (error != 0) ++failed_transfers;
    return error;
}

} // namespace qrt58

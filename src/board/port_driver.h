// Byte-wide access to the parallel-port registers. Three backends: the simulated
// programming board (sim_board.h), Linux ppdev (ppdev_driver.h) and raw port I/O
// (io_driver.h). The board link talks only to this interface.
#pragma once

#include <QString>
#include <cstdint>

namespace qrt58 {

struct DriverStatus {
    bool ok = false;
    QString error; // why the driver could not start; empty when ok
};

// Receives the SCL/SDA levels as the bus sees them (true = high), with the time in
// nanoseconds on the link's clock. Backends that know the real bus levels (the
// simulator) report every change themselves.
class BusObserver {
public:
    virtual ~BusObserver() = default;
    virtual void on_lines(std::int64_t t_ns, bool scl, bool sda) = 0;
};

class PortDriver {
public:
    virtual ~PortDriver() = default;
    // Opens the ports. A driver that cannot start says why; it then reads nothing.
    virtual DriverStatus initialize() = 0;
    virtual void shutdown() = 0;
    // The register value 0..255, or -1 when the read could not be performed.
    virtual int get_port_val(int port) = 0;
    // False when the write could not be performed.
    virtual bool set_port_val(int port, int value) = 0;
    // True when this backend reports the bus levels to `observer` itself.
    virtual bool observe_bus(BusObserver* observer) {
        (void)observer;
        return false;
    }
    // Makes what the receiver now holds last (the simulated board saves its
    // memory file). False with the reason when it cannot; a real board keeps
    // its EEPROM by itself.
    virtual bool keep_memory(QString* reason) {
        (void)reason;
        return true;
    }
    // Why what the receiver held was lost when the driver last kept or
    // stopped (the simulated board's file could not be written); empty when
    // nothing was lost.
    virtual QString memory_error() const { return QString(); }
    // Short description for messages, e.g. "sim:/path" or "ppdev:/dev/parport0".
    virtual QString describe() const = 0;
};

// The three parallel-port bases the board is searched at, in this order.
constexpr int kPortBases[3] = {0x378, 0x278, 0x3BC};

} // namespace qrt58

// What a board of any kind does for the Board facade (board.h): the bus the
// transfers use, the driver's start and stop, the bus trace. Two backends: a
// port driver with the bit-banged board link (the parallel-port boards) and an
// i2c-dev adapter with its bus (the I2C boards). The kinds' rows
// (board_kinds.cpp) make them.
#pragma once

#include "eeprom_bus.h"
#include "port_driver.h"

#include <QString>
#include <memory>

namespace qrt58 {

class Clock;
class I2cDev;

class BoardBackend {
public:
    virtual ~BoardBackend() = default;
    virtual EepromBus& bus() = 0;
    // Starts the driver. A bus whose driver did not start finds no board and
    // says why when it is searched.
    virtual DriverStatus start() = 0;
    // Stops the driver; not ok with the reason when what the board holds
    // could not be kept (a simulated receiver's file).
    virtual DriverStatus stop() = 0;
    // Why the SCL/SDA lines of this kind cannot be recorded; empty when they can.
    virtual QString trace_refusal() const { return QString(); }
    // Sends the SCL/SDA levels to `observer` (nullptr: no more).
    virtual void observe_lines(BusObserver* observer) = 0;
    // The device in use once started where the program picked it (an I2C
    // adapter found by itself); empty otherwise.
    virtual QString device() const { return QString(); }
};

// A parallel-port board: `driver` under a BoardLink on `clock`.
std::unique_ptr<BoardBackend> make_port_board(std::unique_ptr<PortDriver> driver, Clock& clock);
// An I2C board: `dev` at `path` (empty: the first suitable adapter found when
// it starts).
std::unique_ptr<BoardBackend> make_adapter_board(std::unique_ptr<I2cDev> dev, Clock& clock, const QString& path);

} // namespace qrt58

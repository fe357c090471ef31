// A simulated I2C adapter with a 24C16 behind it: the message-level front end
// of the same chip model the simulated parallel-port board drives line by line.
// Each transfer costs the bus time of its bits at `bus_hz` on the clock (a
// start, nine clocks per byte with its acknowledge, a stop), so a virtual clock
// shows what a real adapter would take. A byte that is not acknowledged ends
// the transfer with a stop, as the kernel's adapters do.
#pragma once

#include "clock.h"
#include "i2c_dev.h"
#include "sim_board.h"

namespace qrt58 {

class SimI2cAdapter : public I2cDev {
public:
    explicit SimI2cAdapter(Clock& clock, int bus_hz = 100000);

    int open(const QString& path, QString* reason) override;
    int transfer(I2cMessage* messages, int count) override;
    void close() override { open_ = false; }

    Eeprom24C16& eeprom() { return *chip_; }
    bool is_open() const { return open_; }

    int bus_hz;
    // On a real clock, wait for the wire as a kernel adapter does: asleep, so
    // that several adapters in threads of one program do not compete for the
    // processor (a virtual clock just moves on).
    bool blocking = false;
    // Fault hooks: the errno open() gives (ENOENT, EACCES, ...), no chip on
    // the bus at all, and the errno every transfer gives (an adapter that was
    // unplugged: ENODEV).
    int open_error = 0;
    bool no_chip = false;
    int transfer_error = 0;

    // What happened, for tests and the benchmark.
    int transfers = 0;
    int failed_transfers = 0;
    std::int64_t bits = 0; // clocks on the wire, starts and stops counted as one
    QString opened_path;

protected:
    // The chip on the bus: the adapter's own, or one that a subclass keeps.
    void use_chip(Eeprom24C16& chip) { chip_ = &chip; }

private:
    void clock_bits(int n);

    Clock& clock_;
    Eeprom24C16 eeprom_;
    Eeprom24C16* chip_ = &eeprom_;
    bool open_ = false;
    std::int64_t wire_ns_ = 0; // blocking: the transfer's time on the wire so far
};

// The simulated adapter with the chip's memory in a file, as the simulated
// parallel-port board keeps it (the same file format, made with the default
// image when missing, and the same lock against a second program): the board
// `--board sim-i2c[:FILE]`. Opening the adapter loads the file, closing it saves.
class SimI2cFileAdapter : public SimI2cAdapter {
public:
    SimI2cFileAdapter(Clock& clock, const QString& file, int bus_hz = 100000);
    int open(const QString& path, QString* reason) override;
    void close() override;
    bool keep_memory(QString* reason) override { return memory_.keep_memory(reason); }
    QString memory_error() const override { return memory_.save_error(); }
    // The memory and its file (flush() saves it now).
    SimBoard& memory() { return memory_; }

    // Default file, in the user's data folder.
    static QString default_file();

private:
    SimBoard memory_;
};

} // namespace qrt58

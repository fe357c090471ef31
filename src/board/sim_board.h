// The simulated programming board: a parallel port whose data bits 0 and 1 pull
// SCL and SDA low and whose status bit 3 reads 1 while SDA is low, with a 24C16
// EEPROM on the bus modelled at the line level.
#pragma once

#include "clock.h"
#include "port_driver.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace qrt58 {

// 24C16: 2048 bytes in eight 256-byte blocks, 16-byte write pages, 5 ms internal
// write cycle. One chip, two front ends: on_lines sees the wired-AND bus levels
// one line change at a time (the parallel-port board), the byte-level calls
// below serve whole bytes and conditions (the simulated I2C adapter).
class Eeprom24C16 {
public:
    static constexpr std::int64_t kWriteCycleNs = 5000000;

    explicit Eeprom24C16(Clock& clock) : clock_(clock) { memory.fill(0xFF); }

    // Line-level front end: the bus levels after a change of one line (true = high).
    void on_lines(bool scl, bool sda);
    // True while the EEPROM pulls SDA low (acknowledge or a 0 data bit).
    bool drives_sda_low() const { return drive_low_; }
    bool busy() const;

    // Byte-level core. A start or repeated start: false while the chip ignores
    // the bus (its write cycle runs).
    bool begin_transaction();
    // A byte from the master (control byte, word address or data); true when
    // the chip acknowledges it.
    bool take_byte(std::uint8_t b);
    // The next byte of a read, from the address counter.
    std::uint8_t next_read_byte();
    // A stop. A page write completed by whole bytes starts the write cycle;
    // `whole_bytes` false (a stop inside a byte) drops the page.
    void end_transaction(bool whole_bytes);

    // Length of the internal write cycle (5 ms at most by the datasheet).
    std::int64_t write_cycle_ns = kWriteCycleNs;

    std::array<std::uint8_t, 2048> memory{};
    bool dirty = false; // memory changed since the owner last saved it

    // Fault hooks.
    int no_ack_from_data_byte = -1;        // data bytes with this index and above (counted
                                           // from 0 across writes) are not acknowledged
    bool busy_forever = false;             // never acknowledges again
    bool busy_forever_after_write = false; // the next write cycle never ends
    int flip_address = -1;                 // reading this address flips `flip_mask`
    std::uint8_t flip_mask = 0;

    // What the EEPROM saw, for tests.
    int starts = 0;
    int stops = 0;
    int control_bytes = 0; // control bytes received (acknowledged or not)
    int data_bytes = 0;    // data bytes received in write transactions
    int pages_committed = 0;
    int pages_abandoned = 0; // pages dropped by a stop in the middle of a byte
    int address_counter() const { return address_; }

private:
    enum class Phase { Idle, Receive, AckOut, Transmit, AckIn };
    enum class Target { Control, WordAddress, Data };

    void start();
    void stop();
    void rise(bool sda);
    void fall();
    void load_tx();

    Clock& clock_;
    bool scl_ = true;
    bool sda_ = true;
    Phase phase_ = Phase::Idle;
    Target target_ = Target::Control;
    bool read_mode_ = false;
    bool rose_ = false;
    bool sampled_ = true;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
    std::uint8_t tx_ = 0;
    int tx_bit_ = 7;
    bool master_ack_ = false;
    bool drive_low_ = false;
    int address_ = 0;
    int block_ = 0;
    int page_base_ = 0;
    int page_pos_ = 0;
    std::uint16_t page_mask_ = 0;
    std::array<std::uint8_t, 16> page_{};
    std::int64_t busy_until_ = 0;
};

class SimBoard : public PortDriver {
public:
    // `file` empty: memory only, starting with the default image. Otherwise the
    // memory is loaded from / saved to `file` (created with the default image when
    // missing; anything but a regular file of 2048 bytes is refused). While the
    // board runs it holds the file open with an exclusive lock on it, which
    // keeps every other program off the same memory under any name (a
    // symbolic or hard link); saves rewrite that file in place. A program that
    // ends without stopping the board leaves no lock behind. `base` is the port
    // address the board sits at.
    SimBoard(Clock& clock, QString file = QString(), int base = 0x378);
    ~SimBoard() override;

    DriverStatus initialize() override;
    void shutdown() override;
    int get_port_val(int port) override;
    bool set_port_val(int port, int value) override;
    bool observe_bus(BusObserver* observer) override;
    QString describe() const override;

    // Saves the memory to the file now (no-op without a file, when unchanged or
    // when the board is not running). False when the file could not be
    // written; save_error() then says why, the file keeps what it held and the
    // memory goes back to that too: the simulated receiver lost the write, and
    // nothing saves it later behind the user's back.
    bool flush();
    bool keep_memory(QString* reason) override;
    QString memory_error() const override { return save_error_; }
    const QString& save_error() const { return save_error_; }

    Eeprom24C16& eeprom() { return eeprom_; }
    const QString& file() const { return file_; }
    int base() const { return base_; }
    bool scl() const { return scl_; }
    bool sda() const { return sda_; }

    // Fault hooks of the board itself.
    bool no_board = false;      // nothing attached: the port reads like an open port
    bool sda_stuck_low = false; // SDA shorted to ground

    // Every data-register write, for tests (port, value).
    std::function<void(int, int)> on_write;
    int data_writes = 0;

    // Default file for the simulated EEPROM, in the user's data folder.
    static QString default_file();

private:
    void apply(bool pc_scl_low, bool pc_sda_low, std::int64_t t);
    void settle(std::int64_t t);

    Clock& clock_;
    QString file_;
    int base_;
    bool started_ = false;
    QString save_error_;
    QString save_reason_;
    int fd_ = -1;                            // file_, open and locked while the board runs
    std::array<std::uint8_t, 2048> saved_{}; // what file_ holds
    Eeprom24C16 eeprom_;
    BusObserver* observer_ = nullptr;
    int latch_ = 0xFC;
    bool pc_scl_low_ = false;
    bool pc_sda_low_ = false;
    bool scl_ = true;
    bool sda_ = true;
};

} // namespace qrt58

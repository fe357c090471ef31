// The 24C16 through a Linux I2C adapter (i2c-dev): the same device addressing as
// on the parallel-port board (0x50 plus the three high address bits, one
// word-address byte, 16-byte page writes, sequential reads), but the kernel's
// adapter runs the bus. A page write is followed by acknowledge polling: the
// next addressing is repeated while the chip is busy with its write cycle, for
// up to 25 ms, instead of a fixed pause. No line delay, keep-alive or idle
// pattern apply here.
#pragma once

#include "clock.h"
#include "eeprom_bus.h"
#include "i2c_dev.h"
#include "port_driver.h"

#include <array>

namespace qrt58 {

constexpr int kEepromI2cAddress = 0x50;
constexpr int kI2cPollMs = 25;

class I2cBus : public EepromBus {
public:
    // `path` is the adapter (/dev/i2c-N); empty means the first suitable one
    // found when the bus opens.
    I2cBus(I2cDev& dev, Clock& clock, QString path);

    // Opens the adapter (the driver start). Not ok with the reason when it
    // cannot be opened; find_board then repeats that reason.
    DriverStatus open();
    void close();
    const QString& path() const { return path_; }
    // Whether the adapter was chosen by the program (no path given).
    bool chosen_by_program() const { return chosen_; }
    // Where the adapter search looks for dev/ and sys/ (tests); empty: /.
    void set_scan_root(const QString& root) { scan_root_ = root; }

    bool find_board() override;
    void bus_stop() override {}
    void board_idle() override { pump_events(); }
    void idle_tick() override {}
    bool begin_read(int address) override;
    std::uint8_t receive_byte(bool last) override;
    bool read_intact() const override { return intact_; }
    // On an adapter the program chose by itself, only a chip that holds a
    // receiver image (the signature at 0x7E0) or is blank (all 0xFF) is
    // written: the EEPROMs of single-board computers (HAT identification),
    // displays and memory modules answer at 0x50 too.
    bool may_write(QString* reason) override;
    bool write_page(int address, const std::uint8_t* data, int count, bool first) override;
    void end_write() override {}
    bool keep_memory(QString* reason) override { return dev_.keep_memory(reason); }

    // Transfers tried by the last polled operation (1 = acknowledged at once).
    int last_attempts() const { return last_attempts_; }

private:
    // Runs the transfer, repeating it while the chip does not acknowledge, for
    // up to kI2cPollMs. 0 or the last errno.
    int transfer_polled(I2cMessage* messages, int count);
    // Reads from next_ to the end of its 16-byte row.
    bool fetch_row();

    I2cDev& dev_;
    Clock& clock_;
    QString path_;
    // Reads `count` bytes from `address` on into `out` (one block at most).
    bool read_span(int address, std::uint8_t* out, int count);

    bool open_ = false;
    bool chosen_ = false;
    QString scan_root_;
    QString open_error_;
    std::array<std::uint8_t, 16> row_{};
    int row_len_ = 0;
    int row_pos_ = 0;
    int next_ = 0;
    bool intact_ = true;
    int last_attempts_ = 0;
};

} // namespace qrt58
